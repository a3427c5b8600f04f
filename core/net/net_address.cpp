#include "core/net/net_address.h"

namespace NetAddress {

std::optional<quint16> Port(qint64 nNumber, EPortUse eUse)
{
    const qint64 nLowest = eUse == EPortUse::Listen ? 0 : 1;
    if (nNumber < nLowest || nNumber > 65535)
        return std::nullopt;
    return static_cast<quint16>(nNumber);
}

std::optional<quint16> ParsePort(const QString& strText, EPortUse eUse)
{
    bool bOk = false;
    const uint nNumber = strText.toUInt(&bOk);
    if (!bOk)
        return std::nullopt;
    return Port(nNumber, eUse);
}

CHostPort SplitHostPort(const QString& strAddress, quint16 nDefaultPort)
{
    const qsizetype nColon = strAddress.lastIndexOf(QLatin1Char(':'));
    if (nColon > 0 && strAddress.count(QLatin1Char(':')) == 1) {
        if (const auto nPort = ParsePort(strAddress.mid(nColon + 1), EPortUse::Connect))
            return {strAddress.left(nColon), *nPort};
    }
    return {strAddress, nDefaultPort};
}

} // namespace NetAddress
