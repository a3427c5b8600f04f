#pragma once

#include <QByteArray>
#include <QtGlobal>

// A note's one-line texts as the program shows them: its title (window
// captions, the Window menu, boxes, the print header, a proposed file name, a
// mail's subject) and the sender's nickname and system name (the incoming
// note's header, the print header). They come from the sender and may be as long
// as a whole note: laying out 100 kB of text for a caption or a label holds the
// window up for seconds. The note keeps its texts whole: they are saved, sent
// and answered as they stand.
namespace ShownText {

// Long enough for any title or name a person writes, and short enough to leave
// room for the product line on a printed title line.
inline constexpr qsizetype MaxLength = 64;

// The text itself, or, when longer than MaxLength characters, its beginning
// followed by an ellipsis (code-page byte 0x85), MaxLength characters in all;
// a control character (a line break, a tab, an escape a terminal would obey
// where a window title is listed) shows as a bullet (0x95), so the text stays
// one line of what it says.
QByteArray Of(const QByteArray& strText);

} // namespace ShownText
