#pragma once

#include <QString>

// The quoted form of a text being answered: every line, the last one included,
// preceded by "\r\n> ". Lines end with "\r\n" as the editor delivers them; a
// line ending with a bare "\n" keeps all its characters. The text is quoted as
// the reader sees it, characters the code page cannot hold included.
QString QuoteText(const QString& strText);
