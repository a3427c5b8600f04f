#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// What became of a note in the outbox. Times are milliseconds since the epoch.
enum class EOutboxState
{
    // Waits for its host, tried again now and then.
    Waiting = 0,
    // The bytes went on a try but no answer (or a wrong one) came: it may have
    // arrived, so it is not sent again unless the user says so.
    Unknown = 1,
    Delivered = 2,
    GivenUp = 3,
    Cancelled = 4,
};

// One note waiting for one recipient.
struct COutboxEntry
{
    qint64 nId = 0;
    // The sent note in the history and the recipient's place among its
    // recipients (0 and 0 when the history did not keep it).
    qint64 nNoteId = 0;
    int nSeq = 0;
    QByteArray strAddress{};
    // The first line of the note's text, to show it by.
    QByteArray strFirstLine{};
    EOutboxState eState = EOutboxState::Waiting;
    // Tries so far, the one that sent it to the outbox included.
    int nAttempts = 0;
    qint64 nNextTime = 0;
    // Why the last try did not deliver it, on one line.
    QString strReason{};
    qint64 nQueued = 0;
    qint64 nGiveUp = 0;
};
