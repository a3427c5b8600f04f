#pragma once

#include <QByteArray>
#include <QtGlobal>

// One received note as a line of JSON: the parsed fields, converted from the code
// page to UTF-8, and the byte count that was acknowledged.
QByteArray ReceivedNoteJson(const QByteArray& strText, qint64 nAcknowledged);
