#include "cli/address_ranges.h"

#include <QRegularExpression>

#include <algorithm>

namespace AddressRanges {
namespace {

QByteArray Dotted(quint32 nAddress)
{
    return QByteArray::number(nAddress >> 24) + '.' + QByteArray::number((nAddress >> 16) & 0xFF) +
           '.' + QByteArray::number((nAddress >> 8) & 0xFF) + '.' +
           QByteArray::number(nAddress & 0xFF);
}

// A number of 0 to 255 in one to three digits, or nothing.
std::optional<quint32> ParseNumber(const QString& strText)
{
    if (strText.isEmpty() || strText.size() > 3 ||
        !std::all_of(strText.cbegin(), strText.cend(),
                     [](QChar ch) { return ch >= u'0' && ch <= u'9'; }))
        return std::nullopt;
    const uint nNumber = strText.toUInt();
    if (nNumber > 255)
        return std::nullopt;
    return nNumber;
}

// Four numbers of 0 to 255, or nothing.
std::optional<quint32> ParseDotted(const QString& strText)
{
    const QStringList parts = strText.split(u'.');
    if (parts.size() != 4)
        return std::nullopt;
    quint32 nAddress = 0;
    for (const QString& strPart : parts) {
        const auto nPart = ParseNumber(strPart);
        if (!nPart)
            return std::nullopt;
        nAddress = (nAddress << 8) | *nPart;
    }
    return nAddress;
}

} // namespace

std::optional<QList<QByteArray>> Expand(const QStringList& arguments, QString* pstrError)
{
    // A dash beside an IPv4 address makes a range: "127.0.0.1-254" (the last
    // number) or "127.0.0.1-127.0.1.254"; what does not read as one is refused,
    // never looked up as a name.
    static const QRegularExpression range(QStringLiteral("^([^-]*)-(.*)$"));
    static const QRegularExpression dotted(QStringLiteral("^\\d+\\.\\d+\\.\\d+\\.\\d+$"));
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
        if (const QRegularExpressionMatch match = range.match(strArgument);
            match.hasMatch() && (dotted.match(match.captured(1)).hasMatch() ||
                                 dotted.match(match.captured(2)).hasMatch())) {
            const auto first = ParseDotted(match.captured(1));
            auto last = ParseDotted(match.captured(2));
            if (const auto nNumber = ParseNumber(match.captured(2)); first && nNumber)
                last = (*first & ~0xFFu) | *nNumber;
            if (!first || !last || *last < *first)
                return Fail(QStringLiteral("invalid range '%1'").arg(strArgument));
            if (!Room(quint64(*last) - *first + 1))
                return TooMany();
            for (quint64 n = *first; n <= *last; ++n)
                addresses.append(Dotted(static_cast<quint32>(n)));
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
