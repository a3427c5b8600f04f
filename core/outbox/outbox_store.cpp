#include "core/outbox/outbox_store.h"

#include "core/history/history_database.h"
#include "core/history/history_note.h"
#include "core/text/code_page.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

bool Fail(const QSqlQuery& query, QString* pstrError)
{
    if (pstrError) {
        const QSqlError error = query.lastError();
        *pstrError = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    }
    return false;
}

// The result the history shows for a recipient of a note in that state.
ERecipientResult ResultOf(EOutboxState eState)
{
    switch (eState) {
    case EOutboxState::Waiting:
        return ERecipientResult::Waiting;
    case EOutboxState::Unknown:
        return ERecipientResult::Unknown;
    case EOutboxState::Delivered:
        return ERecipientResult::Delivered;
    case EOutboxState::GivenUp:
        return ERecipientResult::GivenUp;
    case EOutboxState::Cancelled:
        break;
    }
    return ERecipientResult::Cancelled;
}

bool IsFinished(EOutboxState eState)
{
    return eState != EOutboxState::Waiting && eState != EOutboxState::Unknown;
}

} // namespace

COutboxStore::COutboxStore(CHistoryDatabase& database) : m_database(database) {}

QString COutboxStore::EndedWhileSendingText()
{
    return QStringLiteral("Blipnote ended while the note was going out");
}

qint64 COutboxStore::Add(const COutboxEntry& entry, const QByteArray& strText, QString* pstrError)
{
    QSqlDatabase database = m_database.Connection();
    if (!database.transaction()) {
        if (pstrError)
            *pstrError = database.lastError().text();
        return 0;
    }
    QSqlQuery query(database);
    query.prepare(QStringLiteral(
        "INSERT INTO outbox(note_id, seq, address, text, first_line, state, attempts, next_time,"
        " reason, queued, give_up) VALUES(?, ?, coalesce(?, x''), coalesce(?, x''), ?, ?, ?, ?,"
        " ?, ?, ?)"));
    query.addBindValue(entry.nNoteId);
    query.addBindValue(entry.nSeq);
    query.addBindValue(entry.strAddress);
    query.addBindValue(strText);
    query.addBindValue(CodePage::ToUnicode(entry.strFirstLine));
    query.addBindValue(static_cast<int>(entry.eState));
    query.addBindValue(entry.nAttempts);
    query.addBindValue(entry.nNextTime);
    query.addBindValue(entry.strReason);
    query.addBindValue(entry.nQueued);
    query.addBindValue(entry.nGiveUp);
    if (!query.exec()) {
        Fail(query, pstrError);
        database.rollback();
        return 0;
    }
    const qint64 nId = query.lastInsertId().toLongLong();
    query.finish();
    query.prepare(QStringLiteral("UPDATE recipients SET result = ? WHERE note_id = ? AND seq = ?"));
    query.addBindValue(static_cast<int>(ResultOf(entry.eState)));
    query.addBindValue(entry.nNoteId);
    query.addBindValue(entry.nSeq);
    if (!query.exec() || !database.commit()) {
        Fail(query, pstrError);
        database.rollback();
        return 0;
    }
    return nId;
}

std::optional<std::vector<COutboxEntry>> COutboxStore::Unfinished(QString* pstrError,
                                                                  bool* pbDamaged)
{
    const auto Failed = [&](const QSqlQuery& query) {
        if (pbDamaged)
            *pbDamaged = CHistoryDatabase::IsDamageError(query.lastError());
        return Fail(query, pstrError);
    };
    QSqlQuery query(m_database.Connection());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral(
            "SELECT id, note_id, seq, address, first_line, state, attempts, next_time, reason,"
            " queued, give_up FROM outbox WHERE state IN (0, 1) ORDER BY id"))) {
        Failed(query);
        return std::nullopt;
    }
    std::vector<COutboxEntry> entries;
    while (query.next()) {
        COutboxEntry& entry = entries.emplace_back();
        entry.nId = query.value(0).toLongLong();
        entry.nNoteId = query.value(1).toLongLong();
        entry.nSeq = query.value(2).toInt();
        entry.strAddress = query.value(3).toByteArray();
        entry.strFirstLine = CodePage::FromUnicode(query.value(4).toString());
        entry.eState = static_cast<EOutboxState>(query.value(5).toInt());
        entry.nAttempts = query.value(6).toInt();
        entry.nNextTime = query.value(7).toLongLong();
        entry.strReason = query.value(8).toString();
        entry.nQueued = query.value(9).toLongLong();
        entry.nGiveUp = query.value(10).toLongLong();
    }
    // Damage found part way through ends the rows early: not all of them.
    if (query.lastError().isValid()) {
        Failed(query);
        return std::nullopt;
    }
    return entries;
}

std::optional<QByteArray> COutboxStore::Text(qint64 nId, QString* pstrError)
{
    QSqlQuery query(m_database.Connection());
    query.prepare(QStringLiteral("SELECT text FROM outbox WHERE id = ?"));
    query.addBindValue(nId);
    if (!query.exec()) {
        Fail(query, pstrError);
        return std::nullopt;
    }
    if (!query.next()) {
        if (pstrError)
            *pstrError = QStringLiteral("the note is no longer in the outbox");
        return std::nullopt;
    }
    return query.value(0).toByteArray();
}

bool COutboxStore::Update(const COutboxEntry& entry, QString* pstrError, qint64 nSent,
                          qint64 nAcknowledged)
{
    QSqlDatabase database = m_database.Connection();
    if (!database.transaction()) {
        if (pstrError)
            *pstrError = database.lastError().text();
        return false;
    }
    QSqlQuery query(database);
    query.prepare(
        QStringLiteral("UPDATE outbox SET state = ?, attempts = ?, next_time = ?, reason = ?,"
                       " text = CASE WHEN ? THEN x'' ELSE text END WHERE id = ?"));
    query.addBindValue(static_cast<int>(entry.eState));
    query.addBindValue(entry.nAttempts);
    query.addBindValue(entry.nNextTime);
    query.addBindValue(entry.strReason);
    query.addBindValue(IsFinished(entry.eState) ? 1 : 0);
    query.addBindValue(entry.nId);
    bool bDone = query.exec();
    if (bDone) {
        query.finish();
        query.prepare(QStringLiteral(
            "UPDATE recipients SET result = ?, sent = CASE WHEN ? THEN ? ELSE sent END,"
            " acknowledged = CASE WHEN ? THEN ? ELSE acknowledged END"
            " WHERE note_id = ? AND seq = ?"));
        const bool bDelivered = entry.eState == EOutboxState::Delivered;
        query.addBindValue(static_cast<int>(ResultOf(entry.eState)));
        query.addBindValue(bDelivered ? 1 : 0);
        query.addBindValue(nSent);
        query.addBindValue(bDelivered ? 1 : 0);
        query.addBindValue(nAcknowledged);
        query.addBindValue(entry.nNoteId);
        query.addBindValue(entry.nSeq);
        bDone = query.exec();
    }
    if (!bDone || !database.commit()) {
        Fail(query, pstrError);
        database.rollback();
        return false;
    }
    return true;
}

bool COutboxStore::MarkGoingOut(qint64 nId, QString* pstrError)
{
    QSqlQuery query(m_database.Connection());
    query.prepare(QStringLiteral("UPDATE outbox SET state = 1, reason = ? WHERE id = ?"));
    query.addBindValue(EndedWhileSendingText());
    query.addBindValue(nId);
    return query.exec() || Fail(query, pstrError);
}
