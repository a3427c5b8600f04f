#pragma once

#include "core/history/history_checkpointer.h"
#include "core/history/history_database.h"
#include "core/history/history_store.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QTimer>

#include <deque>
#include <memory>
#include <optional>

class CAppSettings;
class CSendJobs;
struct CNoteRecord;

// Keeps notes in the history as they come and go: a received note before its
// answer goes out (recording is one small write; the search index follows
// behind in batches), a sent note when its send begins and each recipient's
// result as it comes, and old notes dropped by the keeping rules. A failure to
// record is told once an hour at most; a file found damaged goes aside.
class CHistoryRecorder : public QObject
{
    Q_OBJECT

public:
    // How long notes are kept: days (none: always), and the most the file may
    // hold (0: no bound), the oldest going first.
    struct CKeeping
    {
        std::optional<int> nDays;
        qint64 nMaxBytes = 0;
    };

    // The user's keeping rules ("never" is for the caller: nothing recorded).
    static CKeeping KeepingFrom(const CAppSettings& settings);

    explicit CHistoryRecorder(const QString& strPath, QObject* pParent = nullptr);

    // Opens the store; a file moved aside is told through Notice. False, with
    // the reason, when there is no history to record into.
    bool Open(QString* pstrError);
    bool IsOpen() const { return m_bOpen; }
    CHistoryStore& Store() { return m_store; }
    const QString& Path() const { return m_database.Path(); }

    // Applies the rules now and then every hour.
    void SetKeeping(const CKeeping& keeping);
    // While paused (the user keeps no notes) nothing new is recorded.
    void SetPaused(bool bPaused) { m_bPaused = bPaused; }
    bool IsRecording() const { return m_bOpen && !m_bPaused; }
    // Records the sends of these jobs and their results.
    void Attach(CSendJobs& jobs);

    // The history's number of the note of that send (0: not recorded, or
    // long ago): sends that finished lately are remembered too, for the
    // outbox to find the note of an error box answered later.
    qint64 NoteIdOf(quint64 nSend) const;
    // The file the history is kept in, for those that keep more in it.
    CHistoryDatabase& Database() { return m_database; }

    // Records a received note (as the note server hands it on); its id, or 0
    // when it could not be recorded.
    qint64 RecordReceived(const QByteArray& strText, qint64 nCount);
    // Records a note opened from, saved to or imported from a file; its id or 0.
    qint64 RecordFile(const CNoteRecord& record, EHistoryDirection eDirection,
                      const QString& strPath);
    // Takes back a note recorded but then not taken after all.
    void Forget(qint64 nId);

    // Opens the file again when another program moved it aside meanwhile (it
    // was found damaged there): what is recorded next goes to the new one.
    void FollowMovedFile();
    // Tells a failure of the store (to record, or to read): once an hour at
    // most, or, for a file found damaged, by moving it aside and beginning a
    // new one (told through Notice).
    void ReportFailure(const QString& strReason);
    // Moves a file found damaged aside and begins a new one (told through
    // Notice); whether the new one is open.
    bool StartAnewDamaged(const QString& strReason);

    // The text of the warning told when recording fails.
    static QString FailureText(const QString& strPath, const QString& strReason);

Q_SIGNALS:
    // Something was recorded or changed (a listing may show more).
    void Changed();
    // Recording failed (told once an hour at most).
    void RecordingFailed(const QString& strMessage);
    // A file that could not be used was moved aside.
    void Notice(const QString& strMessage);

private:
    // After a record: its id, or 0 after telling why; nBytes is what it added.
    qint64 Recorded(qint64 nId, qint64 nBytes, const QString& strError);
    void RememberFile();
    void IndexSome();
    void ApplyKeeping();
    void DropSome();
    // Whether notes recorded since the size was last looked at call for a look.
    bool SizeCheckDue() const;
    void OnSendStarted(quint64 nSend, const QByteArray& strText,
                       const QList<QByteArray>& addresses);
    void OnRecipientFinished(quint64 nSend, int nIndex, int nResult, qint32 nAcknowledged);

    CHistoryDatabase m_database;
    // The file opened (its device and number), to see it replaced.
    quint64 m_nDevice = 0;
    quint64 m_nInode = 0;
    CHistoryStore m_store;
    std::unique_ptr<CHistoryCheckpointer> m_pCheckpointer;
    bool m_bOpen = false;
    bool m_bPaused = false;
    QElapsedTimer m_failureTold;
    CKeeping m_keeping;
    QTimer m_indexTimer;
    QTimer m_keepingTimer;
    QTimer m_dropTimer;
    qint64 m_nBytesSinceCheck = 0;
    // What the keeping rules still drop: notes before this time, and so many
    // of the oldest.
    std::optional<qint64> m_dropBefore;
    qint64 m_nExcess = 0;
    bool m_bDropped = false; // since the room was last given back
    struct CSend
    {
        qint64 nId = 0;
        qint64 nSize = 0;
        int nLeft = 0;
    };
    QHash<quint64, CSend> m_sends;
    // The notes of the sends that finished last, oldest first.
    std::deque<std::pair<quint64, qint64>> m_finishedSends;
};
