#pragma once

#include <QCommandLineOption>
#include <QHostAddress>

#include <optional>

class QCommandLineParser;

// The servers' --address option: where they listen (every IPv4 address by
// default; "::" for every IPv6 and IPv4 address).
QCommandLineOption ListenAddressOption();
// The address given (an IPv4 or IPv6 address, not a name), the default when
// none is; nothing when it is no address.
std::optional<QHostAddress> ParseListenAddress(const QCommandLineParser& parser,
                                               const QCommandLineOption& option);
// Where a server listens, as the user reads it: "port 79", "127.0.0.1 port 79",
// "[::] port 79".
QString ListenPlace(const QHostAddress& address, quint16 nPort);
