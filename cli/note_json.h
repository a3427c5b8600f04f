#pragma once

#include <QByteArray>
#include <QString>

// One received note as a line of JSON: the parsed fields, converted from the code
// page to UTF-8, the byte count that was acknowledged, and the file it was kept
// in (when not empty).
QByteArray ReceivedNoteJson(const QByteArray& strText, qint64 nAcknowledged,
                            const QString& strFile = QString());
