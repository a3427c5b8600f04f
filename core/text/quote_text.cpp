#include "core/text/quote_text.h"

QString QuoteText(const QString& strText)
{
    QString strQuoted;
    strQuoted.reserve(strText.size() + strText.count(u'\n') * 4 + 4);
    qsizetype nStart = 0;
    for (;;) {
        const qsizetype i = strText.indexOf(u'\n', nStart);
        strQuoted += QStringLiteral("\r\n> ");
        if (i < 0)
            break;
        const qsizetype nEnd = (i > nStart && strText[i - 1] == u'\r') ? i - 1 : i;
        strQuoted += QStringView(strText).mid(nStart, nEnd - nStart);
        nStart = i + 1;
    }
    strQuoted += QStringView(strText).mid(nStart);
    return strQuoted;
}
