#include "core/net/epoll_watch.h"

#include "core/interfaces/logging.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <cstring>
#include <sys/epoll.h>

CEpollWatch::CEpollWatch(std::function<void(int nDescriptor)> ready, const char* pszWithout)
    : m_ready(std::move(ready)), m_epoll(::epoll_create1(EPOLL_CLOEXEC))
{
    if (!m_epoll.IsValid()) {
        qCWarning(lcNet, "epoll_create1: %s: %s", std::strerror(errno), pszWithout);
        return;
    }
    m_pNotifier = std::make_unique<QSocketNotifier>(m_epoll.Get(), QSocketNotifier::Read);
    QObject::connect(m_pNotifier.get(), &QSocketNotifier::activated, m_pNotifier.get(),
                     [this] { Ready(); });
}

// The notifier goes before the descriptor it watches.
CEpollWatch::~CEpollWatch()
{
    m_pNotifier.reset();
}

bool CEpollWatch::Add(int nDescriptor)
{
    epoll_event event{};
    event.events = EPOLLIN | EPOLLRDHUP;
    event.data.fd = nDescriptor;
    return m_epoll.IsValid() && ::epoll_ctl(m_epoll.Get(), EPOLL_CTL_ADD, nDescriptor, &event) == 0;
}

void CEpollWatch::Remove(int nDescriptor)
{
    ::epoll_ctl(m_epoll.Get(), EPOLL_CTL_DEL, nDescriptor, nullptr);
}

void CEpollWatch::Ready()
{
    std::array<epoll_event, kEventsPerTurn> events;
    const int nEvents = ::epoll_wait(m_epoll.Get(), events.data(), kEventsPerTurn, 0);
    for (int n = 0; n < nEvents; ++n)
        m_ready(events[static_cast<std::size_t>(n)].data.fd);
}
