#pragma once

#include <QByteArray>
#include <QtGlobal>

class CAppSettings;

// Facts about the local machine and the program, as code-page texts.
namespace SystemInfo {

// The computer's network name.
QByteArray ComputerName();

// The name of the account the program runs as (from the password database, not
// from an environment variable that anyone can set).
QByteArray UserName();

// Milliseconds since the system started, cut to 32 bits: it wraps after about
// 49.7 days, as the uptime has always been counted.
quint32 TickCount();

} // namespace SystemInfo

// Fills the program constants, the system texts and the tray flag of the
// settings. Whether the desktop has a tray is the desktop program's finding;
// without one "Use TrayArea" is off.
void CollectSystemInfo(CAppSettings& settings, bool bTrayAvailable);

// "%d Days  %d Hours  %d Minutes  %d Seconds" for a tick count in milliseconds.
QByteArray FormatUptime(quint32 nTickCount);
QByteArray FormatUptime();
