#pragma once

#include "core/messaging/send_settings.h"
#include "core/notes/recipient_list.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class CSendableNote;
class IPrompts;
class IStatusSink;

// Where a note that could not reach its host may wait until the host is up
// (the outbox): only a note whose connection could not be made, so that none
// of it went out.
class IUndeliveredNotes
{
public:
    virtual ~IUndeliveredNotes() = default;
    // Whether such a note waits without the user being asked.
    virtual bool KeepsUnasked() const = 0;
    // Takes the note for that recipient of the send (by its place in the
    // order), with its text as it went out and why it did not arrive.
    virtual void Keep(quint64 nSend, int nIndex, const QByteArray& strAddress,
                      const QByteArray& strText, const QString& strReason) = 0;
};

// Starts and keeps the sending jobs of every note. One object serves the whole
// program: jobs belong to it, not to their note, so a note may be closed while its
// jobs run (for example by the close request of the first delivered one).
class CSendJobs : public QObject
{
    Q_OBJECT

public:
    CSendJobs(IStatusSink& statusSink, IPrompts& prompts, QObject* pParent = nullptr);

    // Sends the note to every address of the recipient list in its m_strAddress:
    // one job per recipient, started in list order at least "MultiSendDelay"
    // milliseconds apart while the event loop keeps running. The note's text is
    // taken once, now; afterwards m_strAddress holds the address last started.
    void StartSendJobs(CSendableNote& note, const CSendSettings& settings);

    // Notes that could not be connected are offered to wait there (none: the
    // error box alone, as ever).
    void SetUndeliveredNotes(IUndeliveredNotes* pUndelivered) { m_pUndelivered = pUndelivered; }
    // The button of the error box that offers it.
    static QString SendWhenUpText() { return QStringLiteral("Send when it is up"); }

    int RunningJobs() const { return m_nRunning; }
    int PendingStarts() const { return m_nPendingStarts; }

Q_SIGNALS:
    void JobFinished(const QByteArray& strAddress, int nResult, const QString& strError);
    // A send began: its number in this run, the text as it goes out, and the
    // recipients in sending order.
    void SendStarted(quint64 nSend, const QByteArray& strText, const QList<QByteArray>& addresses);
    // One recipient of that send, by its place in the order: the job's result
    // (CSendNoteJob::EResult) and the count it answered.
    void RecipientFinished(quint64 nSend, int nIndex, int nResult, qint32 nAcknowledged);
    // A send has started all its jobs (they may still be running).
    void AllJobsStarted();

private:
    class CSendRun;

    void StartJob(CSendableNote* pNote, const CSendSettings& settings, const QByteArray& strText,
                  const RecipientList::CRecipient& recipient, quint64 nSend, int nIndex);
    void ShowMessageLater(const QString& strText);
    // The error box of a note whose host could not be connected: with the
    // offer to wait for it, or, when such notes wait unasked, after it waits.
    void OfferToWait(quint64 nSend, int nIndex, const QByteArray& strAddress,
                     const QByteArray& strText, const QString& strError);

    IStatusSink& m_statusSink;
    IUndeliveredNotes* m_pUndelivered = nullptr;
    IPrompts& m_prompts;
    int m_nRunning = 0;
    int m_nPendingStarts = 0;
    quint64 m_nSends = 0;
};
