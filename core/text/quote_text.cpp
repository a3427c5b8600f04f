#include "core/text/quote_text.h"

QByteArray QuoteText(const QByteArray& strText)
{
    QByteArray strQuoted;
    strQuoted.reserve(strText.size() + strText.count('\n') * 4 + 4);
    qsizetype nStart = 0;
    for (;;) {
        const qsizetype i = strText.indexOf('\n', nStart);
        strQuoted += "\r\n> ";
        if (i < 0)
            break;
        const qsizetype nEnd = (i > nStart && strText[i - 1] == '\r') ? i - 1 : i;
        strQuoted.append(strText.constData() + nStart, nEnd - nStart);
        nStart = i + 1;
    }
    strQuoted.append(strText.constData() + nStart, strText.size() - nStart);
    return strQuoted;
}
