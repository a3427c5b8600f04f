#include "core/history/history_store.h"

#include "core/history/history_database.h"
#include "core/notes/note_record.h"
#include "core/notes/recipient_list.h"
#include "core/notes/tagged_text.h"
#include "core/text/code_page.h"

#include <QDateTime>
#include <QSqlError>
#include <QVariant>

#include <algorithm>
#include <limits>

namespace {

// SQLite's code for a full disk (or a file at its bound).
constexpr int kFull = 13;
// Characters of the body a listing reads to find its first line.
constexpr int kFirstLineChars = 160;
// Characters of text indexed or dropped at most in one batch.
constexpr qint64 kBatchChars = 256 * 1024;
// Above every note's number.
constexpr qint64 kNoId = std::numeric_limits<qint64>::max();
// Notes indexed at most before a search.
constexpr qint64 kIndexBeforeSearch = 5000;
// Notes deleted in one statement while pruning.
constexpr int kPruneChunk = 1000;

QString Text(QByteArrayView bytes)
{
    return CodePage::ToUnicode(bytes.toByteArray());
}

QByteArray Bytes(const QVariant& value)
{
    return CodePage::FromUnicode(value.toString());
}

QByteArray FirstLine(const QString& strStart)
{
    // The first line that holds anything: a note may begin with empty ones.
    const auto isBreak = [](QChar ch) {
        return ch == QLatin1Char('\r') || ch == QLatin1Char('\n');
    };
    const auto start = std::find_if_not(strStart.begin(), strStart.end(), isBreak);
    const auto end = std::find_if(start, strStart.end(), isBreak);
    return CodePage::FromUnicode(QStringView(start, end).toString());
}

const QString kInsert = QStringLiteral(
    "INSERT INTO notes(time, direction, origin, host, nickname, subject, body, system,"
    " priority, note_time, raw, bytes, file, size) VALUES(?, ?, ?, coalesce(?, x''),"
    " coalesce(?, ''), coalesce(?, ''), coalesce(?, ''), coalesce(?, ''), ?, coalesce(?, x''),"
    " coalesce(?, x''), ?, coalesce(?, ''), ?)");

const QString kRowColumns =
    QStringLiteral("n.id, n.time, n.direction, n.origin, n.host, n.nickname, substr(n.body, 1, %1),"
                   " n.priority, n.bytes,"
                   " (SELECT count(*) FROM recipients r WHERE r.note_id = n.id),"
                   " (SELECT count(*) FROM recipients r WHERE r.note_id = n.id AND r.result = 1),"
                   " (SELECT count(*) FROM recipients r WHERE r.note_id = n.id AND r.result = 0),"
                   " (SELECT group_concat(CAST(r.address AS TEXT) || ': ' || CASE r.result"
                   "  WHEN 1 THEN 'delivered' WHEN 2 THEN 'failed' WHEN 3 THEN 'size mismatch'"
                   "  WHEN 4 THEN 'waiting in the outbox' WHEN 5 THEN 'unknown'"
                   "  WHEN 6 THEN 'given up' WHEN 7 THEN 'cancelled'"
                   "  ELSE 'pending' END, char(10)) FROM recipients r WHERE r.note_id = n.id),"
                   " (SELECT count(*) FROM recipients r WHERE r.note_id = n.id"
                   "  AND r.result IN (4, 5))");

} // namespace

CHistoryStore::CHistoryStore(CHistoryDatabase& database) : m_database(database) {}

CHistoryStore::~CHistoryStore() = default;

bool CHistoryStore::Fail(const QSqlQuery& query, QString* pstrError)
{
    const QSqlError error = query.lastError();
    m_bFull = (error.nativeErrorCode().toInt() & 0xff) == kFull;
    m_bDamaged = CHistoryDatabase::IsDamageError(error);
    if (pstrError)
        *pstrError = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return false;
}

