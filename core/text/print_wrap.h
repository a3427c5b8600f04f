#pragma once

#include <QByteArray>
#include <QList>

// The text lines of a printed note, as pure functions of the texts: the title
// line of the header and the body wrapped at word boundaries. Texts are
// code-page bytes; the printer draws them in a fixed-pitch font.
namespace PrintWrap {

// The width of the printed block in characters; the title line and the rules
// span it.
inline constexpr int Columns = 81;
// Body lines are wrapped when they reach a multiple of this length.
inline constexpr int WrapColumn = 76;
inline constexpr int IndentWidth = 5;

// The title, blanks, and the product line, 81 characters in all; a title too
// long for that is followed by the product line without blanks.
QByteArray TitleLine(const QByteArray& strTitle, const QByteArray& strProduct);

// The body's lines, each beginning with the five-blank indent. Line feeds end
// lines, carriage returns are dropped, a tab is five blanks, and a line that
// reaches column 76 breaks after its last blank (a longer word is cut there).
QList<QByteArray> WrapBody(const QByteArray& strBody);

} // namespace PrintWrap
