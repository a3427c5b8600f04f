#pragma once

#include "core/hosts/host_list.h"

#include <QByteArray>
#include <QList>

// A run of hosts whose addresses differ only in the last octet, as the range
// dialog makes them.
namespace HostRange {

// An octet as typed, the way the dialog shows it at once: its leading number
// (blanks and a sign allowed, digits up to the first other character), held within
// 0 to 255 and written in plain decimal. "007" gives "7", "12a" "12", "300" "255",
// "-4", "-" and an empty text "0".
QByteArray NormalOctet(const QByteArray& strTyped);

// The rows "a.b.c.n" for n from nFirst to nLast, each with that text as nickname
// and address, in the group (or "default" when it is empty); none when nLast is
// below nFirst. The three octets are taken as they stand, empty ones too.
QList<CHostEntry> Rows(const QByteArray& strA, const QByteArray& strB, const QByteArray& strC,
                       int nFirst, int nLast, const QByteArray& strGroup);

} // namespace HostRange
