#pragma once

#include "core/interfaces/status_sink.h"
#include "core/messaging/send_jobs.h"
#include "core/outbox/outbox_entry.h"
#include "core/outbox/outbox_store.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class CHistoryDatabase;
class CSendNoteJob;

// How often and how many at once the outbox tries its notes.
struct COutboxTuning
{
    std::chrono::milliseconds firstGap = std::chrono::minutes(1);
    std::chrono::milliseconds maxGap = std::chrono::minutes(30);
    // A part of each gap added or taken at random, so that notes queued
    // together do not go together for ever.
    double dJitter = 0.1;
    int nMaxInFlight = 8;
    std::chrono::milliseconds connectTimeLimit = std::chrono::seconds(20);
    std::chrono::milliseconds replyTimeLimit = CSendSettings::DefaultReplyTimeLimit;
};

// Notes that wait for their host: a note that could not be connected to its
// recipient is tried again, with growing gaps (1, 2, 4 ... minutes, at most
// 30), until it arrives or its days are over, and at once when the host is
// told to be up. A try whose bytes went out but whose answer never came (or
// did not match) is not repeated: the note may have arrived, the user decides.
//
// Tries to one address go one at a time, and only so many connections are
// open at once: a thousand notes to hosts that are down cost a few
// descriptors, and the outbox sleeps on one timer until the next is due.
// Kept in the history file when one is given (it survives the program's
// end); without one (the command-line tool) in memory only.
class COutbox : public QObject, public IUndeliveredNotes
{
    Q_OBJECT

public:
    using CTuning = COutboxTuning;
    // Milliseconds since the epoch.
    using CClock = std::function<qint64()>;
    // Notes that may wait at once (beyond them a note is refused).
    static constexpr int MaxEntries = 5000;
    static constexpr int DefaultGiveUpDays = 7;

    // pDatabase: the open history file, or none for notes kept in memory.
    explicit COutbox(CHistoryDatabase* pDatabase, CTuning tuning = CTuning(),
                     CClock clock = CClock(), QObject* pParent = nullptr);
    ~COutbox() override;

    // Reads what waits in the file and begins to try it; false with the reason.
    bool Open(QString* pstrError, bool* pbDamaged = nullptr);

    void SetPort(quint16 nPort) { m_nPort = nPort; }
    void SetGiveUpDays(int nDays) { m_nGiveUpDays = std::max(1, nDays); }
    void SetKeepUnasked(bool bKeep) { m_bKeepUnasked = bKeep; }
    // How the note of a send is found in the history (for its result).
    void SetNoteIdOfSend(std::function<qint64(quint64)> noteIdOfSend)
    {
        m_noteIdOfSend = std::move(noteIdOfSend);
    }

    bool KeepsUnasked() const override { return m_bKeepUnasked; }
    void Keep(quint64 nSend, int nIndex, const QByteArray& strAddress, const QByteArray& strText,
              const QString& strReason) override;

    // Puts a note for one address in the outbox, tried first after the first
    // gap; it is given up at giveUpAt (default: after the days set). Its id,
    // or 0 with the reason.
    qint64 Queue(qint64 nNoteId, int nSeq, const QByteArray& strAddress, const QByteArray& strText,
                 const QString& strReason, std::optional<qint64> giveUpAt = std::nullopt,
                 QString* pstrError = nullptr);

    // The notes waiting or unknown, oldest first.
    std::vector<COutboxEntry> Entries() const;
    std::optional<COutboxEntry> Entry(qint64 nId) const;
    bool IsTrying(qint64 nId) const { return m_jobs.contains(nId); }

    // Tries the note now (an unknown one too: the user decided).
    void SendNow(qint64 nId);
    // Takes the note out (a try under way is broken off).
    void Cancel(qint64 nId);

    // What it did so far: tries started, connections open now, timer wakeups.
    qint64 Attempts() const { return m_nAttempts; }
    int InFlight() const { return static_cast<int>(m_jobs.size()); }
    qint64 Wakeups() const { return m_nWakeups; }

    // A gap after that many tries, without the jitter.
    std::chrono::milliseconds Gap(int nAttempts) const;

public Q_SLOTS:
    // The host (an address or a host name, as the notes were sent to it) is
    // up: its waiting notes are tried now.
    void HostUp(const QByteArray& strAddress);
    // Tries what is due by the clock now (as the timer does).
    void TryDue();

Q_SIGNALS:
    // The list of waiting notes changed (a try, a new note, one finished).
    void Changed();
    // A note began to wait.
    void Queued(qint64 nId);
    // A note left the outbox (delivered, given up, cancelled) or became unknown.
    void EntryFinished(qint64 nId, EOutboxState eState, const QString& strReason);
    // The file could not keep what changed (the notes go on in memory).
    void StoreFailed(const QString& strReason);

private:
    class CQuietSink : public IStatusSink
    {
    public:
        void PostStatusText(StatusPane, const QString&) override {}
    };

    qint64 Now() const;
    void Start(COutboxEntry& entry);
    void OnAttemptFinished(qint64 nId, int nResult, const QString& strError, qint64 nAcknowledged,
                           qint64 nSent);
    // Ends an entry: written, told, and out of memory.
    void Finish(qint64 nId, EOutboxState eState, const QString& strReason, qint64 nSent = 0,
                qint64 nAcknowledged = 0);
    void Store(const COutboxEntry& entry, qint64 nSent = 0, qint64 nAcknowledged = 0);
    void Arm();
    qint64 NextGap(int nAttempts) const;
    static QByteArray AddressKey(const QByteArray& strAddress);

    std::unique_ptr<COutboxStore> m_pStore;
    CTuning m_tuning;
    CClock m_clock;
    quint16 m_nPort = 7777;
    int m_nGiveUpDays = DefaultGiveUpDays;
    bool m_bKeepUnasked = false;
    std::function<qint64(quint64)> m_noteIdOfSend;
    std::map<qint64, COutboxEntry> m_entries;
    // Texts of notes kept in memory only.
    QHash<qint64, QByteArray> m_texts;
    qint64 m_nLastMemoryId = 0;
    QHash<qint64, CSendNoteJob*> m_jobs;
    QSet<QByteArray> m_busyAddresses;
    QTimer m_timer;
    CQuietSink m_quietSink;
    qint64 m_nAttempts = 0;
    qint64 m_nWakeups = 0;
};
