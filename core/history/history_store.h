#pragma once

#include "core/history/history_note.h"

#include <QByteArray>
#include <QSqlQuery>
#include <QString>

#include <optional>
#include <vector>

class CHistoryDatabase;
struct CNoteRecord;

// The history's operations on an open database: recording received, sent and
// file notes, listing and searching them, deleting and dropping old ones.
// Each call is its own transaction unless a batch is open (Begin / Commit).
// Failures return false, 0 or nothing, with the reason in *pstrError.
class CHistoryStore
{
public:
    explicit CHistoryStore(CHistoryDatabase& database);
    ~CHistoryStore();
    CHistoryStore(const CHistoryStore&) = delete;
    CHistoryStore& operator=(const CHistoryStore&) = delete;

    // A note's fields as parsed from its tagged text (and the text itself when
    // the fields do not give it back byte for byte).
    static CHistoryNote NoteOfText(const QByteArray& strText);
    // The tagged text the fields make: with the sender's address appended for
    // a received note, as the note server hands it on.
    static QByteArray RawOf(const CHistoryNote& note, EHistoryDirection eDirection);

    // A received note: its text as the note server hands it on (the sender's
    // address appended) and the count it acknowledged. The new note's id.
    qint64 RecordReceived(const QByteArray& strText, qint64 nCount, qint64 nTime,
                          QString* pstrError);
    // A note sent, with its recipients (their results usually still pending).
    qint64 RecordSent(const CHistoryNote& note, QString* pstrError);
    bool SetRecipientResult(qint64 nId, int nIndex, const CHistoryRecipient& recipient,
                            QString* pstrError);
    // A note opened from, saved to or imported from a file, at the time the
    // note itself gives (else nTime); a note already kept from that file with
    // the same fields is not kept twice (its id returned, *pbAdded false).
    qint64 RecordFile(const CNoteRecord& record, EHistoryDirection eDirection,
                      const QString& strPath, qint64 nTime, QString* pstrError,
                      bool* pbAdded = nullptr);
    // The time of a note's time text ("dd.MM.yy  HH:mm:ss"), if it is one.
    static std::optional<qint64> NoteTime(const QByteArray& strTime);

    // Listing, newest first. A search indexes a few thousand notes that wait
    // first; what waits beyond is found once indexed (IndexAll).
    std::optional<std::vector<CHistoryRow>> Find(const CHistoryFilter& filter, QString* pstrError);
    std::optional<CHistoryNote> Get(qint64 nId, QString* pstrError);
    bool Delete(const std::vector<qint64>& ids, QString* pstrError);
    // The number of the note kept last (0: none, or on failure): a cheap way
    // to see whether another process kept one.
    qint64 LastId();

    // Adds up to nMax recorded notes to the search index; the number still
    // waiting, or -1 on failure.
    qint64 IndexPending(qint64 nMax, QString* pstrError);
    // Drops the notes kept before the time (when given) and then the oldest
    // until the file holds at most nMaxBytes (0: no bound). How many were
    // dropped, or -1. (At once: the parts below do it a step at a time.)
    qint64 Prune(std::optional<qint64> before, qint64 nMaxBytes, QString* pstrError);
    // Drops at most nAtMost of the notes kept before the time (fewer when they
    // are large); how many, or -1.
    qint64 DropBefore(qint64 nTime, qint64 nAtMost, QString* pstrError);
    // Drops at most the nCount oldest notes (fewer when they are large); how
    // many, or -1.
    qint64 DropOldest(qint64 nCount, QString* pstrError);
    // How many of the oldest notes must go for the file to keep within
    // nMaxBytes (0: no bound), or -1.
    qint64 ExcessNotes(qint64 nMaxBytes, QString* pstrError);
    // Gives the room of dropped notes back to the disk, at most nPages pages
    // of it; the pages still to give back.
    qint64 Compact(qint64 nPages);
    // The bytes the kept notes take in the file.
    qint64 UsedBytes(QString* pstrError = nullptr);

    // Indexes everything recorded; false on failure.
    bool IndexAll(QString* pstrError);

    // A batch: everything between is one transaction (bulk imports).
    bool Begin(QString* pstrError);
    bool Commit(QString* pstrError);

    // Whether the last failure was the disk (or the file's bound) being full.
    bool LastFailureWasFull() const { return m_bFull; }
    // Whether it found the file damaged.
    bool LastFailureWasDamage() const { return m_bDamaged; }
    // Forgets what it prepared on the connection (before the file is replaced).
    void Reset() { m_insert.reset(); }

    // The text search expression for the words of strSearch: each word quoted,
    // so that nothing a user types is read as query syntax; the last also
    // matched as the start of words when it has three characters or more.
    // Empty when strSearch has no word.
    static QString MatchExpression(const QString& strSearch);

private:
    class CWrite;

    bool Fail(const QSqlQuery& query, QString* pstrError);
    bool Run(QSqlQuery& query, QString* pstrError);
    qint64 Insert(const CHistoryNote& note, QString* pstrError);
    // The last of a batch of notes after nAfter and below nBelow: at most
    // nMax, and of large ones only a few; 0 when there are none, -1 on failure.
    qint64 BatchEnd(qint64 nAfter, qint64 nBelow, qint64 nMax, QString* pstrError);
    // Drops a batch of the oldest notes below nBelow; how many, or -1.
    qint64 DropUpTo(qint64 nBelow, qint64 nAtMost, QString* pstrError);

    CHistoryDatabase& m_database;
    std::optional<QSqlQuery> m_insert;
    bool m_bInBatch = false;
    bool m_bFull = false;
    bool m_bDamaged = false;
};
