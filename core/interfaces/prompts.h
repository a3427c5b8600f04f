#pragma once

#include <QString>

#include <optional>

enum class PromptAnswer
{
    Yes,
    No,
    Cancel,
};

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

    // A message box that also offers to do something about it (a button with
    // strOffer beside OK); true when the offer was taken. Where no such box
    // can be shown the message is shown as any other and the offer declined.
    virtual bool ShowMessageWithOffer(const QString& strText, PromptIcon eIcon,
                                      const QString& /*strOffer*/)
    {
        ShowMessage(strText, eIcon);
        return false;
    }

    // The questions below only the desktop program asks; elsewhere they are
    // answered as if the user had cancelled.
    virtual PromptAnswer AskYesNoCancel(const QString&) { return PromptAnswer::Cancel; }
    // Several lines of text in a framed box under a caption.
    virtual std::optional<QString> AskMultilineText(const QString& /*strCaption*/,
                                                    const QString& /*strFrameTitle*/,
                                                    const QString& /*strInitial*/)
    {
        return std::nullopt;
    }
    // A file to open or to save as; empty when cancelled. The open dialog starts
    // at strStartAt (a folder, or a file in one) when it is given.
    virtual QString AskOpenFileName(const QString& /*strFilter*/, const QString& /*strStartAt*/)
    {
        return QString();
    }
    virtual QString AskSaveFileName(const QString& /*strSuggested*/, const QString& /*strFilter*/)
    {
        return QString();
    }
};
