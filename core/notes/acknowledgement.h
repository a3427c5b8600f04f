#pragma once

#include <QByteArray>
#include <QtGlobal>

// The receiver answers a note with the number of bytes it read, as bare decimal
// digits; the sender reads it back with a leading-number conversion.
namespace Acknowledgement {

// The largest acknowledgement a sender reads.
inline constexpr qsizetype MaxLength = 40;

QByteArray Format(qint64 nCount);

// The count in the sender's one read of at most MaxLength bytes.
qint32 Parse(const QByteArray& strAnswer);

} // namespace Acknowledgement
