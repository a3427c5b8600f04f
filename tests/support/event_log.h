#pragma once

#include "core/interfaces/prompts.h"
#include "core/interfaces/status_sink.h"

#include <QStringList>

#include <mutex>

// Records status texts of the sending pane and message boxes in one list, in the
// order they came, so that tests can check both and their order.
class CEventLog : public IStatusSink, public IPrompts
{
public:
    void PostStatusText(StatusPane ePane, const QString& strText) override
    {
        if (ePane != StatusPane::Sending)
            return;
        const std::lock_guard lock(m_mutex);
        m_events.append(strText);
    }

    void ShowMessage(const QString& strText, PromptIcon) override
    {
        const std::lock_guard lock(m_mutex);
        m_events.append(QStringLiteral("box: ") + strText);
        m_boxes.append(strText);
    }

    // Recorded as a box, its offer taken as SetOfferAnswer says.
    bool ShowMessageWithOffer(const QString& strText, PromptIcon, const QString& strOffer) override
    {
        const std::lock_guard lock(m_mutex);
        m_events.append(QStringLiteral("box: ") + strText);
        m_events.append(QStringLiteral("offer: ") + strOffer);
        m_boxes.append(strText);
        return m_bOfferAnswer;
    }

    bool AskYesNo(const QString& strText) override
    {
        const std::lock_guard lock(m_mutex);
        m_events.append(QStringLiteral("ask: ") + strText);
        m_boxes.append(strText);
        return m_bAnswer;
    }

    std::optional<QString> AskText(const QString& strCaption, const QString& strInitial) override
    {
        const std::lock_guard lock(m_mutex);
        m_events.append(QStringLiteral("text: ") + strCaption + QStringLiteral(": ") + strInitial);
        return m_textAnswer;
    }

    std::optional<QString> AskMultilineText(const QString& strCaption, const QString& strFrame,
                                            const QString& strInitial) override
    {
        const std::lock_guard lock(m_mutex);
        m_events.append(QStringLiteral("text: ") + strCaption + QStringLiteral(" / ") + strFrame +
                        QStringLiteral(": ") + strInitial);
        return m_textAnswer;
    }

    PromptAnswer AskYesNoCancel(const QString& strText) override
    {
        const std::lock_guard lock(m_mutex);
        m_events.append(QStringLiteral("ask: ") + strText);
        return m_eThreeWayAnswer;
    }

    QString AskOpenFileName(const QString& strFilter, const QString& strStartAt) override
    {
        const std::lock_guard lock(m_mutex);
        m_events.append(QStringLiteral("open: ") + m_strFileAnswer);
        m_strOpenFilter = strFilter;
        m_strOpenStartAt = strStartAt;
        return m_strFileAnswer;
    }

    QString AskSaveFileName(const QString& strSuggested, const QString&) override
    {
        const std::lock_guard lock(m_mutex);
        m_events.append(QStringLiteral("save as: ") + strSuggested);
        return m_strFileAnswer;
    }

    // What the last open dialog was asked to show.
    QString OpenFilter() const
    {
        const std::lock_guard lock(m_mutex);
        return m_strOpenFilter;
    }
    QString OpenStartAt() const
    {
        const std::lock_guard lock(m_mutex);
        return m_strOpenStartAt;
    }

    void SetAnswer(bool bYes) { m_bAnswer = bYes; }
    void SetOfferAnswer(bool bTake) { m_bOfferAnswer = bTake; }
    void SetFileAnswer(const QString& strPath) { m_strFileAnswer = strPath; }
    void SetThreeWayAnswer(PromptAnswer eAnswer) { m_eThreeWayAnswer = eAnswer; }
    void SetTextAnswer(std::optional<QString> answer) { m_textAnswer = std::move(answer); }

    QStringList Events() const
    {
        const std::lock_guard lock(m_mutex);
        return m_events;
    }

    QStringList Boxes() const
    {
        const std::lock_guard lock(m_mutex);
        return m_boxes;
    }

    void ClearBoxes()
    {
        const std::lock_guard lock(m_mutex);
        m_boxes.clear();
    }

private:
    mutable std::mutex m_mutex;
    QStringList m_events;
    QStringList m_boxes;
    bool m_bAnswer = false;
    bool m_bOfferAnswer = false;
    std::optional<QString> m_textAnswer;
    QString m_strFileAnswer;
    QString m_strOpenFilter;
    QString m_strOpenStartAt;
    PromptAnswer m_eThreeWayAnswer = PromptAnswer::Cancel;
};
