#include "core/net/socket_closer.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <sys/socket.h>

namespace {
// Input dropped from one socket before it is closed regardless: an honest
// peer sends nothing after its request, and one that streams on is not read
// for long.
constexpr qint64 kMaxDrained = 64 * 1024;
} // namespace

CSocketCloser::CSocketCloser(std::chrono::milliseconds linger, std::size_t nMaxLingering,
                             QObject* pParent)
    : QObject(pParent), m_linger(linger), m_nMaxLingering(std::max<std::size_t>(1, nMaxLingering)),
      m_watch([this](int nDescriptor) { Drain(nDescriptor); }, "served sockets close at once")
{
    // Every socket lingers as long: they run out in the order they came.
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &CSocketCloser::CloseExpired);
}

void CSocketCloser::Close(CDescriptor descriptor)
{
    if (!descriptor.IsValid())
        return;
    const int nDescriptor = descriptor.Get();
    ::shutdown(nDescriptor, SHUT_WR);
    if (!m_watch.Add(nDescriptor))
        return;
    while (m_lingering.size() >= m_nMaxLingering && !m_order.empty()) {
        const auto [nOldest, deadline] = m_order.front();
        m_order.pop_front();
        CloseIfStill(nOldest, deadline);
    }
    const auto deadline = std::chrono::steady_clock::now() + m_linger;
    m_lingering[nDescriptor] = {std::move(descriptor), deadline, 0};
    m_order.emplace_back(nDescriptor, deadline);
    if (!m_timer.isActive())
        StartTimer();
}

void CSocketCloser::CloseAll()
{
    m_lingering.clear();
    m_order.clear();
    m_timer.stop();
}

void CSocketCloser::CloseNow(int nDescriptor)
{
    // Closing takes it out of the epoll set as well.
    m_lingering.erase(nDescriptor);
}

void CSocketCloser::CloseIfStill(int nDescriptor, std::chrono::steady_clock::time_point deadline)
{
    // A descriptor closed early may have been given to a newer socket since:
    // only its own entry closes it.
    if (const auto it = m_lingering.find(nDescriptor);
        it != m_lingering.end() && it->second.deadline == deadline)
        CloseNow(nDescriptor);
}

void CSocketCloser::Drain(int nDescriptor)
{
    const auto it = m_lingering.find(nDescriptor);
    if (it != m_lingering.end() && DrainOne(nDescriptor, it->second))
        CloseNow(nDescriptor);
}

bool CSocketCloser::DrainOne(int nDescriptor, CLingering& lingering)
{
    std::array<char, 4096> buffer;
    for (;;) {
        const ssize_t n = ::recv(nDescriptor, buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (n > 0) {
            lingering.nDrained += n;
            if (lingering.nDrained < kMaxDrained)
                continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            return false;
        }
        return true; // end of stream, an error, or too much input
    }
}

void CSocketCloser::CloseExpired()
{
    const auto now = std::chrono::steady_clock::now();
    while (!m_order.empty() && m_order.front().second <= now) {
        const auto [nDescriptor, deadline] = m_order.front();
        m_order.pop_front();
        CloseIfStill(nDescriptor, deadline);
    }
    StartTimer();
}

void CSocketCloser::StartTimer()
{
    // Entries of sockets closed early are passed over.
    for (;;) {
        if (m_order.empty())
            return;
        const auto it = m_lingering.find(m_order.front().first);
        if (it != m_lingering.end() && it->second.deadline == m_order.front().second)
            break;
        m_order.pop_front();
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(
        m_order.front().second - std::chrono::steady_clock::now());
    m_timer.start(std::max(left, std::chrono::milliseconds(0)));
}
