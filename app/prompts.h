#pragma once

#include <QString>

enum class PromptIcon
{
    Stop,
    Warning,
    Information,
};

// Message boxes and questions. The desktop program shows them as dialogs, the
// command-line tool prints them, tests record them. Called on the user-interface
// thread only.
class IPrompts
{
public:
    virtual ~IPrompts() = default;
    virtual void ShowMessage(const QString& strText, PromptIcon eIcon) = 0;
};
