#include "core/history/history_recorder.h"

#include "core/messaging/send_jobs.h"
#include "core/messaging/send_note_job.h"
#include "core/settings/app_settings.h"

#include <QDateTime>

#include <algorithm>
#include <chrono>

namespace {
// Notes added to the search index in one turn of the event loop.
constexpr qint64 kIndexBatch = 500;
// The index follows this long after the first note waiting for it.
constexpr std::chrono::milliseconds kIndexDelay{250};
constexpr std::chrono::hours kKeepingInterval{1};
// Notes recorded between checks of the file's size.
constexpr int kSizeCheckEvery = 1000;

qint64 Now()
{
    return QDateTime::currentMSecsSinceEpoch();
}

ERecipientResult ResultOf(int nResult)
{
    switch (nResult) {
    case CSendNoteJob::Delivered:
        return ERecipientResult::Delivered;
    case CSendNoteJob::ReplyMismatch:
        return ERecipientResult::SizeMismatch;
    default:
        return ERecipientResult::Failed;
    }
}
} // namespace

CHistoryRecorder::CKeeping CHistoryRecorder::KeepingFrom(const CAppSettings& settings)
{
    CKeeping keeping;
    if (settings.KeepNotes() == CAppSettings::KeepForDays)
        keeping.nDays = std::max(1, settings.KeepDays());
    keeping.nMaxBytes = qint64(std::max(0, settings.HistoryMegabytes())) * 1024 * 1024;
    return keeping;
}

CHistoryRecorder::CHistoryRecorder(const QString& strPath, QObject* pParent)
    : QObject(pParent), m_database(strPath), m_store(m_database)
{
    m_indexTimer.setSingleShot(true);
    connect(&m_indexTimer, &QTimer::timeout, this, &CHistoryRecorder::IndexSome);
    connect(&m_keepingTimer, &QTimer::timeout, this, &CHistoryRecorder::ApplyKeeping);
}

bool CHistoryRecorder::Open(QString* pstrError)
{
    QString strNotice;
    m_bOpen = m_database.Open(&strNotice, pstrError);
    if (!strNotice.isEmpty())
        Q_EMIT Notice(strNotice);
    if (m_bOpen)
        m_indexTimer.start(kIndexDelay); // what an earlier run left unindexed
    return m_bOpen;
}

QString CHistoryRecorder::FailureText(const QString& strPath, const QString& strReason)
{
    return QStringLiteral("Notes cannot be kept in the history (%1): %2.").arg(strPath, strReason);
}

void CHistoryRecorder::Failed(const QString& strReason)
{
    if (m_bFailureTold)
        return;
    m_bFailureTold = true;
    Q_EMIT RecordingFailed(FailureText(Path(), strReason));
}

void CHistoryRecorder::Recorded()
{
    m_bFailureTold = false;
    if (!m_indexTimer.isActive())
        m_indexTimer.start(kIndexDelay);
    if (++m_nSinceSizeCheck >= kSizeCheckEvery && m_keeping.nMaxBytes > 0) {
        m_nSinceSizeCheck = 0;
        ApplyKeeping();
    }
    Q_EMIT Changed();
}

qint64 CHistoryRecorder::RecordReceived(const QByteArray& strText, qint64 nCount)
{
    if (!IsRecording())
        return 0;
    QString strError;
    const qint64 nId = m_store.RecordReceived(strText, nCount, Now(), &strError);
    if (nId == 0) {
        Failed(strError);
        return 0;
    }
    Recorded();
    return nId;
}

qint64 CHistoryRecorder::RecordFile(const CNoteRecord& record, EHistoryDirection eDirection,
                                    const QString& strPath)
{
    if (!IsRecording())
        return 0;
    QString strError;
    const qint64 nId = m_store.RecordFile(record, eDirection, strPath, Now(), &strError);
    if (nId == 0) {
        Failed(strError);
        return 0;
    }
    Recorded();
    return nId;
}

void CHistoryRecorder::Forget(qint64 nId)
{
    if (nId != 0 && m_store.Delete({nId}, nullptr))
        Q_EMIT Changed();
}

void CHistoryRecorder::IndexSome()
{
    QString strError;
    const qint64 nLeft = m_store.IndexPending(kIndexBatch, &strError);
    // The rest on the next turn, so that windows and connections get theirs
    // between batches; after a failure, with the next note.
    if (nLeft > 0)
        m_indexTimer.start(0);
}

void CHistoryRecorder::SetKeeping(const CKeeping& keeping)
{
    m_keeping = keeping;
    ApplyKeeping();
    m_keepingTimer.start(kKeepingInterval);
}

void CHistoryRecorder::ApplyKeeping()
{
    if (!m_bOpen)
        return;
    std::optional<qint64> before;
    if (m_keeping.nDays)
        before = Now() - qint64(*m_keeping.nDays) * 24 * 3600 * 1000;
    if (!before && m_keeping.nMaxBytes <= 0)
        return;
    QString strError;
    if (m_store.Prune(before, m_keeping.nMaxBytes, &strError) > 0)
        Q_EMIT Changed();
}

void CHistoryRecorder::Attach(CSendJobs& jobs)
{
    connect(&jobs, &CSendJobs::SendStarted, this, &CHistoryRecorder::OnSendStarted);
    connect(&jobs, &CSendJobs::RecipientFinished, this, &CHistoryRecorder::OnRecipientFinished);
}

void CHistoryRecorder::OnSendStarted(quint64 nSend, const QByteArray& strRecipients,
                                     const QByteArray& strText, const QList<QByteArray>& addresses)
{
    if (!IsRecording())
        return;
    CHistoryNote note = CHistoryStore::NoteOfText(strText);
    note.nTime = Now();
    note.eDirection = EHistoryDirection::Out;
    note.strHost = strRecipients;
    for (const QByteArray& strAddress : addresses)
        note.recipients.push_back({strAddress, ERecipientResult::Pending, 0, 0});
    QString strError;
    const qint64 nId = m_store.RecordSent(note, &strError);
    if (nId == 0) {
        Failed(strError);
        return;
    }
    m_sends.insert(nSend, {nId, strText.size(), static_cast<int>(addresses.size())});
    Recorded();
}

void CHistoryRecorder::OnRecipientFinished(quint64 nSend, int nIndex, int nResult,
                                           qint32 nAcknowledged)
{
    const auto it = m_sends.find(nSend);
    if (it == m_sends.end())
        return;
    // A recipient that never answered may have taken some of the bytes or none.
    const ERecipientResult eResult = ResultOf(nResult);
    const CHistoryRecipient recipient{
        QByteArray(), eResult, eResult == ERecipientResult::Failed ? 0 : it->nSize, nAcknowledged};
    QString strError;
    if (m_store.SetRecipientResult(it->nId, nIndex, recipient, &strError))
        Q_EMIT Changed();
    else
        Failed(strError);
    if (--it->nLeft <= 0)
        m_sends.erase(it);
}
