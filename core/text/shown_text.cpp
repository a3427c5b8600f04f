#include "core/text/shown_text.h"

namespace ShownText {

namespace {

// The C0 controls, DEL, and the five bytes the code page leaves unassigned
// (read as C1 controls).
bool IsControl(unsigned char c)
{
    return c < 0x20 || c == 0x7F || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
}

} // namespace

QByteArray Of(const QByteArray& strText)
{
    QByteArray strShown =
        strText.size() <= MaxLength ? strText : strText.left(MaxLength - 1) + '\x85';
    for (char& c : strShown) {
        if (IsControl(static_cast<unsigned char>(c)))
            c = '\x95';
    }
    return strShown;
}

} // namespace ShownText
