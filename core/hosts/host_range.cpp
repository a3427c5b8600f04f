#include "core/hosts/host_range.h"

#include "core/text/leading_number.h"

#include <algorithm>

namespace HostRange {

QByteArray NormalOctet(const QByteArray& strTyped)
{
    return QByteArray::number(std::clamp(ParseLeadingNumber(strTyped), 0, 255));
}

QList<CHostEntry> Rows(const QByteArray& strA, const QByteArray& strB, const QByteArray& strC,
                       int nFirst, int nLast, const QByteArray& strGroup)
{
    // Octets of the dialog hold 0 to 255, so one range is at most 256 rows.
    nFirst = std::clamp(nFirst, 0, 255);
    nLast = std::clamp(nLast, 0, 255);
    const QByteArray strPrefix = strA + '.' + strB + '.' + strC + '.';
    const QByteArray strInGroup = strGroup.isEmpty() ? QByteArrayLiteral("default") : strGroup;
    QList<CHostEntry> rows;
    for (int n = nFirst; n <= nLast; ++n) {
        const QByteArray strAddress = strPrefix + QByteArray::number(n);
        rows.append({strAddress, strAddress, strInGroup});
    }
    return rows;
}

} // namespace HostRange
