#pragma once

#include "core/interfaces/prompts.h"

class QWidget;

// Message boxes, questions and file dialogs of the desktop program.
class CDialogPrompts : public IPrompts
{
public:
    // The window the dialogs belong to; none before the main window exists.
    void SetParent(QWidget* pParent) { m_pParent = pParent; }

    void ShowMessage(const QString& strText, PromptIcon eIcon) override;
    bool ShowMessageWithOffer(const QString& strText, PromptIcon eIcon,
                              const QString& strOffer) override;
    bool AskYesNo(const QString& strText) override;
    std::optional<QString> AskText(const QString& strCaption, const QString& strInitial) override;
    PromptAnswer AskYesNoCancel(const QString& strText) override;
    std::optional<QString> AskMultilineText(const QString& strCaption, const QString& strFrameTitle,
                                            const QString& strInitial) override;
    QString AskOpenFileName(const QString& strFilter, const QString& strStartAt) override;
    QString AskSaveFileName(const QString& strSuggested, const QString& strFilter) override;

private:
    QWidget* m_pParent = nullptr;
};
