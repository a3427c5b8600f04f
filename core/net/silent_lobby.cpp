#include "core/net/silent_lobby.h"

#include "core/interfaces/logging.h"

#include <QSocketNotifier>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <sys/epoll.h>
#include <unistd.h>

namespace {
// Connections taken back per turn of the event loop.
constexpr int kEventsPerTurn = 64;
} // namespace

CSilentLobby::CSilentLobby(std::chrono::milliseconds wait, int nMax, int nMaxPerPeer, CLeave spoke,
                           CLeave timedOut, QObject* pParent)
    : QObject(pParent), m_wait(wait), m_nMax(static_cast<std::size_t>(std::max(1, nMax))),
      m_nMaxPerPeer(static_cast<std::size_t>(std::max(1, nMaxPerPeer))), m_spoke(std::move(spoke)),
      m_timedOut(std::move(timedOut)), m_nEpoll(::epoll_create1(EPOLL_CLOEXEC))
{
    if (m_nEpoll < 0) {
        qCWarning(lcNet, "epoll_create1: %s: silent connections are closed at once",
                  std::strerror(errno));
    } else {
        m_pNotifier = std::make_unique<QSocketNotifier>(m_nEpoll, QSocketNotifier::Read);
        connect(m_pNotifier.get(), &QSocketNotifier::activated, this, &CSilentLobby::Ready);
    }
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &CSilentLobby::Expired);
}

CSilentLobby::~CSilentLobby()
{
    CloseAll();
    m_pNotifier.reset();
    if (m_nEpoll >= 0)
        ::close(m_nEpoll);
}

void CSilentLobby::Enter(int nDescriptor, const CPeerAddress& peer)
{
    epoll_event event{};
    event.events = EPOLLIN | EPOLLRDHUP;
    event.data.fd = nDescriptor;
    if (m_nEpoll < 0 || ::epoll_ctl(m_nEpoll, EPOLL_CTL_ADD, nDescriptor, &event) != 0) {
        ::close(nDescriptor);
        return;
    }
    // Room for it: the peer's oldest goes, or the oldest of all.
    std::list<int>& peerList = m_perPeer[peer.strKey];
    if (peerList.size() >= m_nMaxPerPeer)
        Close(peerList.front());
    else if (m_waiting.size() >= m_nMax)
        Close(m_all.front());
    m_all.push_back(nDescriptor);
    peerList.push_back(nDescriptor);
    m_waiting[nDescriptor] = {peer, std::chrono::steady_clock::now() + m_wait,
                              std::prev(m_all.end()), std::prev(peerList.end())};
    if (!m_timer.isActive())
        StartTimer();
}

bool CSilentLobby::CloseOldest()
{
    if (m_all.empty())
        return false;
    Close(m_all.front());
    return true;
}

void CSilentLobby::CloseAll()
{
    for (const auto& [nDescriptor, waiting] : m_waiting)
        ::close(nDescriptor);
    m_waiting.clear();
    m_perPeer.clear();
    m_all.clear();
    m_timer.stop();
}

CPeerAddress CSilentLobby::Take(int nDescriptor)
{
    const auto it = m_waiting.find(nDescriptor);
    CPeerAddress peer = std::move(it->second.peer);
    m_all.erase(it->second.itAll);
    const auto peerList = m_perPeer.find(peer.strKey);
    peerList->erase(it->second.itPeer);
    if (peerList->empty())
        m_perPeer.erase(peerList);
    m_waiting.erase(it);
    ::epoll_ctl(m_nEpoll, EPOLL_CTL_DEL, nDescriptor, nullptr);
    return peer;
}

void CSilentLobby::Close(int nDescriptor)
{
    Take(nDescriptor);
    ::close(nDescriptor);
}

void CSilentLobby::Ready()
{
    std::array<epoll_event, kEventsPerTurn> events;
    const int nEvents = ::epoll_wait(m_nEpoll, events.data(), kEventsPerTurn, 0);
    for (int n = 0; n < nEvents; ++n) {
        const int nDescriptor = events[static_cast<std::size_t>(n)].data.fd;
        // One taken back may have made another of this turn's go already.
        if (!m_waiting.contains(nDescriptor))
            continue;
        const CPeerAddress peer = Take(nDescriptor);
        m_spoke(nDescriptor, peer);
    }
}

void CSilentLobby::Expired()
{
    const auto now = std::chrono::steady_clock::now();
    while (!m_all.empty() && m_waiting.at(m_all.front()).deadline <= now) {
        const int nDescriptor = m_all.front();
        const CPeerAddress peer = Take(nDescriptor);
        m_timedOut(nDescriptor, peer);
    }
    StartTimer();
}

void CSilentLobby::StartTimer()
{
    if (m_all.empty())
        return;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(
        m_waiting.at(m_all.front()).deadline - std::chrono::steady_clock::now());
    m_timer.start(std::max(left, std::chrono::milliseconds(0)));
}
