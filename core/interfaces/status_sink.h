#pragma once

#include <QString>

// The two status panes of the main window that the servers and sending jobs
// report their progress in.
enum class StatusPane
{
    Listening = 1,
    Sending = 2,
};

// Receives the short fixed status texts. Implementations may be called from any
// thread and must pass the text on to their own thread themselves.
class IStatusSink
{
public:
    virtual ~IStatusSink() = default;
    virtual void PostStatusText(StatusPane ePane, const QString& strText) = 0;
};
