#include "desktop/app/tray_icon.h"

#include "desktop/resources/icon_list.h"

#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>

namespace {
// The new-note icon with a red mark in its corner: the tray asks for attention.
QIcon AttentionIcon()
{
    static const QIcon icon = [] {
        constexpr int kSize = 64;
        QPixmap pixmap = CIconList::Named(QStringLiteral("tray_new_mail")).pixmap(kSize, kSize);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::white, 4));
        painter.setBrush(QColor(0xd0, 0x10, 0x10));
        painter.drawEllipse(QRect(kSize / 2, 2, kSize / 2 - 4, kSize / 2 - 4));
        painter.end();
        return QIcon(pixmap);
    }();
    return icon;
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
    m_strAttention.clear();
    SetIcon(EIcon::None);
}

bool CTrayIcon::SetIcon(EIcon eIcon)
{
    if (eIcon != EIcon::None && !QSystemTrayIcon::isSystemTrayAvailable()) {
        m_eIcon = EIcon::None;
        return false;
    }
    m_eIcon = eIcon;
    Update();
    return true;
}

void CTrayIcon::SetTip(const QString& strTip)
{
    m_strTip = strTip.left(63);
    Update();
}

void CTrayIcon::SetAttention(const QString& strWaiting)
{
    if (strWaiting == m_strAttention)
        return;
    m_strAttention = strWaiting;
    Update();
}

void CTrayIcon::Update()
{
    const bool bAttention = !m_strAttention.isEmpty() && QSystemTrayIcon::isSystemTrayAvailable();
    if (m_eIcon == EIcon::None && !bAttention) {
        m_pTray->hide();
        return;
    }
    if (bAttention)
        m_pTray->setIcon(AttentionIcon());
    else
        m_pTray->setIcon(CIconList::Named(m_eIcon == EIcon::NewMail
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
