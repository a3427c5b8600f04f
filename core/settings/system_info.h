#pragma once

#include <QByteArray>
#include <QtGlobal>

// Facts about the local machine, as code-page texts, found once at start. A leaf:
// the application object keeps what it returns beside the settings.
namespace SystemInfo {

struct CSystemInfo
{
    QByteArray strComputerName;
    QByteArray strUserName;
    // Linux belongs to none of the platform families that have a platform text.
    QByteArray strPlatform;
    // The address new notes carry as their sender's: learnt when the Network
    // page shows it, "unknown" until then.
    QByteArray strLocalAddress = "unknown";
};

CSystemInfo Collect();

// The computer's network name.
QByteArray ComputerName();

// The name of the account the program runs as (from the password database, not
// from an environment variable that anyone can set).
QByteArray UserName();

// The processors: their number and the architecture, "4 x x86_64".
QByteArray ProcessorText();

// Milliseconds since the system started, cut to 32 bits: it wraps after about
// 49.7 days, as the uptime has always been counted.
quint32 TickCount();

} // namespace SystemInfo

// "%d Days  %d Hours  %d Minutes  %d Seconds" for a tick count in milliseconds.
QByteArray FormatUptime(quint32 nTickCount);
QByteArray FormatUptime();