bool CHistoryStore::Run(QSqlQuery& query, QString* pstrError)
{
    if (!query.exec())
        return Fail(query, pstrError);
    m_bFull = false;
    m_bDamaged = false;
    return true;
}

bool CHistoryStore::Begin(QString* pstrError)
{
    // Taken for writing at once: a transaction that reads first and writes
    // later could find another process's write in between and fail.
    QSqlQuery query(m_database.Connection());
    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return Fail(query, pstrError);
    m_bInBatch = true;
    return true;
}

bool CHistoryStore::Commit(QString* pstrError)
{
    m_bInBatch = false;
    QSqlQuery query(m_database.Connection());
    if (query.exec(QStringLiteral("COMMIT")))
        return true;
    Fail(query, pstrError);
    query.exec(QStringLiteral("ROLLBACK"));
    return false;
}

// One write: its own transaction, or part of the open batch.
class CHistoryStore::CWrite
{
public:
    CWrite(CHistoryStore& store, QString* pstrError)
        : m_store(store), m_bOwn(!store.m_bInBatch), m_bOpen(!m_bOwn || store.Begin(pstrError))
    {}
    ~CWrite()
    {
        if (m_bOwn && m_store.m_bInBatch) {
            m_store.m_bInBatch = false;
            QSqlQuery(m_store.m_database.Connection()).exec(QStringLiteral("ROLLBACK"));
        }
    }
    bool Open() const { return m_bOpen; }
    bool Commit(QString* pstrError) { return !m_bOwn || m_store.Commit(pstrError); }

private:
    CHistoryStore& m_store;
    bool m_bOwn;
    bool m_bOpen;
};

qint64 CHistoryStore::Insert(const CHistoryNote& note, QString* pstrError)
{
    if (!m_insert) {
        m_insert.emplace(m_database.Connection());
        if (!m_insert->prepare(kInsert)) {
            Fail(*m_insert, pstrError);
            m_insert.reset();
            return 0;
        }
    }
    QSqlQuery& query = *m_insert;
    query.addBindValue(note.nTime);
    query.addBindValue(static_cast<int>(note.eDirection));
    query.addBindValue(static_cast<int>(note.eOrigin));
    query.addBindValue(note.strHost);
    query.addBindValue(Text(note.strNickname));
    query.addBindValue(Text(note.strSubject));
    query.addBindValue(Text(note.strBody));
    query.addBindValue(Text(note.strSystem));
    query.addBindValue(note.nPriority);
    query.addBindValue(note.strNoteTime);
    query.addBindValue(note.strRaw);
    query.addBindValue(note.nBytes);
    query.addBindValue(note.strFile);
    query.addBindValue(note.strBody.size() + note.strRaw.size());
    if (!Run(query, pstrError))
        return 0;
    const qint64 nId = query.lastInsertId().toLongLong();
    query.finish();
    return nId;
}

CHistoryNote CHistoryStore::NoteOfText(const QByteArray& strText)
{
    const TaggedText::CParsedNoteView parsed = TaggedText::ParseView(strText);
    CHistoryNote note;
    note.strHost = parsed.address.toByteArray();
    note.strNickname = parsed.nickname.toByteArray();
    note.strSubject = parsed.title.toByteArray();
    note.strBody = parsed.body.toByteArray();
    note.strSystem = parsed.system.toByteArray();
    note.nPriority = parsed.nPriority;
    // The bytes as they came are kept only where the fields do not give them
    // back exactly: a note is not written twice.
    if (strText !=
        RawOf(note, parsed.address.isEmpty() ? EHistoryDirection::Out : EHistoryDirection::In))
        note.strRaw = strText;
    return note;
}

QByteArray CHistoryStore::RawOf(const CHistoryNote& note, EHistoryDirection eDirection)
{
    const TaggedText::CComposeFields fields{note.strNickname, note.strBody, note.strSystem,
                                            note.strSubject, note.nPriority};
    return eDirection == EHistoryDirection::In
               ? TaggedText::ComposeWithAddress(fields, note.strHost)
               : TaggedText::Compose(fields);
}

