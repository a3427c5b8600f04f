#pragma once

#include <QByteArray>
#include <QtGlobal>

// Converts the leading decimal number of a text the way the C library does:
// leading white space and one sign are allowed, the digits end at the first other
// character or at a zero byte, and a text without digits gives 0. A number beyond
// the 32-bit range saturates instead of overflowing. Acknowledgements, the
// priority digit, old settings and the window placement are all read this way.
qint32 ParseLeadingNumber(const QByteArray& strText);
