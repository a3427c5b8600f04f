#pragma once

#include "desktop/alerts/notification_service.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

#include <chrono>

class CAppSettings;
class CBlipnoteDoc;
class CUnreadNotes;

// Tells the desktop's notification service of received notes the user has not
// seen, while "Use Notifications" is on. One notification at a time: notes that
// come while one is shown replace it with a count ("12 new notes from 5 hosts"),
// and replacements come no faster than one per gap, so a flood of notes cannot
// flood the desktop. A notification goes when every note it tells of is seen or
// closed. Its actions open the note, or answer it.
class CNoteNotifier : public QObject
{
    Q_OBJECT

public:
    CNoteNotifier(CUnreadNotes& unread, CNotificationService& service, const CAppSettings& settings,
                  QObject* pParent = nullptr);

    // A note is told of only after this while, so that a note the user sees at
    // once (the main window popping up) is never told of.
    static constexpr std::chrono::milliseconds SettleTime{300};
    // At most one notification, new or replaced, per this while.
    static constexpr std::chrono::milliseconds Gap{2000};

    // The text of a notification's body: its first lines, without control
    // characters, bounded.
    static QString BodyOf(const QString& strShownText);
    static constexpr int BodyLines = 4;
    static constexpr qsizetype BodyLength = 300;

    // A high-priority note waits behind its alert box: told of at once, and
    // withdrawn when the box is answered.
    void OnPriorityAlertShown(const QByteArray& strText);
    void OnPriorityAlertAnswered();

private:
    void OnAdded(CBlipnoteDoc* pDoc);
    void OnRead(CBlipnoteDoc* pDoc);
    void OnAction(quint32 nId, const QString& strKey);
    void OnClosed(quint32 nId, bool bExpired);
    void OnServiceChanged();
    void OnOptionChanged();
    void Schedule();
    void Flush();
    void Withdraw();
    CNotificationService::CNotification Compose() const;

    CUnreadNotes& m_unread;
    CNotificationService& m_service;
    const CAppSettings& m_settings;
    QList<CBlipnoteDoc*> m_pending; // unread and not yet told of
    QList<CBlipnoteDoc*> m_told;    // unread, in the notification shown
    quint32 m_nId = 0;
    quint32 m_nPriorityId = 0;
    bool m_bPriorityBoxOpen = false;
    bool m_bCalling = false;
    QTimer m_timer;
    QElapsedTimer m_sinceLast;
};
