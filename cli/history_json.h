#pragma once

#include "core/history/history_note.h"

#include <QByteArray>
#include <QString>

// A note of the history as a line of JSON: the keys of "listen" (the address is
// the sender's, or the recipients as typed for a sent note), and the note's
// number, its time (ISO 8601, local time with its offset), its direction ("in"
// or "out"), the file it came from or went to, and for a sent note what each
// recipient answered.
QByteArray HistoryNoteJson(const CHistoryNote& note);

// A time of the history as ISO 8601 in local time with its offset.
QString HistoryTimeText(qint64 nTime);

// "delivered", "failed", "size mismatch" or "pending".
const char* RecipientResultName(ERecipientResult eResult);
