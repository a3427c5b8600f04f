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

    bool SetIcon(int nIcon) override;
    void SetTip(const QString& strTip) override;
    bool IsShown() const override { return m_nIcon != None; }
    int Icon() const override { return m_nIcon; }
    QString Tip() const override { return m_strTip; }

    void SetMenu(QMenu* pMenu);

Q_SIGNALS:
    // A double click: bring the window back. A middle click: and start a note.
    void RestoreRequested();
    void NewNoteRequested();

private:
    QSystemTrayIcon* m_pTray;
    int m_nIcon = None;
    QString m_strTip = QStringLiteral("Blipnote - listening");
};