qint64 CHistoryStore::RecordReceived(const QByteArray& strText, qint64 nCount, qint64 nTime,
                                     QString* pstrError)
{
    CHistoryNote note = NoteOfText(strText);
    note.nTime = nTime;
    note.nBytes = nCount;
    // One statement is one transaction of its own: nothing to open around it.
    return Insert(note, pstrError);
}

qint64 CHistoryStore::RecordSent(const CHistoryNote& note, QString* pstrError)
{
    CWrite write(*this, pstrError);
    if (!write.Open())
        return 0;
    const qint64 nId = Insert(note, pstrError);
    if (nId == 0)
        return 0;
    QSqlQuery query(m_database.Connection());
    query.prepare(QStringLiteral("INSERT INTO recipients VALUES(?, ?, coalesce(?, x''), ?, ?, ?)"));
    for (std::size_t n = 0; n < note.recipients.size(); ++n) {
        const CHistoryRecipient& recipient = note.recipients[n];
        query.addBindValue(nId);
        query.addBindValue(static_cast<qint64>(n));
        query.addBindValue(recipient.strAddress);
        query.addBindValue(static_cast<int>(recipient.eResult));
        query.addBindValue(recipient.nSent);
        query.addBindValue(recipient.nAcknowledged);
        if (!Run(query, pstrError))
            return 0;
    }
    return write.Commit(pstrError) ? nId : 0;
}

bool CHistoryStore::SetRecipientResult(qint64 nId, int nIndex, const CHistoryRecipient& recipient,
                                       QString* pstrError)
{
    QSqlQuery query(m_database.Connection());
    query.prepare(QStringLiteral("UPDATE recipients SET result = ?, sent = ?, acknowledged = ?"
                                 " WHERE note_id = ? AND seq = ?"));
    query.addBindValue(static_cast<int>(recipient.eResult));
    query.addBindValue(recipient.nSent);
    query.addBindValue(recipient.nAcknowledged);
    query.addBindValue(nId);
    query.addBindValue(nIndex);
    return Run(query, pstrError);
}

qint64 CHistoryStore::RecordFile(const CNoteRecord& record, EHistoryDirection eDirection,
                                 const QString& strPath, qint64 nTime, QString* pstrError,
                                 bool* pbAdded)
{
    if (pbAdded)
        *pbAdded = false;
    CWrite write(*this, pstrError);
    if (!write.Open())
        return 0;
    QSqlQuery query(m_database.Connection());
    query.prepare(QStringLiteral(
        "SELECT id FROM notes WHERE origin = 1 AND file = ? AND direction = ? AND note_time = ?"
        " AND nickname = ? AND subject = ? AND body = ? LIMIT 1"));
    query.addBindValue(strPath);
    query.addBindValue(static_cast<int>(eDirection));
    query.addBindValue(record.m_strTime);
    query.addBindValue(Text(record.m_strNickname));
    query.addBindValue(Text(record.m_strSubject));
    query.addBindValue(Text(record.m_strBody));
    if (!Run(query, pstrError))
        return 0;
    if (query.next())
        return query.value(0).toLongLong();
    query.finish();
    CHistoryNote note;
    note.nTime = NoteTime(record.m_strTime).value_or(nTime);
    note.eDirection = eDirection;
    note.eOrigin = EHistoryOrigin::File;
    // An outgoing note holds its recipients as a list: shown as addresses.
    const QList<QByteArray> recipients = eDirection == EHistoryDirection::Out
                                             ? RecipientList::Addresses(record.m_strAddress)
                                             : QList<QByteArray>();
    note.strHost = recipients.isEmpty() ? record.m_strAddress : recipients.join(", ");
    note.strNickname = record.m_strNickname;
    note.strSubject = record.m_strSubject;
    note.strBody = record.m_strBody;
    note.strSystem = record.m_strSystem;
    note.nPriority = record.m_nPriority;
    note.strNoteTime = record.m_strTime;
    note.strFile = strPath;
    const qint64 nId = Insert(note, pstrError);
    if (nId == 0 || !write.Commit(pstrError))
        return 0;
    if (pbAdded)
        *pbAdded = true;
    return nId;
}

