#pragma once

#include "desktop/views/char_format.h"

#include <QByteArray>
#include <QTextEdit>

class IFontChooser;

// The text area of every note window: a rich-text editor with the program's
// styles and default font (Arial 9 points, black). It shows a note's text as
// rich text when it begins with "{\rtf" and as plain text otherwise, and gives
// the plain text back with "\r\n" line breaks. Texts in and out are code-page
// bytes; plain text keeps every character.
class CRichTextCtrl : public QTextEdit
{
    Q_OBJECT

public:
    explicit CRichTextCtrl(QWidget* pParent = nullptr);

    // Sets the styles (vertical scroll bar, wrapping lines, Enter for a line
    // break, read-only when asked) and the default format.
    bool CreateControl(bool bReadOnly);
    void SetDefaultFormat();

    static bool IsRtfText(const QByteArray& strText);
    // Shows a note's text; false when it held more than the text limit, and
    // only the beginning that fits is shown.
    bool SetNoteText(const QByteArray& strText);
    // The same for a plain note text that may hold characters the code page
    // cannot (they are shown as they are).
    bool SetText(const QString& strText);
    // The plain text as note text, "\r\n" between lines, every character as shown.
    QString Text() const;
    // The plain text, "\r\n" between lines. *pbLossless (when given) tells whether
    // every character could be kept in the code page.
    QByteArray NoteText(bool* pbLossless = nullptr) const;
    // The typed characters (each once) that the code page cannot hold.
    QString UnencodableCharacters() const;
    // Keeps the text within a number of bytes (as NoteText counts them): what is
    // typed or pasted beyond it is taken out again.
    void SetTextLimit(qsizetype nBytes);

    // Puts the text in at a character position (at the end when the position lies
    // beyond it), without an undo step.
    void InsertText(const QByteArray& strText, int nPosition);
    // The position of the first match, ignoring case, or -1.
    int FindTextPos(const QByteArray& strText) const;

    CCharFormat SelectionCharFormat() const;
    void SetSelectionCharFormat(const CCharFormat& format);
    // Lets the user choose the selection's font; Cancel keeps it. Returns whether
    // a font was chosen.
    bool ChooseSelectionFont(IFontChooser& chooser);

    static const CCharFormat& DefaultFormat();

private:
    void EnforceLimit(int nPosition, int nRemoved, int nAdded);

    // The text's length in bytes, as NoteText counts them.
    qsizetype NoteBytes() const;
    // Takes out what lies beyond the limit; false when there was nothing to cut.
    bool CutToLimit();

    qsizetype m_nTextLimit = 0;
    bool m_bSettingText = false;
};
