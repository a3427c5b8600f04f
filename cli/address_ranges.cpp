#include "cli/address_ranges.h"

#include <QRegularExpression>

namespace AddressRanges {
namespace {

QByteArray Dotted(quint32 nAddress)
{
    return QByteArray::number(nAddress >> 24) + '.' + QByteArray::number((nAddress >> 16) & 0xFF) +
           '.' + QByteArray::number((nAddress >> 8) & 0xFF) + '.' +
           QByteArray::number(nAddress & 0xFF);
}

// Four numbers of 0 to 255, or nothing.
std::optional<quint32> ParseDotted(const QString& strText)
{
    const QStringList parts = strText.split(u'.');
    if (parts.size() != 4)
        return std::nullopt;
    quint32 nAddress = 0;
    for (const QString& strPart : parts) {
        bool bOk = false;
        const uint nPart = strPart.toUInt(&bOk);
        if (!bOk || nPart > 255 || strPart.isEmpty() || strPart.size() > 3)
            return std::nullopt;
        nAddress = (nAddress << 8) | nPart;
    }
    return nAddress;
}

} // namespace

std::optional<QList<QByteArray>> Expand(const QStringList& arguments, QString* pstrError)
{
    static const QRegularExpression range(QStringLiteral("^(\\d+\\.\\d+\\.\\d+\\.)(\\d+)-(\\d+)$"));
    static const QRegularExpression network(QStringLiteral("^([\\d.]+)/(\\d+)$"));
    QList<QByteArray> addresses;
    const auto Fail = [pstrError](const QString& strWhy) {
        *pstrError = strWhy;
        return std::nullopt;
    };
    const auto TooMany = [&Fail] {
        return Fail(QStringLiteral("more than %1 addresses").arg(MaxAddresses));
    };
    const auto Room = [&addresses](quint64 nMore) {
        return static_cast<quint64>(addresses.size()) + nMore <= static_cast<quint64>(MaxAddresses);
    };
    for (const QString& strArgument : arguments) {
        if (const QRegularExpressionMatch match = range.match(strArgument); match.hasMatch()) {
            const auto first = ParseDotted(match.captured(1) + match.captured(2));
            const uint nLast = match.captured(3).toUInt();
            if (!first || nLast > 255 || nLast < (*first & 0xFF))
                return Fail(QStringLiteral("invalid range '%1'").arg(strArgument));
            if (!Room(nLast - (*first & 0xFF) + 1))
                return TooMany();
            for (quint32 n = *first & 0xFF; n <= nLast; ++n)
                addresses.append(Dotted((*first & ~0xFFu) | n));
            continue;
        }
        if (const QRegularExpressionMatch match = network.match(strArgument); match.hasMatch()) {
            const auto base = ParseDotted(match.captured(1));
            bool bPrefixOk = false;
            const uint nPrefix = match.captured(2).toUInt(&bPrefixOk);
            if (!base || !bPrefixOk || nPrefix > 32)
                return Fail(QStringLiteral("invalid network '%1'").arg(strArgument));
            const quint64 nSize = quint64(1) << (32 - nPrefix);
            const quint32 nFirst =
                nSize == (quint64(1) << 32) ? 0 : *base & ~static_cast<quint32>(nSize - 1);
            // The network's own address and its broadcast address are no hosts.
            const quint64 nSkip = nSize > 2 ? 1 : 0;
            if (!Room(nSize - 2 * nSkip))
                return TooMany();
            for (quint64 n = nSkip; n < nSize - nSkip; ++n)
                addresses.append(Dotted(nFirst + static_cast<quint32>(n)));
            continue;
        }
        // Anything else is an address or a host name; what only looks like a
        // broken address or range is not looked up as a name.
        static const QRegularExpression numeric(QStringLiteral("^[0-9./-]*$"));
        static const QRegularExpression blank(QStringLiteral("\\s"));
        if (strArgument.contains(u'/') || strArgument.contains(blank) ||
            (numeric.match(strArgument).hasMatch() && !ParseDotted(strArgument)))
            return Fail(QStringLiteral("invalid address '%1'").arg(strArgument));
        if (!Room(1))
            return TooMany();
        addresses.append(strArgument.toUtf8());
    }
    return addresses;
}

} // namespace AddressRanges