std::optional<qint64> CHistoryStore::NoteTime(const QByteArray& strTime)
{
    // "dd.MM.yy  HH:mm:ss", in local time, of this century.
    QDateTime time =
        QDateTime::fromString(QString::fromLatin1(strTime), QStringLiteral("dd.MM.yy  HH:mm:ss"));
    if (!time.isValid())
        return std::nullopt;
    if (time.date().year() < 2000)
        time = time.addYears(100);
    return time.toMSecsSinceEpoch();
}

QString CHistoryStore::MatchExpression(const QString& strSearch)
{
    QStringList words;
    for (const QString& strWord :
         strSearch.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        // A word of nothing but signs finds nothing in the index: it is left out
        // rather than making every search fail.
        if (std::none_of(strWord.begin(), strWord.end(),
                         [](QChar ch) { return ch.isLetterOrNumber(); }))
            continue;
        QString strQuoted = strWord;
        strQuoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
        words.append(QLatin1Char('"') + strQuoted + QLatin1Char('"'));
    }
    // The last word is the one being typed: it also finds longer words it
    // begins, once it has the three letters their index is kept by.
    if (!words.isEmpty() && words.last().size() >= 5)
        words.last() += QLatin1Char('*');
    return words.join(QLatin1Char(' '));
}

bool CHistoryStore::IndexAll(QString* pstrError)
{
    qint64 nLeft = 0;
    do
        nLeft = IndexPending(10000, pstrError);
    while (nLeft > 0);
    return nLeft == 0;
}

std::optional<std::vector<CHistoryRow>> CHistoryStore::Find(const CHistoryFilter& filter,
                                                            QString* pstrError)
{
    const QString strMatch = MatchExpression(filter.strSearch);
    // What was recorded last is made searchable first, up to a bound that keeps
    // a search quick; the rest follows behind (IndexPending, IndexAll).
    if (!strMatch.isEmpty() && IndexPending(kIndexBeforeSearch, pstrError) < 0)
        return std::nullopt;
    QStringList conditions;
    QVariantList values;
    QString strFrom = QStringLiteral("notes n");
    QString strOrder = QStringLiteral("n.id");
    if (!strMatch.isEmpty()) {
        // Driven by the index, which yields its notes newest first and stops
        // at the limit.
        strFrom = QStringLiteral("notes_text JOIN notes n ON n.id = notes_text.rowid");
        strOrder = QStringLiteral("notes_text.rowid");
        conditions << QStringLiteral("notes_text MATCH ?");
        values << strMatch;
    }
    if (filter.nBeforeId > 0) {
        conditions << strOrder + QStringLiteral(" < ?");
        values << filter.nBeforeId;
    }
    if (filter.direction) {
        conditions << QStringLiteral("n.direction = ?");
        values << static_cast<int>(*filter.direction);
    }
    if (filter.since) {
        conditions << QStringLiteral("n.time >= ?");
        values << *filter.since;
    }
    if (!filter.strHost.isEmpty()) {
        conditions << QStringLiteral(
            "(n.host = ? OR n.id IN (SELECT note_id FROM recipients WHERE address = ?))");
        values << filter.strHost << filter.strHost;
    }
    QString strSql = QStringLiteral("SELECT ") + kRowColumns.arg(kFirstLineChars) +
                     QStringLiteral(" FROM ") + strFrom;
    if (!conditions.isEmpty())
        strSql += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    strSql += QStringLiteral(" ORDER BY %1 DESC LIMIT ?").arg(strOrder);
    values << std::max(0, filter.nLimit);

    QSqlQuery query(m_database.Connection());
    query.setForwardOnly(true);
    query.prepare(strSql);
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!Run(query, pstrError))
        return std::nullopt;
    std::vector<CHistoryRow> rows;
    while (query.next()) {
        CHistoryRow& row = rows.emplace_back();
        row.nId = query.value(0).toLongLong();
        row.nTime = query.value(1).toLongLong();
        row.eDirection = static_cast<EHistoryDirection>(query.value(2).toInt());
        row.eOrigin = static_cast<EHistoryOrigin>(query.value(3).toInt());
        row.strHost = query.value(4).toByteArray();
        row.strNickname = Bytes(query.value(5));
        row.strFirstLine = FirstLine(query.value(6).toString());
        row.nPriority = query.value(7).toInt();
        row.nBytes = query.value(8).toLongLong();
        row.nRecipients = query.value(9).toInt();
        row.nDelivered = query.value(10).toInt();
        row.nPending = query.value(11).toInt();
        row.strResults = query.value(12).toByteArray();
        row.nWaiting = query.value(13).toInt();
    }
    if (query.lastError().isValid()) {
        Fail(query, pstrError);
        return std::nullopt;
    }
    return rows;
}

