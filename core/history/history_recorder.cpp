#include "core/history/history_recorder.h"

#include "core/messaging/send_jobs.h"
#include "core/messaging/send_note_job.h"
#include "core/settings/app_settings.h"

#include <QDateTime>
#include <QFile>

#include <algorithm>
#include <chrono>
#include <sys/stat.h>

namespace {
// Notes added to the search index in one turn of the event loop.
constexpr qint64 kIndexBatch = 500;
// The index follows this long after the first note waiting for it.
constexpr std::chrono::milliseconds kIndexDelay{250};
constexpr std::chrono::hours kKeepingInterval{1};
// A failure to record is told again after this long at the soonest.
constexpr std::chrono::milliseconds kRetellAfter = std::chrono::hours(1);
// The file's size is looked at again once notes have added this part of the bound.
constexpr qint64 kSizeCheckParts = 20;
// Pages given back to the disk in one turn of the event loop.
constexpr qint64 kCompactStep = 2000;
// Notes dropped in one turn of the event loop.
constexpr qint64 kDropStep = 500;
// Sends whose notes are remembered after they finished.
constexpr std::size_t kFinishedSends = 256;

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
    m_dropTimer.setSingleShot(true);
    connect(&m_dropTimer, &QTimer::timeout, this, &CHistoryRecorder::DropSome);
}

bool CHistoryRecorder::Open(QString* pstrError)
{
    QString strNotice;
    m_bOpen = m_database.Open(&strNotice, pstrError);
    if (!strNotice.isEmpty())
        Q_EMIT Notice(strNotice);
    if (m_bOpen) {
        RememberFile();
        m_pCheckpointer = std::make_unique<CHistoryCheckpointer>(Path());
        m_indexTimer.start(kIndexDelay); // what an earlier run left unindexed
    }
    return m_bOpen;
}

QString CHistoryRecorder::FailureText(const QString& strPath, const QString& strReason)
{
    return QStringLiteral("Notes cannot be kept in the history (%1): %2.").arg(strPath, strReason);
}

void CHistoryRecorder::ReportFailure(const QString& strReason)
{
    // A file damaged while in use goes aside, as at the start; the notes
    // after this one are kept in a new one.
    if (m_store.LastFailureWasDamage()) {
        StartAnewDamaged(strReason);
        return;
    }
    // Told once an hour at most, however often recording fails and works
    // again in between (a disk just full).
    if (m_failureTold.isValid() && !m_failureTold.hasExpired(kRetellAfter.count()))
        return;
    m_failureTold.start();
    Q_EMIT RecordingFailed(FailureText(Path(), strReason));
}

bool CHistoryRecorder::StartAnewDamaged(const QString& strReason)
{
    m_pCheckpointer.reset();
    m_store.Reset();
    QString strNotice;
    QString strError;
    m_bOpen = m_database.StartAnewDamaged(strReason, &strNotice, &strError);
    if (!strNotice.isEmpty())
        Q_EMIT Notice(strNotice);
    if (m_bOpen) {
        RememberFile();
        m_pCheckpointer = std::make_unique<CHistoryCheckpointer>(Path());
    } else
        Q_EMIT RecordingFailed(strError);
    return m_bOpen;
}

qint64 CHistoryRecorder::Recorded(qint64 nId, qint64 nBytes, const QString& strError)
{
    if (nId == 0) {
        ReportFailure(strError);
        return 0;
    }
    m_pCheckpointer->Poke();
    if (!m_indexTimer.isActive())
        m_indexTimer.start(kIndexDelay);
    // The size is looked at again once notes have added a part of the bound.
    m_nBytesSinceCheck += nBytes;
    if (SizeCheckDue() && !m_dropTimer.isActive())
        ApplyKeeping();
    Q_EMIT Changed();
    return nId;
}

void CHistoryRecorder::RememberFile()
{
    struct stat status = {};
    if (::stat(QFile::encodeName(Path()).constData(), &status) == 0) {
        m_nDevice = status.st_dev;
        m_nInode = status.st_ino;
    }
}

void CHistoryRecorder::FollowMovedFile()
{
    struct stat status = {};
    if (!m_bOpen || (::stat(QFile::encodeName(Path()).constData(), &status) == 0 &&
                     status.st_dev == m_nDevice && status.st_ino == m_nInode))
        return;
    m_pCheckpointer.reset();
    m_store.Reset();
    QString strNotice;
    QString strError;
    m_bOpen = m_database.Open(&strNotice, &strError);
    if (!strNotice.isEmpty())
        Q_EMIT Notice(strNotice);
    if (!m_bOpen) {
        Q_EMIT RecordingFailed(strError);
        return;
    }
    RememberFile();
    m_pCheckpointer = std::make_unique<CHistoryCheckpointer>(Path());
    Q_EMIT Changed();
}

