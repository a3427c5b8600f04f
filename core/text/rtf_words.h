#pragma once

#include <QByteArray>

#include <optional>

// The control words of rich text (RTF) that the reader knows by name alone,
// whatever their parameter.
namespace RtfWords {

// Destinations whose text is not the note's (the style sheet, pictures, headers,
// fields' instructions and the like): the reader skips their group.
bool IsSkippedDestination(const QByteArray& strWord);

// The character a control word stands for ("par" a paragraph break "\n", "line"
// a line break U+2028, "emdash" U+2014 ...), or nothing for any other word.
std::optional<char16_t> CharacterOf(const QByteArray& strWord);

} // namespace RtfWords
