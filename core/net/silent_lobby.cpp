#include "core/net/silent_lobby.h"

#include <algorithm>
#include <iterator>

CSilentLobby::CSilentLobby(std::chrono::milliseconds wait, int nMax, int nMaxPerPeer, CLeave spoke,
                           CLeave timedOut, QObject* pParent)
    : QObject(pParent), m_wait(wait), m_nMax(static_cast<std::size_t>(std::max(1, nMax))),
      m_nMaxPerPeer(static_cast<std::size_t>(std::max(1, nMaxPerPeer))), m_spoke(std::move(spoke)),
      m_timedOut(std::move(timedOut)), m_watch([this](int nDescriptor) { Ready(nDescriptor); },
                                               "silent connections are closed at once")
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &CSilentLobby::Expired);
}

void CSilentLobby::Enter(CDescriptor descriptor, const CPeerAddress& peer)
{
    const int nDescriptor = descriptor.Get();
    if (!m_watch.Add(nDescriptor))
        return;
    // Room for it: the peer's oldest goes, or the oldest of all. Before its
    // peer's list is taken: closing the last one of a peer drops its list, and
    // moves others in the hash.
    if (const auto it = m_perPeer.constFind(peer.strKey);
        it != m_perPeer.cend() && it->size() >= m_nMaxPerPeer)
        Close(it->front());
    else if (m_waiting.size() >= m_nMax)
        Close(m_all.front());
    std::list<int>& peerList = m_perPeer[peer.strKey];
    m_all.push_back(nDescriptor);
    peerList.push_back(nDescriptor);
    m_waiting[nDescriptor] = {std::move(descriptor), peer,
                              std::chrono::steady_clock::now() + m_wait, std::prev(m_all.end()),
                              std::prev(peerList.end())};
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
    m_waiting.clear();
    m_perPeer.clear();
    m_all.clear();
    m_timer.stop();
}

CSilentLobby::CWaiting CSilentLobby::Take(int nDescriptor)
{
    const auto it = m_waiting.find(nDescriptor);
    CWaiting waiting = std::move(it->second);
    m_all.erase(waiting.itAll);
    const auto peerList = m_perPeer.find(waiting.peer.strKey);
    peerList->erase(waiting.itPeer);
    if (peerList->empty())
        m_perPeer.erase(peerList);
    m_waiting.erase(it);
    m_watch.Remove(nDescriptor);
    return waiting;
}

void CSilentLobby::Close(int nDescriptor)
{
    Take(nDescriptor); // and it closes
}

void CSilentLobby::Ready(int nDescriptor)
{
    // One taken back may have made another of this turn's go already.
    if (!m_waiting.contains(nDescriptor))
        return;
    CWaiting waiting = Take(nDescriptor);
    m_spoke(std::move(waiting.descriptor), waiting.peer);
}

void CSilentLobby::Expired()
{
    const auto now = std::chrono::steady_clock::now();
    while (!m_all.empty() && m_waiting.at(m_all.front()).deadline <= now) {
        CWaiting waiting = Take(m_all.front());
        m_timedOut(std::move(waiting.descriptor), waiting.peer);
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