qint64 CHistoryRecorder::RecordReceived(const QByteArray& strText, qint64 nCount)
{
    FollowMovedFile();
    if (!IsRecording())
        return 0;
    QString strError;
    // The text is kept twice: as it came, and its fields for reading.
    return Recorded(m_store.RecordReceived(strText, nCount, Now(), &strError), 2 * strText.size(),
                    strError);
}

qint64 CHistoryRecorder::RecordFile(const CNoteRecord& record, EHistoryDirection eDirection,
                                    const QString& strPath)
{
    if (!IsRecording())
        return 0;
    QString strError;
    return Recorded(m_store.RecordFile(record, eDirection, strPath, Now(), &strError),
                    record.m_strBody.size(), strError);
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
    m_nBytesSinceCheck = 0;
    if (!m_bOpen)
        return;
    m_dropBefore.reset();
    if (m_keeping.nDays)
        m_dropBefore = Now() - qint64(*m_keeping.nDays) * 24 * 3600 * 1000;
    m_nExcess = std::max<qint64>(0, m_store.ExcessNotes(m_keeping.nMaxBytes, nullptr));
    m_bDropped = true; // room an earlier run left is given back too
    DropSome();
}

bool CHistoryRecorder::SizeCheckDue() const
{
    return m_keeping.nMaxBytes > 0 && m_nBytesSinceCheck >= m_keeping.nMaxBytes / kSizeCheckParts;
}

void CHistoryRecorder::DropSome()
{
    // A step at a time, so that a note arriving meanwhile is answered without
    // waiting for thousands of deletions.
    qint64 nDropped = 0;
    if (m_dropBefore) {
        nDropped = m_store.DropBefore(*m_dropBefore, kDropStep, nullptr);
        if (nDropped <= 0)
            m_dropBefore.reset(); // none left before it (or it failed)
    } else if (m_nExcess > 0) {
        nDropped = m_store.DropOldest(std::min(m_nExcess, kDropStep), nullptr);
        m_nExcess = nDropped > 0 ? m_nExcess - nDropped : 0;
    }
    if (nDropped > 0) {
        m_bDropped = true;
        Q_EMIT Changed();
    }
    if (m_dropBefore || m_nExcess > 0) {
        m_dropTimer.start(0);
    } else if (SizeCheckDue()) {
        ApplyKeeping(); // notes came while these went: the size is looked at again
    } else if (m_bDropped) {
        // Their room goes back to the disk, a step at a time too.
        m_bDropped = m_store.Compact(kCompactStep) > 0;
        if (m_bDropped)
            m_dropTimer.start(0);
    }
}

void CHistoryRecorder::Attach(CSendJobs& jobs)
{
    connect(&jobs, &CSendJobs::SendStarted, this, &CHistoryRecorder::OnSendStarted);
    connect(&jobs, &CSendJobs::RecipientFinished, this, &CHistoryRecorder::OnRecipientFinished);
}

void CHistoryRecorder::OnSendStarted(quint64 nSend, const QByteArray& strText,
                                     const QList<QByteArray>& addresses)
{
    if (!IsRecording())
        return;
    CHistoryNote note = CHistoryStore::NoteOfText(strText);
    note.nTime = Now();
    note.eDirection = EHistoryDirection::Out;
    note.strHost = addresses.join(", ");
    for (const QByteArray& strAddress : addresses)
        note.recipients.push_back({strAddress, ERecipientResult::Pending, 0, 0});
    QString strError;
    const qint64 nId = Recorded(m_store.RecordSent(note, &strError), 2 * strText.size(), strError);
    if (nId != 0)
        m_sends.insert(nSend, {nId, strText.size(), static_cast<int>(addresses.size())});
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
        ReportFailure(strError);
    if (--it->nLeft <= 0) {
        m_finishedSends.emplace_back(nSend, it->nId);
        if (m_finishedSends.size() > kFinishedSends)
            m_finishedSends.pop_front();
        m_sends.erase(it);
    }
}

qint64 CHistoryRecorder::NoteIdOf(quint64 nSend) const
{
    const auto it = m_sends.constFind(nSend);
    if (it != m_sends.cend())
        return it->nId;
    for (const auto& [nFinished, nId] : m_finishedSends) {
        if (nFinished == nSend)
            return nId;
    }
    return 0;
}
