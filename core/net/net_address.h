#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// Ports and addresses as the user writes them, checked in one place.
namespace NetAddress {

enum class EPortUse
{
    Listen,  // 0 to 65535; 0 lets the system pick a free port
    Connect, // 1 to 65535
};

// The port for that use, or nothing when the number is out of its range.
std::optional<quint16> Port(qint64 nNumber, EPortUse eUse);
// The same for a port written as decimal digits (no sign, no blanks).
std::optional<quint16> ParsePort(const QString& strText, EPortUse eUse);

struct CHostPort
{
    QString strHost;
    quint16 nPort = 0;
};

// An address may name its own port ("10.0.0.5:7778", for a copy that listens on
// another port than ours): one colon, something before it and a port to connect
// to after it. Anything else is all host, with the default port.
CHostPort SplitHostPort(const QString& strAddress, quint16 nDefaultPort);

} // namespace NetAddress
