#include "core/text/leading_number.h"

#include <algorithm>
#include <limits>

qint32 ParseLeadingNumber(const QByteArray& strText)
{
    const auto IsSpace = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    };
    qsizetype i = 0;
    const qsizetype nLen = strText.size();
    while (i < nLen && IsSpace(strText[i]))
        ++i;
    bool bNegative = false;
    if (i < nLen && (strText[i] == '+' || strText[i] == '-')) {
        bNegative = strText[i] == '-';
        ++i;
    }
    // Saturate one past the maximum so that the 32-bit minimum still fits.
    constexpr qint64 nLimit = qint64(std::numeric_limits<qint32>::max()) + 1;
    qint64 nValue = 0;
    for (; i < nLen && strText[i] >= '0' && strText[i] <= '9'; ++i) {
        nValue = nValue * 10 + (strText[i] - '0');
        if (nValue > nLimit)
            nValue = nLimit;
    }
    if (bNegative)
        return static_cast<qint32>(-nValue);
    return static_cast<qint32>(std::min<qint64>(nValue, nLimit - 1));
}
