#pragma once

#include <QByteArray>
#include <QString>

// How a note's plain text goes into the editor and back so that every character
// survives: "\r\n" is a paragraph break, a lone "\n" a line break (U+2028), and a
// lone "\r" shows as the symbol for carriage return (U+240D) and a zero byte as
// the symbol for null (U+2400); the code page holds neither, so they never stand
// for anything typed.
namespace EditorText {

QString FromNote(const QByteArray& strNote);
// The same for a note's text that may hold characters the code page cannot (a
// quotation of a received rich-text note, say).
QString FromText(const QString& strNote);

// The editor's raw text (paragraphs separated by U+2029) back to note bytes.
// *pbLossless (when given) is false when a typed character has no code-page byte;
// such a character becomes '?'.
QByteArray ToNote(const QString& strEditor, bool* pbLossless = nullptr);
// The editor's raw text back to a note's text, every character as it is shown.
QString ToText(const QString& strEditor);

// The characters of the editor's raw text (each once, in order) that no
// code-page byte stands for: the first kMaxUnencodable of them, enough to name
// in a message (a pasted book of another script would list thousands).
constexpr qsizetype kMaxUnencodable = 32;
QString Unencodable(const QString& strEditor);

// A text of several lines (a signature, an away message) as a plain-text box
// shows it, "\n" between lines, and back with the CR LF that notes break lines
// with.
QString LinesFromNote(const QByteArray& strNote);
QByteArray LinesToNote(QString strLines, bool* pbLossless = nullptr);

} // namespace EditorText
