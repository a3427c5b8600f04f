#include "desktop/resources/lazy_icon_engine.h"

CLazyIconEngine::CLazyIconEngine(std::function<QIcon()> make) : m_make(std::move(make)) {}

QIcon CLazyIconEngine::Icon(std::function<QIcon()> make)
{
    return QIcon(new CLazyIconEngine(std::move(make)));
}

const QIcon& CLazyIconEngine::Made()
{
    if (!m_bMade) {
        m_icon = m_make();
        m_bMade = true;
    }
    return m_icon;
}

void CLazyIconEngine::paint(QPainter* pPainter, const QRect& rect, QIcon::Mode eMode,
                            QIcon::State eState)
{
    Made().paint(pPainter, rect, Qt::AlignCenter, eMode, eState);
}

// An engine is asked in device pixels, and an icon scales what it is asked by
// the screen's density: asked at density 1, the made icon passes the size on to
// its engine as it stands.
QSize CLazyIconEngine::actualSize(const QSize& size, QIcon::Mode eMode, QIcon::State eState)
{
    return Made().pixmap(size, 1.0, eMode, eState).size();
}

QPixmap CLazyIconEngine::pixmap(const QSize& size, QIcon::Mode eMode, QIcon::State eState)
{
    return Made().pixmap(size, 1.0, eMode, eState);
}

QList<QSize> CLazyIconEngine::availableSizes(QIcon::Mode eMode, QIcon::State eState)
{
    return Made().availableSizes(eMode, eState);
}

QString CLazyIconEngine::iconName()
{
    return Made().name();
}

QString CLazyIconEngine::key() const
{
    return QStringLiteral("CLazyIconEngine");
}

QIconEngine* CLazyIconEngine::clone() const
{
    auto* pCopy = new CLazyIconEngine(m_make);
    pCopy->m_icon = m_icon;
    pCopy->m_bMade = m_bMade;
    return pCopy;
}
