#pragma once

#include <QByteArrayList>
#include <QString>

// The names and numbers of the Avahi daemon's D-Bus interface, through which
// the programs announce themselves and find each other (DNS-SD over multicast
// DNS, done by the daemon; no multicast code of our own).
namespace Avahi {

inline const QString Service = QStringLiteral("org.freedesktop.Avahi");
inline const QString ServerInterface = QStringLiteral("org.freedesktop.Avahi.Server");
inline const QString EntryGroupInterface = QStringLiteral("org.freedesktop.Avahi.EntryGroup");
inline const QString BrowserInterface = QStringLiteral("org.freedesktop.Avahi.ServiceBrowser");

// The service type every copy announces.
inline const QString ServiceType = QStringLiteral("_blipnote._tcp");

constexpr int InterfaceUnspec = -1;
constexpr int ProtocolUnspec = -1;
constexpr int ProtocolInet = 0;
constexpr int ProtocolInet6 = 1;

// The server's states.
constexpr int ServerRunning = 2;
// An entry group's states.
constexpr int GroupEstablished = 2;
constexpr int GroupCollision = 3;
constexpr int GroupFailure = 4;

// Flags of a browsing result: from this machine, from this very connection.
constexpr unsigned ResultLocal = 8;
constexpr unsigned ResultOurOwn = 16;

// Registers the marshalling of TXT records (aay) once.
void RegisterTypes();

} // namespace Avahi
