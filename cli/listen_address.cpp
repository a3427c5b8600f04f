#include "cli/listen_address.h"

#include <QCommandLineParser>

QCommandLineOption ListenAddressOption()
{
    return QCommandLineOption(
        QStringLiteral("address"),
        QStringLiteral("IPv4 or IPv6 address to listen on (default: every IPv4 address; "
                       "\"::\" for every IPv6 and IPv4 address)."),
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

QString ListenPlace(const QHostAddress& address, quint16 nPort)
{
    if (address == QHostAddress::AnyIPv4)
        return QStringLiteral("port %1").arg(nPort);
    const QString strAddress = address.protocol() == QAbstractSocket::IPv6Protocol
                                   ? QStringLiteral("[%1]").arg(address.toString())
                                   : address.toString();
    return QStringLiteral("%1 port %2").arg(strAddress).arg(nPort);
}
