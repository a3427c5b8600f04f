#pragma once

#include <QByteArray>
#include <QString>

// Every text of a note, a setting or a file is held as bytes of the Windows-1252
// code page, exactly as it travels and is counted. These functions convert to and
// from Unicode where a person reads or types a text. The table is lossless: each
// of the 256 bytes maps to one character and back, the five bytes that the code
// page leaves unassigned included (they map to the C1 controls of the same value).
namespace CodePage {

QString ToUnicode(const QByteArray& strBytes);

// Converts a Unicode text to code-page bytes. A character that the code page
// cannot hold becomes '?' and *pbLossless (when given) is set to false; callers
// that must not change a user's text check it and tell the user.
QByteArray FromUnicode(const QString& strText, bool* pbLossless = nullptr);

// The code-page byte of one character, or -1 when the code page has none.
int ByteOf(char32_t ch);

// The character of one code-page byte.
QChar CharOf(unsigned char byte);

} // namespace CodePage
