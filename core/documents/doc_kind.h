#pragma once

#include <QByteArray>

// The two kinds of note document: outgoing notes ("MessageOut", ".bno") and
// incoming ones ("MessageIn", ".bni").
enum class EDocKind
{
    MessageOut,
    MessageIn,
};

// What a new note made from a tagged text may do besides showing it.
struct CNewNoteOptions
{
    // An unknown sender joins the host list (under "Use AutoAdd"). A reply does
    // not add the person answered.
    bool bAddSender = true;
    // While auto-reply is on, the note's sender is answered. The automatic reply
    // itself is never answered.
    bool bMayAutoReply = true;
    // The note's time text, when not now (a note opened from the history).
    QByteArray strTime{};
};
