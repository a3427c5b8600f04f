#pragma once

#include <QPlainTextEdit>

class IPrompts;

// A box of several lines for a text the settings keep (the signature, the plan):
// Enter starts a new line, Tab goes on to the next control, a very long word
// wraps anywhere. Its lines are "\n"-separated as typed; a text the user left
// untouched is to be kept as stored, with its own line breaks.
class CLinesEdit : public QPlainTextEdit
{
    Q_OBJECT

public:
    // Shows a stored text, its CR LF line breaks as lines.
    CLinesEdit(const QByteArray& strStored, QWidget* pParent);

    bool IsEdited() const;
    // The text as typed, lines separated by "\n", no-break spaces kept.
    QString Lines() const;
    // True when the box can be stored: untouched, or every character fits the
    // code page. Otherwise the user is told which characters the code page
    // cannot hold (see CodePageRefusal::Text for strSubject and strUsers), and
    // the box takes the focus.
    bool CanStore(IPrompts& prompts, const QString& strSubject, const QString& strUsers);
};
