#pragma once

#include "core/interfaces/prompts.h"

#include <QSet>
#include <QString>

// Message boxes of the command-line tool: written to standard error on one line.
// A box that repeats a result already printed is not written again.
class CCliPrompts : public IPrompts
{
public:
    void ShowMessage(const QString& strText, PromptIcon eIcon) override;
    // The tool never asks: every question is answered No.
    bool AskYesNo(const QString&) override { return false; }
    std::optional<QString> AskText(const QString&, const QString&) override { return std::nullopt; }

    void MarkReported(const QString& strText) { m_reported.insert(strText); }

    // A box text on one line: its blank lines become single blanks.
    static QString OneLine(const QString& strText);

private:
    QSet<QString> m_reported;
};
