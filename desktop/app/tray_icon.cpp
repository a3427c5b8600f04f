#include "desktop/app/tray_icon.h"

#include "desktop/resources/icon_list.h"

#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>

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
    SetIcon(EIcon::None);
}

bool CTrayIcon::SetIcon(EIcon eIcon)
{
    if (eIcon == EIcon::None) {
        m_pTray->hide();
        m_eIcon = EIcon::None;
        return true;
    }
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        m_eIcon = EIcon::None;
        return false;
    }
    m_pTray->setIcon(CIconList::Named(eIcon == EIcon::NewMail ? QStringLiteral("tray_new_mail")
                                                              : QStringLiteral("tray_listening")));
    m_pTray->setToolTip(m_strTip);
    m_pTray->show();
    m_eIcon = eIcon;
    return true;
}

void CTrayIcon::SetTip(const QString& strTip)
{
    m_strTip = strTip.left(63);
    if (IsShown())
        m_pTray->setToolTip(m_strTip);
}

void CTrayIcon::SetMenu(QMenu* pMenu)
{
    m_pTray->setContextMenu(pMenu);
}
