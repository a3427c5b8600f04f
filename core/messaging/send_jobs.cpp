#include "core/messaging/send_jobs.h"

#include "core/interfaces/prompts.h"
#include "core/interfaces/status_sink.h"
#include "core/messaging/send_note_job.h"
#include "core/notes/sendable_note.h"
#include "core/notes/tagged_text.h"

#include <QPointer>
#include <QTimer>

// Starts the jobs of one send, one per turn of a timer, so that the event loop
// runs between them.
class CSendJobs::CSendRun : public QObject
{
public:
    CSendRun(CSendJobs& jobs, CSendableNote& note, const CSendSettings& settings,
             QByteArray strText, RecipientList::CSplit split, quint64 nSend)
        : QObject(&jobs), m_jobs(jobs), m_pNote(&note), m_settings(settings),
          m_strText(std::move(strText)), m_split(std::move(split)), m_nSend(nSend)
    {
        m_jobs.m_nPendingStarts += static_cast<int>(m_split.recipients.size());
        m_timer.setSingleShot(true);
        connect(&m_timer, &QTimer::timeout, this, &CSendRun::StartNext);
    }

    void StartNext()
    {
        if (m_nNext < m_split.recipients.size()) {
            --m_jobs.m_nPendingStarts;
            const int nIndex = static_cast<int>(m_nNext++);
            m_jobs.StartJob(m_pNote.data(), m_settings, m_strText, m_split.recipients[nIndex],
                            m_nSend, nIndex);
            m_timer.start(std::max(0, m_settings.nMultiSendDelay));
            return;
        }
        if (m_split.bTooMany)
            m_jobs.ShowMessageLater(
                QStringLiteral("Warning!\n\nOnly 250 messages can be send parallel"));
        Q_EMIT m_jobs.AllJobsStarted();
        deleteLater();
    }

private:
    CSendJobs& m_jobs;
    QPointer<CSendableNote> m_pNote;
    CSendSettings m_settings;
    QByteArray m_strText;
    RecipientList::CSplit m_split;
    quint64 m_nSend;
    std::size_t m_nNext = 0;
    QTimer m_timer;
};

CSendJobs::CSendJobs(IStatusSink& statusSink, IPrompts& prompts, QObject* pParent)
    : QObject(pParent), m_statusSink(statusSink), m_prompts(prompts)
{}

void CSendJobs::StartSendJobs(CSendableNote& note, const CSendSettings& settings)
{
    if (note.m_strBody.size() > settings.nSizeLimit) {
        m_prompts.ShowMessage(
            QStringLiteral("Warning !!!\n\nMessage too long! It Was truncated to %1 kt.")
                .arg(settings.nSizeLimit),
            PromptIcon::Stop);
    }
    note.ReadBodyFromView();
    // The editor never holds more than the limit; a note without one is cut here,
    // as the warning says.
    note.m_strBody.truncate(settings.nSizeLimit);
    note.m_strSubject = note.Title();

    RecipientList::CSplit split = RecipientList::Split(note.m_strAddress, settings.bMultiSend);
    if (split.recipients.empty() && !split.bTooMany)
        return;
    QByteArray strText =
        TaggedText::Compose({settings.strNickname, note.m_strBody, settings.strComputerName,
                             note.m_strSubject, note.m_nPriority});
    const quint64 nSend = ++m_nSends;
    if (!split.recipients.empty()) {
        QList<QByteArray> addresses;
        for (const RecipientList::CRecipient& recipient : split.recipients)
            addresses.append(recipient.strAddress);
        Q_EMIT SendStarted(nSend, strText, addresses);
    }
    auto* pRun = new CSendRun(*this, note, settings, std::move(strText), std::move(split), nSend);
    pRun->StartNext();
}

void CSendJobs::StartJob(CSendableNote* pNote, const CSendSettings& settings,
                         const QByteArray& strText, const RecipientList::CRecipient& recipient,
                         quint64 nSend, int nIndex)
{
    if (pNote)
        pNote->m_strAddress = recipient.strAddress;
    m_statusSink.PostStatusText(StatusPane::Sending,
                                QStringLiteral("parsing msg:(%1)").arg(recipient.nNumber));
    CSendJobInput input{recipient.strAddress, strText, settings.nPort, settings.replyTimeLimit,
                        settings.bAutoDelete, pNote};
    auto* pJob = new CSendNoteJob(std::move(input), m_statusSink, this);
    ++m_nRunning;
    connect(pJob, &CSendNoteJob::Finished, this,
            [this, pJob, nSend, nIndex, strText](const QByteArray& strAddress, int nResult,
                                                 const QString& strError) {
                --m_nRunning;
                Q_EMIT RecipientFinished(nSend, nIndex, nResult, pJob->Acknowledged());
                if (nResult == CSendNoteJob::NotConnected && m_pUndelivered)
                    OfferToWait(nSend, nIndex, strAddress, strText, strError);
                else if (!strError.isEmpty())
                    ShowMessageLater(strError);
                pJob->deleteLater();
                Q_EMIT JobFinished(strAddress, nResult, strError);
            });
    pJob->Start();
}

void CSendJobs::ShowMessageLater(const QString& strText)
{
    // Shown from the event loop, never from inside a job's socket handling.
    QMetaObject::invokeMethod(
        this, [this, strText] { m_prompts.ShowMessage(strText, PromptIcon::Stop); },
        Qt::QueuedConnection);
}

void CSendJobs::OfferToWait(quint64 nSend, int nIndex, const QByteArray& strAddress,
                            const QByteArray& strText, const QString& strError)
{
    if (m_pUndelivered->KeepsUnasked()) {
        m_pUndelivered->Keep(nSend, nIndex, strAddress, strText, strError);
        m_statusSink.PostStatusText(StatusPane::Sending, QStringLiteral("waiting in the outbox"));
        ShowMessageLater(strError);
        return;
    }
    // The box as ever, with the offer beside its OK; shown from the event loop.
    QPointer<CSendJobs> pThis(this);
    QMetaObject::invokeMethod(
        this,
        [this, pThis, nSend, nIndex, strAddress, strText, strError] {
            const bool bWait =
                m_prompts.ShowMessageWithOffer(strError, PromptIcon::Stop, SendWhenUpText());
            if (bWait && pThis && m_pUndelivered)
                m_pUndelivered->Keep(nSend, nIndex, strAddress, strText, strError);
        },
        Qt::QueuedConnection);
}