std::optional<CHistoryNote> CHistoryStore::Get(qint64 nId, QString* pstrError)
{
    QSqlQuery query(m_database.Connection());
    query.prepare(QStringLiteral(
        "SELECT id, time, direction, origin, host, nickname, subject, body, system, priority,"
        " note_time, raw, bytes, file FROM notes WHERE id = ?"));
    query.addBindValue(nId);
    if (!Run(query, pstrError))
        return std::nullopt;
    if (!query.next()) {
        if (pstrError)
            *pstrError = QStringLiteral("no such note");
        return std::nullopt;
    }
    CHistoryNote note;
    note.nId = query.value(0).toLongLong();
    note.nTime = query.value(1).toLongLong();
    note.eDirection = static_cast<EHistoryDirection>(query.value(2).toInt());
    note.eOrigin = static_cast<EHistoryOrigin>(query.value(3).toInt());
    note.strHost = query.value(4).toByteArray();
    note.strNickname = Bytes(query.value(5));
    note.strSubject = Bytes(query.value(6));
    note.strBody = Bytes(query.value(7));
    note.strSystem = Bytes(query.value(8));
    note.nPriority = query.value(9).toInt();
    note.strNoteTime = query.value(10).toByteArray();
    note.strRaw = query.value(11).toByteArray();
    note.nBytes = query.value(12).toLongLong();
    note.strFile = query.value(13).toString();
    if (note.strRaw.isEmpty() && note.eOrigin == EHistoryOrigin::Network)
        note.strRaw = RawOf(note, note.eDirection);
    query.finish();
    query.prepare(QStringLiteral("SELECT address, result, sent, acknowledged FROM recipients"
                                 " WHERE note_id = ? ORDER BY seq"));
    query.addBindValue(nId);
    if (!Run(query, pstrError))
        return std::nullopt;
    while (query.next()) {
        note.recipients.push_back({query.value(0).toByteArray(),
                                   static_cast<ERecipientResult>(query.value(1).toInt()),
                                   query.value(2).toLongLong(), query.value(3).toLongLong()});
    }
    return note;
}

bool CHistoryStore::Delete(const std::vector<qint64>& ids, QString* pstrError)
{
    CWrite write(*this, pstrError);
    if (!write.Open())
        return false;
    QSqlQuery query(m_database.Connection());
    query.prepare(QStringLiteral("DELETE FROM notes WHERE id = ?"));
    for (const qint64 nId : ids) {
        query.addBindValue(nId);
        if (!Run(query, pstrError))
            return false;
    }
    return write.Commit(pstrError);
}

