#pragma once

#include <QByteArray>
#include <QtGlobal>

// The receiver answers a note with the number of bytes it read, as bare decimal
// digits; the sender reads it back with a leading-number conversion.
namespace Acknowledgement {

// The largest acknowledgement a sender reads.
inline constexpr qsizetype MaxLength = 40;

QByteArray Format(qint64 nCount);

// Converts the leading decimal number of a text the way the C library does:
// leading white space and one sign are allowed, the digits end at the first other
// character or at a zero byte, and a text without digits gives 0. A number beyond
// the 32-bit range saturates instead of overflowing.
qint32 ParseLeadingNumber(const QByteArray& strText);

} // namespace Acknowledgement
