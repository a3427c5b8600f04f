#pragma once

#include "core/notes/note_record.h"
#include "core/notes/tagged_text.h"

#include <QByteArray>

// The notes the tests and benchmarks send, receive and keep, written once.
namespace SampleNotes {

// ann asks about lunch: a high-priority note with a title of its own.
inline TaggedText::CComposeFields LunchFields()
{
    return {"ann", "Shall we go?", "PC7", "Lunch", 1};
}

// The lunch note as it travels, byte for byte.
inline const QByteArray Lunch = "ann/$0Shall we go?/$1PC7/$2Lunch/$31/$4";

// The lunch note as the receiver hands it on, from 10.0.0.5.
inline const QByteArray LunchFrom5 = Lunch + "/$510.0.0.5/$6";

// A note file's nine items, every one of them set.
inline CNoteRecord LunchRecord()
{
    CNoteRecord record;
    record.m_nPriority = 1;
    record.m_strBody = "Shall we go?\r\nAt noon.";
    record.m_nReserved = 12345; // kept exactly as loaded
    record.m_strAddress = "10.0.0.5";
    record.m_strSystem = "PC7";
    record.m_nSendState = -1;
    record.m_strNickname = "ann";
    record.m_strSubject = "Lunch";
    record.m_strTime = "07.12.26  12:00:00";
    return record;
}

// One of many short notes from ann, told apart by their number.
inline QByteArray Numbered(int n)
{
    return "ann/$0note " + QByteArray::number(n) + "/$1PC7/$2T/$30/$4";
}

} // namespace SampleNotes
