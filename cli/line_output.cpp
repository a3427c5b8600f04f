#include "cli/line_output.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

CLineOutput::CLineOutput(int nDescriptor, QObject* pParent)
    : QObject(pParent), m_nDescriptor(nDescriptor)
{
    struct stat status
    {};
    if (::fstat(nDescriptor, &status) != 0)
        return;
    m_bSocket = S_ISSOCK(status.st_mode);
    if (S_ISFIFO(status.st_mode) || S_ISCHR(status.st_mode)) {
        // A pipe or a terminal is opened anew, non-blocking: the description
        // we were given is shared with others (the shell), whose own writes
        // must not start failing.
        const QByteArray strPath = "/proc/self/fd/" + QByteArray::number(nDescriptor);
        const int nOwn = ::open(strPath.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (nOwn >= 0) {
            m_nDescriptor = nOwn;
            m_bOwnDescription = true;
        }
    }
    // A regular file takes what it is given without waiting for a reader.
}

CLineOutput::~CLineOutput()
{
    m_pNotifier.reset();
    if (m_bOwnDescription)
        ::close(m_nDescriptor);
}

CLineOutput::EWrite CLineOutput::Write(const QByteArray& strLine, CDone done, CWanted wanted)
{
    if (m_bClosed)
        return EWrite::Closed;
    m_waiting.push_back({strLine + '\n', std::move(done), std::move(wanted)});
    if (m_waiting.size() > 1) {
        m_nWaitingBytes += m_waiting.back().strBytes.size();
        return EWrite::Queued; // behind the lines that wait already
    }
    if (!WriteSome()) {
        m_waiting.clear();
        Close();
        return EWrite::Closed;
    }
    if (m_nSentOfFirst == m_waiting.front().strBytes.size()) {
        m_waiting.clear();
        m_nSentOfFirst = 0;
        return EWrite::Written;
    }
    // The reader takes it slower: go on when it has room again.
    m_nWaitingBytes = m_waiting.front().strBytes.size();
    if (!m_pNotifier) {
        m_pNotifier = std::make_unique<QSocketNotifier>(m_nDescriptor, QSocketNotifier::Write);
        connect(m_pNotifier.get(), &QSocketNotifier::activated, this, &CLineOutput::Flush);
    }
    m_pNotifier->setEnabled(true);
    Q_EMIT BlockedChanged(true);
    return EWrite::Queued;
}

bool CLineOutput::WriteSome()
{
    const QByteArray& strBytes = m_waiting.front().strBytes;
    while (m_nSentOfFirst < strBytes.size()) {
        const auto nLeft = static_cast<std::size_t>(strBytes.size() - m_nSentOfFirst);
        const char* pFrom = strBytes.constData() + m_nSentOfFirst;
        const ssize_t n = m_bSocket
                              ? ::send(m_nDescriptor, pFrom, nLeft, MSG_DONTWAIT | MSG_NOSIGNAL)
                              : ::write(m_nDescriptor, pFrom, nLeft);
        if (n > 0) {
            m_nSentOfFirst += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
    return true;
}

void CLineOutput::Flush()
{
    while (!m_waiting.empty()) {
        CLine& first = m_waiting.front();
        if (m_nSentOfFirst == 0 && first.wanted && !first.wanted()) {
            // Its turn came too late: nothing of it was written.
            CLine line = std::move(first);
            m_waiting.pop_front();
            m_nWaitingBytes -= line.strBytes.size();
            if (line.done)
                line.done(false);
            continue;
        }
        if (!WriteSome()) {
            Close();
            return;
        }
        if (m_nSentOfFirst < m_waiting.front().strBytes.size())
            return; // the rest goes when the output has room again
        CLine line = std::move(m_waiting.front());
        m_waiting.pop_front();
        m_nWaitingBytes -= line.strBytes.size();
        m_nSentOfFirst = 0;
        if (line.done)
            line.done(true);
    }
    // Not deleted: this may run inside the notifier's own signal.
    m_pNotifier->setEnabled(false);
    Q_EMIT BlockedChanged(false);
}

void CLineOutput::Close()
{
    m_bClosed = true;
    if (m_pNotifier)
        m_pNotifier->setEnabled(false);
    std::deque<CLine> lost = std::exchange(m_waiting, {});
    m_nWaitingBytes = 0;
    for (CLine& line : lost) {
        if (line.done)
            line.done(false);
    }
    Q_EMIT Closed();
}
