#include "desktop/app/menu_text.h"

QString LiteralMenuText(QString strText)
{
    for (QChar& c : strText) {
        const char16_t nCode = c.unicode();
        if (c.category() == QChar::Other_Control || (nCode >= 0x202a && nCode <= 0x202e) ||
            (nCode >= 0x2066 && nCode <= 0x2069) || nCode == 0x200e || nCode == 0x200f)
            c = QChar::ReplacementCharacter;
    }
    return strText.replace(QLatin1Char('&'), QStringLiteral("&&"));
}
