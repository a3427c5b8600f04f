#include "cli/listen_address.h"

#include <QCommandLineParser>

QCommandLineOption ListenAddressOption()
{
    return QCommandLineOption(
        QStringLiteral("address"),
        QStringLiteral("Address to listen on (default: every IPv4 address; \"::\" for every "
                       "IPv6 and IPv4 address)."),
        QStringLiteral("ADDR"));
}

std::optional<QHostAddress> ParseListenAddress(const QCommandLineParser& parser,
                                               const QCommandLineOption& option)
{
    if (!parser.isSet(option))
        return QHostAddress(QHostAddress::AnyIPv4);
    const QHostAddress address(parser.value(option));
    if (address.isNull())
        return std::nullopt;
    return address;
}
