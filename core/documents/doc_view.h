#pragma once

#include <QByteArray>
#include <QString>

// What a note document needs from the view that shows it. The note windows
// implement it; a document without a view (the command-line tool, tests) works
// on its own fields.
class IDocView
{
public:
    virtual ~IDocView() = default;
    // The plain text of the view's editor, line breaks "\r\n", as code-page bytes.
    virtual QByteArray EditorPlainText() const = 0;
    // The characters typed into the view that the code page cannot hold (each
    // once); empty when the note can be sent and saved as it is.
    virtual QString UnencodableCharacters() const = 0;
    // Whether the editor's text is no longer the document's own (typed into, or
    // put there by the program after the note was shown). An unedited note is
    // saved as the bytes it holds.
    virtual bool IsEdited() const = 0;
    // Puts a text into the recipient box (compose views only).
    virtual void SetRecipientText(const QByteArray& strText) = 0;
};
