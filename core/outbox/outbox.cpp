#include "core/outbox/outbox.h"

#include "core/messaging/send_note_job.h"
#include "core/notes/tagged_text.h"

#include <QDateTime>
#include <QRandomGenerator>

#include <algorithm>
#include <climits>

namespace {

constexpr qint64 kDayMs = qint64(24) * 3600 * 1000;
// The timer is set at most this far ahead (the clock may be changed meanwhile).
constexpr qint64 kLongestSleep = qint64(3600) * 1000;

// The last line of an error box's text: what it says of this note.
QString OneLine(const QString& strError)
{
    const QStringList lines = strError.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return lines.isEmpty() ? QString() : lines.last().trimmed();
}

// The first line of the note's text that holds anything.
QByteArray FirstLineOf(const QByteArray& strText)
{
    const QByteArray strBody = TaggedText::ParseView(strText).body.toByteArray();
    for (const QByteArray& strLine : strBody.split('\n')) {
        const QByteArray strTrimmed = strLine.trimmed();
        if (!strTrimmed.isEmpty())
            return strTrimmed.left(200);
    }
    return QByteArray();
}

} // namespace

COutbox::COutbox(CHistoryDatabase* pDatabase, CTuning tuning, CClock clock, QObject* pParent)
    : QObject(pParent), m_pStore(pDatabase ? std::make_unique<COutboxStore>(*pDatabase) : nullptr),
      m_tuning(tuning), m_clock(std::move(clock))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        ++m_nWakeups;
        TryDue();
    });
}

COutbox::~COutbox()
{
    // Tries under way end quietly; what they left stays in the file.
    for (CSendNoteJob* pJob : std::as_const(m_jobs)) {
        pJob->disconnect(this);
        delete pJob;
    }
}

qint64 COutbox::Now() const
{
    return m_clock ? m_clock() : QDateTime::currentMSecsSinceEpoch();
}

bool COutbox::Open(QString* pstrError, bool* pbDamaged)
{
    if (!m_pStore)
        return true;
    std::optional<std::vector<COutboxEntry>> entries = m_pStore->Unfinished(pstrError, pbDamaged);
    if (!entries)
        return false;
    for (COutboxEntry& entry : *entries)
        m_entries[entry.nId] = std::move(entry);
    Q_EMIT Changed();
    TryDue();
    return true;
}

std::chrono::milliseconds COutbox::Gap(int nAttempts) const
{
    qint64 nGap = m_tuning.firstGap.count();
    for (int n = 1; n < nAttempts && nGap < m_tuning.maxGap.count(); ++n)
        nGap *= 2;
    return std::chrono::milliseconds(std::min<qint64>(nGap, m_tuning.maxGap.count()));
}

qint64 COutbox::NextGap(int nAttempts) const
{
    const qint64 nGap = Gap(nAttempts).count();
    const auto nJitter = static_cast<qint64>(double(nGap) * m_tuning.dJitter);
    if (nJitter <= 0)
        return nGap;
    return nGap - nJitter + QRandomGenerator::global()->bounded(2 * nJitter + 1);
}

QByteArray COutbox::AddressKey(const QByteArray& strAddress)
{
    return strAddress.trimmed().toLower();
}

void COutbox::Keep(quint64 nSend, int nIndex, const QByteArray& strAddress,
                   const QByteArray& strText, const QString& strReason)
{
    const qint64 nNoteId = m_noteIdOfSend ? m_noteIdOfSend(nSend) : 0;
    QString strError;
    if (Queue(nNoteId, nIndex, strAddress, strText, strReason, std::nullopt, &strError) == 0)
        Q_EMIT StoreFailed(strError);
}

