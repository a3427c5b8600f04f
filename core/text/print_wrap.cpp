#include "core/text/print_wrap.h"

#include <algorithm>
#include <utility>

namespace PrintWrap {

QByteArray TitleLine(const QByteArray& strTitle, const QByteArray& strProduct)
{
    const qsizetype nBlanks = Columns - strProduct.size() - strTitle.size();
    return strTitle + QByteArray(std::max<qsizetype>(nBlanks, 0), ' ') + strProduct;
}

QList<QByteArray> WrapBody(const QByteArray& strBody)
{
    const QByteArray strIndent(IndentWidth, ' ');
    QList<QByteArray> lines;
    QByteArray strLine = strIndent;
    for (qsizetype i = 0; i < strBody.size(); ++i) {
        const char c = strBody[i];
        if (c == '\t')
            strLine += strIndent;
        else if (c == '\n')
            lines.append(std::exchange(strLine, strIndent));
        else if (c != '\r')
            strLine += c;

        // Only exact multiples are tested: a tab that jumps past column 76 lets
        // the line run on to the next multiple.
        if (strLine.size() % WrapColumn != 0)
            continue;
        if (!strLine.endsWith(' ')) {
            const qsizetype p = strLine.lastIndexOf(' ');
            if (p >= IndentWidth) {
                // Resume after that blank; the partial word moves to the next line.
                i -= strLine.size() - p - 1;
                strLine.truncate(p);
            }
        }
        lines.append(std::exchange(strLine, strIndent));
    }
    lines.append(strLine);
    return lines;
}

} // namespace PrintWrap
