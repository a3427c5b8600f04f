#pragma once

#include <QString>

#include <optional>

enum class PromptIcon
{
    Stop,
    Warning,
    Information,
    Question,
};

// Message boxes and questions. The desktop program shows them as dialogs, the
// command-line tool prints them, tests record them. Called on the user-interface
// thread only.
class IPrompts
{
public:
    virtual ~IPrompts() = default;
    virtual void ShowMessage(const QString& strText, PromptIcon eIcon) = 0;
    // A question with Yes and No buttons and the question icon; true for Yes.
    virtual bool AskYesNo(const QString& strText) = 0;
    // Asks for a line of text under a caption, preset with a text; nothing when
    // the user cancels.
    virtual std::optional<QString> AskText(const QString& strCaption,
                                           const QString& strInitial) = 0;
};