qint64 COutbox::Queue(qint64 nNoteId, int nSeq, const QByteArray& strAddress,
                      const QByteArray& strText, const QString& strReason,
                      std::optional<qint64> giveUpAt, QString* pstrError)
{
    if (m_entries.size() >= static_cast<std::size_t>(MaxEntries)) {
        if (pstrError)
            *pstrError = QStringLiteral("the outbox is full (%1 notes wait)").arg(MaxEntries);
        return 0;
    }
    const qint64 nNow = Now();
    COutboxEntry entry;
    entry.nNoteId = nNoteId;
    entry.nSeq = nSeq;
    entry.strAddress = strAddress;
    entry.strFirstLine = FirstLineOf(strText);
    entry.nAttempts = 1; // the send that could not connect
    entry.nNextTime = nNow + NextGap(1);
    entry.strReason = OneLine(strReason);
    entry.nQueued = nNow;
    entry.nGiveUp = giveUpAt.value_or(nNow + m_nGiveUpDays * kDayMs);
    if (m_pStore) {
        entry.nId = m_pStore->Add(entry, strText, pstrError);
        if (entry.nId == 0)
            return 0;
    } else {
        entry.nId = ++m_nLastMemoryId;
        m_texts.insert(entry.nId, strText);
    }
    const qint64 nId = entry.nId;
    m_entries[nId] = std::move(entry);
    Q_EMIT Queued(nId);
    Q_EMIT Changed();
    Arm();
    return nId;
}

std::vector<COutboxEntry> COutbox::Entries() const
{
    std::vector<COutboxEntry> entries;
    entries.reserve(m_entries.size());
    for (const auto& [nId, entry] : m_entries)
        entries.push_back(entry);
    return entries;
}

std::optional<COutboxEntry> COutbox::Entry(qint64 nId) const
{
    const auto it = m_entries.find(nId);
    if (it == m_entries.end())
        return std::nullopt;
    return it->second;
}

void COutbox::HostUp(const QByteArray& strAddress)
{
    const QByteArray strKey = AddressKey(strAddress);
    if (strKey.isEmpty())
        return;
    const qint64 nNow = Now();
    for (auto& [nId, entry] : m_entries) {
        const QByteArray strEntry = AddressKey(entry.strAddress);
        // The address as sent, or its host without the port it names.
        if (entry.eState == EOutboxState::Waiting &&
            (strEntry == strKey || strEntry.startsWith(strKey + ':')))
            entry.nNextTime = std::min(entry.nNextTime, nNow);
    }
    TryDue();
}

void COutbox::SendNow(qint64 nId)
{
    const auto it = m_entries.find(nId);
    if (it == m_entries.end() || m_jobs.contains(nId))
        return;
    it->second.eState = EOutboxState::Waiting;
    it->second.nNextTime = Now();
    Store(it->second);
    Q_EMIT Changed();
    TryDue();
}

void COutbox::Cancel(qint64 nId)
{
    if (!m_entries.contains(nId))
        return;
    if (CSendNoteJob* pJob = m_jobs.take(nId)) {
        pJob->disconnect(this);
        pJob->deleteLater();
        m_busyAddresses.remove(AddressKey(m_entries[nId].strAddress));
    }
    Finish(nId, EOutboxState::Cancelled, QStringLiteral("cancelled"));
    TryDue();
}

void COutbox::TryDue()
{
    const qint64 nNow = Now();
    std::vector<qint64> giveUp;
    std::vector<std::pair<qint64, qint64>> due; // time, id
    for (const auto& [nId, entry] : m_entries) {
        if (entry.eState != EOutboxState::Waiting || m_jobs.contains(nId))
            continue;
        if (nNow >= entry.nGiveUp)
            giveUp.push_back(nId);
        else if (entry.nNextTime <= nNow)
            due.emplace_back(entry.nNextTime, nId);
    }
    for (const qint64 nId : giveUp)
        Finish(nId, EOutboxState::GivenUp, QString()); // the last reason stays
    std::sort(due.begin(), due.end());
    for (const auto& [nTime, nId] : due) {
        if (InFlight() >= m_tuning.nMaxInFlight)
            break;
        // (A try that ended at once may have changed the list meanwhile.)
        const auto it = m_entries.find(nId);
        if (it != m_entries.end() && it->second.eState == EOutboxState::Waiting &&
            !m_jobs.contains(nId) && !m_busyAddresses.contains(AddressKey(it->second.strAddress)))
            Start(it->second);
    }
    Arm();
}

