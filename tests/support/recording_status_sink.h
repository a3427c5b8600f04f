#pragma once

#include "core/interfaces/status_sink.h"

#include <QStringList>

#include <initializer_list>
#include <mutex>

// A list of status texts written as plain literals.
inline QStringList TextList(std::initializer_list<const char*> texts)
{
    QStringList list;
    for (const char* pszText : texts)
        list.append(QString::fromLatin1(pszText));
    return list;
}

// Keeps every status text posted, per pane, for tests to check.
class CRecordingStatusSink : public IStatusSink
{
public:
    void PostStatusText(StatusPane ePane, const QString& strText) override
    {
        const std::lock_guard lock(m_mutex);
        (ePane == StatusPane::Listening ? m_listening : m_sending).append(strText);
    }

    QStringList Texts(StatusPane ePane) const
    {
        const std::lock_guard lock(m_mutex);
        return ePane == StatusPane::Listening ? m_listening : m_sending;
    }

private:
    mutable std::mutex m_mutex;
    QStringList m_listening;
    QStringList m_sending;
};
