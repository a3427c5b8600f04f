#pragma once

class QPlainTextEdit;
class QTextEdit;

// Lets an editor wrap anywhere from the moment its text holds a very long word.
// Finding a word boundary costs the layout the word's length for every line, so
// a word of a megabyte would freeze the window for minutes; wrapping anywhere
// keeps the layout linear. Ordinary text keeps wrapping between words.
namespace LongWordWrap {

void Watch(QTextEdit& editor);
void Watch(QPlainTextEdit& editor);

} // namespace LongWordWrap
