#include "core/settings/window_placement.h"

#include "core/text/leading_number.h"

#include <QList>

#include <cstdio>

QByteArray CWindowPlacement::NormalRectText() const
{
    char szText[64];
    std::snprintf(szText, sizeof(szText), "%04d %04d %04d %04d", nTop, nLeft, nRight, nBottom);
    return QByteArray(szText);
}

bool CWindowPlacement::SetNormalRectFromText(const QByteArray& strText)
{
    // Each number normally fills four characters at 0, 5, 10 and 15; splitting at
    // the blanks reads the same and also copes with coordinates of five digits.
    const QList<QByteArray> numbers = strText.simplified().split(' ');
    if (numbers.size() < 4)
        return false;
    const int nNewTop = ParseLeadingNumber(numbers[0]);
    const int nNewLeft = ParseLeadingNumber(numbers[1]);
    const int nNewRight = ParseLeadingNumber(numbers[2]);
    const int nNewBottom = ParseLeadingNumber(numbers[3]);
    // A rectangle without area would make the window invisible.
    if (nNewRight <= nNewLeft || nNewBottom <= nNewTop)
        return false;
    nTop = nNewTop;
    nLeft = nNewLeft;
    nRight = nNewRight;
    nBottom = nNewBottom;
    return true;
}

bool CWindowPlacement::IsOnScreen(int nScreenWidth, int nScreenHeight) const
{
    return nLeft < nScreenWidth && nRight > 0 && nTop < nScreenHeight && nBottom > 0 &&
           nLeft < nRight && nTop < nBottom;
}
