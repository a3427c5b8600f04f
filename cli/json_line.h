#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QByteArrayView>
#include <QString>

// One JSON object on one line, its members in the order they are added (the
// tool adds them in alphabetical order). Strings are written as UTF-8 with the
// escapes JSON requires, and every other control character a terminal obeys
// (DEL, U+0080 to U+009F) escaped too, in one pass over their bytes: a note at
// the size limit costs little more than copying it.
class CJsonLine
{
public:
    CJsonLine();

    // A text of code-page bytes, as notes and settings hold them.
    CJsonLine& CodePageText(const char* pszKey, QByteArrayView bytes);
    CJsonLine& Text(const char* pszKey, const QString& strText);
    CJsonLine& Number(const char* pszKey, qint64 nValue);
    // An array of objects made by other lines.
    CJsonLine& Objects(const char* pszKey, const QByteArrayList& objects);

    // The object, closed.
    QByteArray Take();

private:
    void Key(const char* pszKey);
    // Appends the bytes as a JSON string; bCodePage converts bytes from 0x80 on
    // from the code page, else they are UTF-8 already.
    void String(QByteArrayView bytes, bool bCodePage);

    QByteArray m_strLine;
};