qint64 CHistoryStore::LastId()
{
    QSqlQuery query(m_database.Connection());
    return query.exec(QStringLiteral("SELECT coalesce(max(id), 0) FROM notes")) && query.next()
               ? query.value(0).toLongLong()
               : 0;
}

qint64 CHistoryStore::IndexPending(qint64 nMax, QString* pstrError)
{
    // Looked at first without taking the file for writing: mostly nothing waits.
    QSqlQuery look(m_database.Connection());
    if (!look.exec(QStringLiteral("SELECT (SELECT value FROM state WHERE key = 'indexed') <"
                                  " coalesce((SELECT max(id) FROM notes), 0)")) ||
        !look.next()) {
        Fail(look, pstrError);
        return -1;
    }
    if (!look.value(0).toBool())
        return 0;
    look.finish();
    CWrite write(*this, pstrError);
    if (!write.Open())
        return -1;
    QSqlQuery query(m_database.Connection());
    if (!query.exec(QStringLiteral("SELECT value FROM state WHERE key = 'indexed'")) ||
        !query.next()) {
        Fail(query, pstrError);
        return -1;
    }
    const qint64 nIndexed = query.value(0).toLongLong();
    query.finish();
    const qint64 nUpTo = BatchEnd(nIndexed, kNoId, nMax, pstrError);
    if (nUpTo <= 0)
        return nUpTo; // nothing waits, or a failure
    query.prepare(QStringLiteral("INSERT INTO notes_text(rowid, nickname, subject, body)"
                                 " SELECT id, nickname, subject, body FROM notes"
                                 " WHERE id > ? AND id <= ?"));
    query.addBindValue(nIndexed);
    query.addBindValue(nUpTo);
    if (!Run(query, pstrError))
        return -1;
    query.prepare(QStringLiteral("UPDATE state SET value = ? WHERE key = 'indexed'"));
    query.addBindValue(nUpTo);
    if (!Run(query, pstrError))
        return -1;
    query.prepare(QStringLiteral("SELECT count(*) FROM notes WHERE id > ?"));
    query.addBindValue(nUpTo);
    if (!Run(query, pstrError) || !query.next())
        return -1;
    const qint64 nLeft = query.value(0).toLongLong();
    query.finish();
    return write.Commit(pstrError) ? nLeft : -1;
}

qint64 CHistoryStore::Compact(qint64 nPages)
{
    QSqlQuery query(m_database.Connection());
    if (!query.exec(QStringLiteral("PRAGMA freelist_count")) || !query.next())
        return 0;
    const qint64 nFree = query.value(0).toLongLong();
    query.finish();
    // Each run of the statement gives one page back (Qt runs a statement
    // without results only a step).
    const qint64 nSteps = std::min(nFree, nPages);
    query.prepare(QStringLiteral("PRAGMA incremental_vacuum"));
    for (qint64 n = 0; n < nSteps; ++n) {
        if (!query.exec())
            return 0;
    }
    return nFree - nSteps;
}

qint64 CHistoryStore::UsedBytes(QString* pstrError)
{
    // Each asked on its own: as columns of one statement they may be read
    // from before the last write.
    QSqlQuery query(m_database.Connection());
    qint64 nValues[3] = {};
    const char* const pszPragmas[] = {"PRAGMA page_count", "PRAGMA freelist_count",
                                      "PRAGMA page_size"};
    for (int n = 0; n < 3; ++n) {
        if (!query.exec(QString::fromLatin1(pszPragmas[n])) || !query.next()) {
            Fail(query, pstrError);
            return -1;
        }
        nValues[n] = query.value(0).toLongLong();
        query.finish();
    }
    return (nValues[0] - nValues[1]) * nValues[2];
}

