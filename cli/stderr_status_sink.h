#pragma once

#include "core/interfaces/status_sink.h"

#include <mutex>

// Writes each status text to standard error on a line of its own.
class CStderrStatusSink : public IStatusSink
{
public:
    void PostStatusText(StatusPane ePane, const QString& strText) override;

private:
    std::mutex m_mutex;
};
