#pragma once

#include <QCommandLineOption>
#include <QHostAddress>

#include <optional>

class QCommandLineParser;

// The servers' --address option: where they listen (every IPv4 address by
// default; "::" for every IPv6 and IPv4 address).
QCommandLineOption ListenAddressOption();
// The address given, the default when none is; nothing when it is no address.
std::optional<QHostAddress> ParseListenAddress(const QCommandLineParser& parser,
                                               const QCommandLineOption& option);