qint64 CHistoryStore::BatchEnd(qint64 nAfter, qint64 nBelow, qint64 nMax, QString* pstrError)
{
    // Of large notes no more than a part of a megabyte of text (but always
    // one): indexing or dropping a note's words takes as long as they are
    // many, and the event loop waits meanwhile.
    QSqlQuery query(m_database.Connection());
    query.setForwardOnly(true); // read as far as needed, not further
    query.prepare(QStringLiteral("SELECT id, size FROM notes WHERE id > ? AND id < ?"
                                 " ORDER BY id LIMIT ?"));
    query.addBindValue(nAfter);
    query.addBindValue(nBelow);
    query.addBindValue(nMax);
    if (!Run(query, pstrError))
        return -1;
    qint64 nEnd = 0;
    for (qint64 nTotal = 0; query.next();) {
        nTotal += query.value(1).toLongLong();
        if (nEnd != 0 && nTotal > kBatchChars)
            break;
        nEnd = query.value(0).toLongLong();
    }
    return nEnd;
}

qint64 CHistoryStore::DropUpTo(qint64 nBelow, qint64 nAtMost, QString* pstrError)
{
    const qint64 nEnd = BatchEnd(0, nBelow, nAtMost, pstrError);
    if (nEnd <= 0)
        return nEnd;
    QSqlQuery query(m_database.Connection());
    query.prepare(QStringLiteral("DELETE FROM notes WHERE id <= ?"));
    query.addBindValue(nEnd);
    if (!Run(query, pstrError))
        return -1;
    return query.numRowsAffected();
}

qint64 CHistoryStore::DropBefore(qint64 nTime, qint64 nAtMost, QString* pstrError)
{
    // Notes are kept in the order they came, so the oldest are those of the
    // lowest numbers: deleting stops at the first note young enough to stay.
    QSqlQuery query(m_database.Connection());
    query.prepare(QStringLiteral("SELECT id FROM notes WHERE time >= ? ORDER BY id LIMIT 1"));
    query.addBindValue(nTime);
    if (!Run(query, pstrError))
        return -1;
    const qint64 nFirstKept = query.next() ? query.value(0).toLongLong() : kNoId;
    query.finish();
    return DropUpTo(nFirstKept, nAtMost, pstrError);
}

qint64 CHistoryStore::DropOldest(qint64 nCount, QString* pstrError)
{
    return DropUpTo(kNoId, nCount, pstrError);
}

qint64 CHistoryStore::ExcessNotes(qint64 nMaxBytes, QString* pstrError)
{
    // The oldest notes in proportion to the excess, down to nine tenths of the
    // bound, so that it is not met again with the next note. (The file is not
    // measured again after each step: the search index gives its room back
    // only as it merges, later.)
    const qint64 nUsed = UsedBytes(pstrError);
    if (nUsed < 0)
        return -1;
    if (nMaxBytes <= 0 || nUsed <= nMaxBytes)
        return 0;
    QSqlQuery query(m_database.Connection());
    if (!query.exec(QStringLiteral("SELECT count(*) FROM notes")) || !query.next()) {
        Fail(query, pstrError);
        return -1;
    }
    const qint64 nCount = query.value(0).toLongLong();
    const qint64 nTarget = nMaxBytes / 10 * 9;
    return (nCount * (nUsed - nTarget) + nUsed - 1) / nUsed;
}

qint64 CHistoryStore::Prune(std::optional<qint64> before, qint64 nMaxBytes, QString* pstrError)
{
    qint64 nDropped = 0;
    for (qint64 nGone = before ? 1 : 0; nGone > 0; nDropped += nGone) {
        nGone = DropBefore(*before, kPruneChunk, pstrError);
        if (nGone < 0)
            return -1;
    }
    for (qint64 nLeft = ExcessNotes(nMaxBytes, pstrError); nLeft > 0;) {
        const qint64 nGone = DropOldest(std::min<qint64>(nLeft, kPruneChunk), pstrError);
        if (nGone < 0)
            return -1;
        if (nGone == 0)
            break;
        nDropped += nGone;
        nLeft -= nGone;
    }
    while (nDropped > 0 && Compact(kPruneChunk) > 0) {
    }
    return nDropped;
}
