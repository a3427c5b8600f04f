#include "cli/stderr_status_sink.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

CStderrStatusSink::CStderrStatusSink()
{
    // A pipe or terminal is opened anew, non-blocking: the description we were
    // given is shared with others, whose writes must keep waiting as they did.
    struct stat status
    {};
    if (::fstat(STDERR_FILENO, &status) == 0 &&
        (S_ISFIFO(status.st_mode) || S_ISCHR(status.st_mode)))
        m_nDescriptor = ::open("/proc/self/fd/2", O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
}

CStderrStatusSink::~CStderrStatusSink()
{
    if (m_nDescriptor >= 0)
        ::close(m_nDescriptor);
}

void CStderrStatusSink::PostStatusText(StatusPane, const QString& strText)
{
    const std::lock_guard lock(m_mutex);
    QByteArray strLine = strText.toUtf8() + '\n';
    if (m_nDescriptor < 0) {
        std::fwrite(strLine.constData(), 1, static_cast<std::size_t>(strLine.size()), stderr);
        std::fflush(stderr);
        return;
    }
    if (m_nDropped > 0)
        strLine.prepend("(" + QByteArray::number(m_nDropped) + " status texts dropped)\n");
    // A status line is short: it goes whole (a pipe takes up to 4 KiB at once)
    // or not at all.
    const ssize_t n =
        ::write(m_nDescriptor, strLine.constData(), static_cast<std::size_t>(strLine.size()));
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        ++m_nDropped;
    else
        m_nDropped = 0;
}
