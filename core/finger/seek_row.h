#pragma once

#include "core/hosts/host_list.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <chrono>

// What the Seeker shows of one probe: the row for an address, from the finger
// reply it got (or the failure), and the addresses a seek probes.
namespace SeekRow {

enum class EKind
{
    Up,      // answered with "System:": a computer
    Unknown, // answered otherwise, or failed quickly: a computer with a question mark
    Down,    // failed after DownAfter or more: a computer crossed out
};

// A failure that took this long or longer marks its host as down.
inline constexpr std::chrono::milliseconds DownAfter{10000};

struct CRow
{
    QByteArray strAddress;
    EKind eKind = EKind::Unknown;
    QByteArray strUser;
    QByteArray strMappedTo;
    QByteArray strSystem;
    QByteArray strPlatform;
    QByteArray strUptime;
    QByteArray strLocaltime;
    qint64 nMilliseconds = 0;
};

// A probe to make: an address of the host list, and the nicknames listed
// with exactly that address, joined by ",".
struct CTarget
{
    QByteArray strAddress;
    QByteArray strMappedTo;
};

// The value after the key ("User:") up to the first control byte (below 32:
// a line end or a tab), trimmed; "???" when the key is missing or stands at
// the very first byte.
QByteArray Column(QByteArrayView reply, QByteArrayView key);

EKind Kind(bool bFailed, std::chrono::milliseconds took, QByteArrayView reply,
           std::chrono::milliseconds downAfter = DownAfter);

// The row of a finished probe: a down host shows only its address and
// nicknames, an unknown one also user and system, one that is up everything.
CRow Make(const CTarget& target, bool bFailed, std::chrono::milliseconds took, QByteArrayView reply,
          std::chrono::milliseconds downAfter = DownAfter);

// Each distinct address of the host list once, in the order of its first
// entry (addresses compared exactly), with every nickname listed with it.
QList<CTarget> Targets(const QList<CHostEntry>& hosts);

} // namespace SeekRow
