#include "core/text/shown_text.h"

namespace ShownText {

QByteArray Of(const QByteArray& strText)
{
    if (strText.size() <= MaxLength)
        return strText;
    return strText.left(MaxLength - 1) + '\x85';
}

} // namespace ShownText
