#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <optional>
#include <vector>

// What the history keeps of one note. Texts of the note are code-page bytes,
// as everywhere else; times are milliseconds since the epoch (UTC).
enum class EHistoryDirection
{
    In = 0,
    Out = 1,
};

// Where a kept note came from: the network (received or sent), or a note file
// that was opened, saved or imported.
enum class EHistoryOrigin
{
    Network = 0,
    File = 1,
};

// What became of a sent note at one recipient.
enum class ERecipientResult
{
    Pending = 0,
    Delivered = 1,
    // Could not connect or write, or the answer never came.
    Failed = 2,
    // Answered with another count than was sent.
    SizeMismatch = 3,
    // Could not connect: waiting in the outbox for its host.
    Waiting = 4,
    // Tried again from the outbox: the bytes went but no (or a wrong) answer
    // came; the user decides.
    Unknown = 5,
    // The outbox gave up on it after its days.
    GivenUp = 6,
    // Taken out of the outbox by the user.
    Cancelled = 7,
};

struct CHistoryRecipient
{
    QByteArray strAddress{};
    ERecipientResult eResult = ERecipientResult::Pending;
    qint64 nSent = 0;         // bytes written
    qint64 nAcknowledged = 0; // the count the recipient answered
};

struct CHistoryNote
{
    qint64 nId = 0;
    qint64 nTime = 0;
    EHistoryDirection eDirection = EHistoryDirection::In;
    EHistoryOrigin eOrigin = EHistoryOrigin::Network;
    // Received: the sender's address; sent: the recipient list as typed; a
    // file: the note's address field.
    QByteArray strHost{};
    QByteArray strNickname{};
    QByteArray strSubject{};
    QByteArray strBody{};
    QByteArray strSystem{};
    qint32 nPriority = 0;
    // The note's own time text (notes from files carry one).
    QByteArray strNoteTime{};
    // The tagged bytes as they came (received) or went (sent); empty for files.
    // (Stored only where the fields do not give them back.)
    QByteArray strRaw{};
    // Received: the count acknowledged.
    qint64 nBytes = 0;
    // The note file it was opened from or saved to, if any.
    QString strFile{};
    std::vector<CHistoryRecipient> recipients{};
};

// One line of a history listing: enough to show and find the note, not its text.
struct CHistoryRow
{
    qint64 nId = 0;
    qint64 nTime = 0;
    EHistoryDirection eDirection = EHistoryDirection::In;
    EHistoryOrigin eOrigin = EHistoryOrigin::Network;
    QByteArray strHost{};
    QByteArray strNickname{};
    // The start of the body, up to its first line break.
    QByteArray strFirstLine{};
    qint32 nPriority = 0;
    qint64 nBytes = 0;
    int nRecipients = 0;
    int nDelivered = 0;
    int nPending = 0;
    // Recipients whose note waits in the outbox (or whose result is unknown).
    int nWaiting = 0;
    // A sent note's recipients and their results, a line each.
    QByteArray strResults{};
};

// Which notes a listing shows, newest first.
struct CHistoryFilter
{
    // Words the nickname, subject or text must hold (the last also as the
    // start of a longer word); never read as query syntax.
    QString strSearch{};
    // The sender's or a recipient's address, exactly.
    QByteArray strHost{};
    std::optional<EHistoryDirection> direction{};
    // Only notes kept at or after this time.
    std::optional<qint64> since{};
    // Only notes older than this one (the next page of a listing).
    qint64 nBeforeId = 0;
    int nLimit = 100;
};
