#pragma once

#include "desktop/app/tray_icon_interface.h"

#include <QObject>

class QMenu;
class QSystemTrayIcon;

// The tray icon on the desktop's system tray.
class CTrayIcon : public QObject, public ITrayIcon
{
    Q_OBJECT

public:
    explicit CTrayIcon(QObject* pParent = nullptr);
    ~CTrayIcon() override;

    bool SetIcon(EIcon eIcon) override;
    void SetTip(const QString& strTip) override;
    bool IsShown() const override { return m_eIcon != EIcon::None; }
    EIcon Icon() const override { return m_eIcon; }
    QString Tip() const override { return m_strTip; }
    void SetAttention(int nWaiting, const QString& strWaiting) override;
    QString Attention() const override { return m_strAttention; }

    void SetMenu(QMenu* pMenu);

Q_SIGNALS:
    // A double click: bring the window back. A middle click: and start a note.
    void RestoreRequested();
    void NewNoteRequested();

private:
    // Shows what the icon and the attention ask for together.
    void Update(bool bIconChanges);

    QSystemTrayIcon* m_pTray;
    EIcon m_eIcon = EIcon::None;
    QString m_strTip = QStringLiteral("Blipnote - listening");
    int m_nWaiting = 0;
    QString m_strAttention;
};