void COutbox::Arm()
{
    // Wakes for the next note due whose try can start then: one whose address
    // is being tried, or that waits for a free connection, is looked at again
    // when a try ends.
    const qint64 nNow = Now();
    qint64 nNext = LLONG_MAX;
    for (const auto& [nId, entry] : m_entries) {
        if (entry.eState != EOutboxState::Waiting || m_jobs.contains(nId) ||
            m_busyAddresses.contains(AddressKey(entry.strAddress)))
            continue;
        const qint64 nAt = std::min(entry.nNextTime, entry.nGiveUp);
        if (nAt > nNow || InFlight() < m_tuning.nMaxInFlight)
            nNext = std::min(nNext, nAt);
    }
    if (nNext == LLONG_MAX) {
        m_timer.stop();
        return;
    }
    m_timer.start(std::chrono::milliseconds(std::clamp<qint64>(nNext - nNow, 0, kLongestSleep)));
}

void COutbox::Start(COutboxEntry& entry)
{
    const qint64 nId = entry.nId;
    QString strError;
    std::optional<QByteArray> text;
    if (m_pStore)
        text = m_pStore->Text(nId, &strError);
    else
        text = m_texts.value(nId);
    if (!text) {
        // Nothing to send: another program took it out of the file.
        Finish(nId, EOutboxState::GivenUp, strError);
        return;
    }
    ++m_nAttempts;
    ++entry.nAttempts;
    const qint64 nSent = text->size();
    CSendJobInput input{
        entry.strAddress, std::move(*text),         m_nPort, m_tuning.replyTimeLimit, false,
        nullptr,          m_tuning.connectTimeLimit};
    auto* pJob = new CSendNoteJob(std::move(input), m_quietSink, this);
    m_jobs.insert(nId, pJob);
    m_busyAddresses.insert(AddressKey(entry.strAddress));
    connect(pJob, &CSendNoteJob::Connected, this, [this, nId] {
        if (m_pStore)
            m_pStore->MarkGoingOut(nId, nullptr);
    });
    connect(pJob, &CSendNoteJob::Finished, this,
            [this, nId, pJob, nSent](const QByteArray&, int nResult, const QString& strError) {
                OnAttemptFinished(nId, nResult, strError, pJob->Acknowledged(), nSent);
            });
    Q_EMIT Changed();
    pJob->Start();
}

void COutbox::OnAttemptFinished(qint64 nId, int nResult, const QString& strError,
                                qint64 nAcknowledged, qint64 nSent)
{
    if (CSendNoteJob* pJob = m_jobs.take(nId))
        pJob->deleteLater();
    const auto it = m_entries.find(nId);
    if (it == m_entries.end())
        return;
    COutboxEntry& entry = it->second;
    m_busyAddresses.remove(AddressKey(entry.strAddress));
    switch (nResult) {
    case CSendNoteJob::Delivered:
        Finish(nId, EOutboxState::Delivered, QStringLiteral("delivered"), nSent, nAcknowledged);
        break;
    case CSendNoteJob::NotConnected:
    case CSendNoteJob::SocketNotCreated:
        // Nothing of it went out: tried again after a longer gap.
        entry.strReason = OneLine(strError);
        entry.nNextTime = Now() + NextGap(entry.nAttempts);
        Store(entry);
        Q_EMIT Changed();
        break;
    default:
        // The bytes went: it may have arrived.
        entry.eState = EOutboxState::Unknown;
        entry.strReason = OneLine(strError);
        Store(entry);
        Q_EMIT Changed();
        Q_EMIT EntryFinished(nId, EOutboxState::Unknown, entry.strReason);
        break;
    }
    TryDue();
}

void COutbox::Finish(qint64 nId, EOutboxState eState, const QString& strReason, qint64 nSent,
                     qint64 nAcknowledged)
{
    const auto it = m_entries.find(nId);
    if (it == m_entries.end())
        return;
    COutboxEntry entry = std::move(it->second);
    m_entries.erase(it);
    m_texts.remove(nId);
    entry.eState = eState;
    if (!strReason.isEmpty())
        entry.strReason = strReason;
    Store(entry, nSent, nAcknowledged);
    Q_EMIT Changed();
    Q_EMIT EntryFinished(nId, eState, entry.strReason);
}

void COutbox::Store(const COutboxEntry& entry, qint64 nSent, qint64 nAcknowledged)
{
    QString strError;
    if (m_pStore && !m_pStore->Update(entry, &strError, nSent, nAcknowledged))
        Q_EMIT StoreFailed(strError);
}
