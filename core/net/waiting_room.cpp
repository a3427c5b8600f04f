#include "core/net/waiting_room.h"

#include <algorithm>

CWaitingRoom::CWaitingRoom(int nMaxServedPerPeer, int nMaxWaitingPerPeer)
    : m_nMaxServedPerPeer(nMaxServedPerPeer), m_nMaxWaitingPerPeer(nMaxWaitingPerPeer)
{}

bool CWaitingRoom::HasTurn(const CPeer& peer) const
{
    return !peer.waiting.empty() && peer.nServed < m_nMaxServedPerPeer;
}

bool CWaitingRoom::Enter(int nDescriptor, const QByteArray& strPeer)
{
    CPeer& peer = m_peers[strPeer];
    if (static_cast<int>(peer.waiting.size()) >= m_nMaxWaitingPerPeer) {
        ForgetIfDone(strPeer);
        return false;
    }
    const bool bHadTurn = HasTurn(peer);
    peer.waiting.push_back(nDescriptor);
    ++m_nWaiting;
    if (!bHadTurn && HasTurn(peer)) {
        // A peer that has nothing served goes before those that have.
        (peer.nServed == 0 ? m_fresh : m_turns).push_back(strPeer);
    }
    return true;
}

std::optional<CWaitingRoom::CWaiting> CWaitingRoom::Next()
{
    std::deque<QByteArray>& turns = m_fresh.empty() ? m_turns : m_fresh;
    if (turns.empty())
        return std::nullopt;
    QByteArray strPeer = std::move(turns.front());
    turns.pop_front();
    CPeer& peer = m_peers[strPeer];
    const int nDescriptor = peer.waiting.front();
    peer.waiting.pop_front();
    --m_nWaiting;
    ++peer.nServed;
    if (HasTurn(peer))
        m_turns.push_back(strPeer); // its next one after the others' turns
    return CWaiting{nDescriptor, std::move(strPeer)};
}

void CWaitingRoom::Left(const QByteArray& strPeer)
{
    const auto it = m_peers.find(strPeer);
    if (it == m_peers.end())
        return;
    const bool bHadTurn = HasTurn(*it);
    --it->nServed;
    if (!bHadTurn && HasTurn(*it)) {
        (it->nServed == 0 ? m_fresh : m_turns).push_back(strPeer);
    } else if (bHadTurn && it->nServed == 0) {
        // Nothing of it is served any more: it goes with those that go first.
        DropTurn(strPeer);
        m_fresh.push_back(strPeer);
    }
    ForgetIfDone(strPeer);
}

int CWaitingRoom::Evict()
{
    const auto heaviest =
        std::max_element(m_peers.begin(), m_peers.end(), [](const CPeer& a, const CPeer& b) {
            return a.waiting.size() < b.waiting.size();
        });
    if (heaviest == m_peers.end() || heaviest->waiting.empty())
        return -1;
    const QByteArray strPeer = heaviest.key();
    const int nDescriptor = heaviest->waiting.back();
    heaviest->waiting.pop_back();
    --m_nWaiting;
    if (heaviest->waiting.empty())
        DropTurn(strPeer);
    ForgetIfDone(strPeer);
    return nDescriptor;
}

std::vector<int> CWaitingRoom::TakeAll()
{
    std::vector<int> descriptors;
    descriptors.reserve(static_cast<std::size_t>(m_nWaiting));
    for (CPeer& peer : m_peers) {
        descriptors.insert(descriptors.end(), peer.waiting.begin(), peer.waiting.end());
        peer.waiting.clear();
    }
    m_fresh.clear();
    m_turns.clear();
    m_peers.removeIf([](const auto& it) { return it.value().nServed <= 0; });
    m_nWaiting = 0;
    return descriptors;
}

void CWaitingRoom::DropTurn(const QByteArray& strPeer)
{
    for (std::deque<QByteArray>* pTurns : {&m_fresh, &m_turns}) {
        if (const auto it = std::find(pTurns->begin(), pTurns->end(), strPeer);
            it != pTurns->end()) {
            pTurns->erase(it);
            return;
        }
    }
}

void CWaitingRoom::ForgetIfDone(const QByteArray& strPeer)
{
    const auto it = m_peers.find(strPeer);
    if (it != m_peers.end() && it->nServed <= 0 && it->waiting.empty())
        m_peers.erase(it);
}
