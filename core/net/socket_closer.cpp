#include "core/net/socket_closer.h"

#include "core/interfaces/logging.h"

#include <QSocketNotifier>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// Input dropped from one socket before it is closed regardless: an honest
// peer sends nothing after its request, and one that streams on is not read
// for long.
constexpr qint64 kMaxDrained = 64 * 1024;
// Sockets looked at per turn of the event loop.
constexpr int kEventsPerTurn = 64;
} // namespace

CSocketCloser::CSocketCloser(std::chrono::milliseconds linger, std::size_t nMaxLingering,
                             QObject* pParent)
    : QObject(pParent), m_linger(linger), m_nMaxLingering(std::max<std::size_t>(1, nMaxLingering)),
      m_nEpoll(::epoll_create1(EPOLL_CLOEXEC))
{
    if (m_nEpoll < 0) {
        qCWarning(lcNet, "epoll_create1: %s: served sockets close at once", std::strerror(errno));
    } else {
        m_pNotifier = std::make_unique<QSocketNotifier>(m_nEpoll, QSocketNotifier::Read);
        connect(m_pNotifier.get(), &QSocketNotifier::activated, this, &CSocketCloser::Drain);
    }
    // Every socket lingers as long: they run out in the order they came.
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &CSocketCloser::CloseExpired);
}

CSocketCloser::~CSocketCloser()
{
    CloseAll();
    m_pNotifier.reset();
    if (m_nEpoll >= 0)
        ::close(m_nEpoll);
}

void CSocketCloser::Close(int nDescriptor)
{
    if (nDescriptor < 0)
        return;
    ::shutdown(nDescriptor, SHUT_WR);
    epoll_event event{};
    event.events = EPOLLIN | EPOLLRDHUP;
    event.data.fd = nDescriptor;
    if (m_nEpoll < 0 || ::epoll_ctl(m_nEpoll, EPOLL_CTL_ADD, nDescriptor, &event) != 0) {
        ::close(nDescriptor);
        return;
    }
    while (m_lingering.size() >= m_nMaxLingering && !m_order.empty()) {
        const auto [nOldest, deadline] = m_order.front();
        m_order.pop_front();
        CloseIfStill(nOldest, deadline);
    }
    const auto deadline = std::chrono::steady_clock::now() + m_linger;
    m_lingering[nDescriptor] = {deadline, 0};
    m_order.emplace_back(nDescriptor, deadline);
    if (!m_timer.isActive())
        StartTimer();
}

void CSocketCloser::CloseAll()
{
    for (const auto& [nDescriptor, lingering] : m_lingering)
        ::close(nDescriptor);
    m_lingering.clear();
    m_order.clear();
    m_timer.stop();
}

void CSocketCloser::CloseNow(int nDescriptor)
{
    // Closing takes it out of the epoll set as well.
    if (m_lingering.erase(nDescriptor) > 0)
        ::close(nDescriptor);
}

void CSocketCloser::CloseIfStill(int nDescriptor, std::chrono::steady_clock::time_point deadline)
{
    // A descriptor closed early may have been given to a newer socket since:
    // only its own entry closes it.
    if (const auto it = m_lingering.find(nDescriptor);
        it != m_lingering.end() && it->second.deadline == deadline)
        CloseNow(nDescriptor);
}

void CSocketCloser::Drain()
{
    std::array<epoll_event, kEventsPerTurn> events;
    const int nEvents = ::epoll_wait(m_nEpoll, events.data(), kEventsPerTurn, 0);
    for (int n = 0; n < nEvents; ++n) {
        const int nDescriptor = events[static_cast<std::size_t>(n)].data.fd;
        const auto it = m_lingering.find(nDescriptor);
        if (it != m_lingering.end() && DrainOne(nDescriptor, it->second))
            CloseNow(nDescriptor);
    }
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
