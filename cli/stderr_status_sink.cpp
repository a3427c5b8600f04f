#include "cli/stderr_status_sink.h"

#include <cstdio>

void CStderrStatusSink::PostStatusText(StatusPane, const QString& strText)
{
    const QByteArray strLine = strText.toUtf8() + '\n';
    const std::lock_guard lock(m_mutex);
    std::fwrite(strLine.constData(), 1, static_cast<std::size_t>(strLine.size()), stderr);
    std::fflush(stderr);
}
