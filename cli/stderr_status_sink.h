#pragma once

#include "core/interfaces/status_sink.h"

#include <mutex>

// Writes each status text to standard error on a line of its own. A reader of
// standard error that does not keep up holds up nothing: a text it has no room
// for is dropped, and the next one that goes out says how many were.
class CStderrStatusSink : public IStatusSink
{
public:
    CStderrStatusSink();
    ~CStderrStatusSink() override;
    CStderrStatusSink(const CStderrStatusSink&) = delete;
    CStderrStatusSink& operator=(const CStderrStatusSink&) = delete;

    void PostStatusText(StatusPane ePane, const QString& strText) override;

private:
    std::mutex m_mutex;
    int m_nDescriptor = -1; // a non-blocking opening of standard error, or -1
    long m_nDropped = 0;
};
