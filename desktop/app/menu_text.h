#pragma once

#include <QString>

// A text shown in a menu entry as it stands: "&" as itself rather than as a
// mnemonic, and what would make the entry read as something else (a tab opens
// the shortcut column; line breaks, direction marks) as the replacement
// character.
QString LiteralMenuText(QString strText);
