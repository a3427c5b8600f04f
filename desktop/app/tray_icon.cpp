#include "desktop/app/tray_icon.h"

#include "desktop/resources/icon_list.h"

#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>

#include <algorithm>

namespace {
// The new-note icon with a red badge of the number of waiting notes over its
// top right: the tray asks for attention, unlike the plain new-mail icon.
QIcon AttentionIcon(int nWaiting)
{
    constexpr int kSize = 64;
    constexpr int kBadge = 40;
    QPixmap pixmap = CIconList::Named(QStringLiteral("tray_new_mail")).pixmap(kSize, kSize);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect badge(kSize - kBadge - 1, 1, kBadge, kBadge);
    painter.setPen(QPen(Qt::white, 3));
    painter.setBrush(QColor(0xd0, 0x10, 0x10));
    painter.drawEllipse(badge);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(nWaiting > 9 ? 20 : 28);
    painter.setFont(font);
    painter.drawText(badge, Qt::AlignCenter,
                     nWaiting > 9 ? QStringLiteral("9+") : QString::number(nWaiting));
    painter.end();
    return QIcon(pixmap);
}
} // namespace

CTrayIcon::CTrayIcon(QObject* pParent) : QObject(pParent), m_pTray(new QSystemTrayIcon(this))
{
    connect(m_pTray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason eReason) {
                if (eReason == QSystemTrayIcon::DoubleClick || eReason == QSystemTrayIcon::Trigger)
                    Q_EMIT RestoreRequested();
                else if (eReason == QSystemTrayIcon::MiddleClick)
                    Q_EMIT NewNoteRequested();
            });
}

CTrayIcon::~CTrayIcon()
{
    m_nWaiting = 0;
    SetIcon(EIcon::None);
}

bool CTrayIcon::SetIcon(EIcon eIcon)
{
    if (eIcon != EIcon::None && !QSystemTrayIcon::isSystemTrayAvailable()) {
        m_eIcon = EIcon::None;
        return false;
    }
    m_eIcon = eIcon;
    Update(true);
    return true;
}

void CTrayIcon::SetTip(const QString& strTip)
{
    m_strTip = strTip.left(63);
    Update(false);
}

void CTrayIcon::SetAttention(int nWaiting, const QString& strWaiting)
{
    nWaiting = std::max(nWaiting, 0);
    if (nWaiting == m_nWaiting && strWaiting == m_strAttention)
        return;
    const bool bIconChanges = std::min(nWaiting, 10) != std::min(m_nWaiting, 10);
    m_nWaiting = nWaiting;
    m_strAttention = nWaiting > 0 ? strWaiting : QString();
    Update(bIconChanges);
}

void CTrayIcon::Update(bool bIconChanges)
{
    const bool bAttention = m_nWaiting > 0 && QSystemTrayIcon::isSystemTrayAvailable();
    if (m_eIcon == EIcon::None && !bAttention) {
        m_pTray->hide();
        return;
    }
    // (Drawn again only when it changes: a flood of notes changes the tip often.)
    if (bIconChanges || !m_pTray->isVisible())
        m_pTray->setIcon(bAttention ? AttentionIcon(m_nWaiting)
                                    : CIconList::Named(m_eIcon == EIcon::NewMail
                                                           ? QStringLiteral("tray_new_mail")
                                                           : QStringLiteral("tray_listening")));
    // The waiting notes on a line of their own: a tip reads as rich text only
    // when its first line looks like it, and a peer's nickname must not.
    QString strTip = m_eIcon == EIcon::None ? QStringLiteral("Blipnote") : m_strTip;
    if (bAttention)
        strTip += u'\n' + m_strAttention;
    m_pTray->setToolTip(strTip);
    m_pTray->show();
}

void CTrayIcon::SetMenu(QMenu* pMenu)
{
    m_pTray->setContextMenu(pMenu);
}
