#include "core/net/waiting_room.h"

#include <algorithm>

CWaitingRoom::CWaitingRoom(int nMaxServedPerPeer, int nMaxWaitingPerPeer)
    : m_nMaxServedPerPeer(nMaxServedPerPeer), m_nMaxWaitingPerPeer(nMaxWaitingPerPeer)
{}

bool CWaitingRoom::HasTurn(const CPeer& peer) const
{
    return !peer.waiting.empty() && peer.nServed < m_nMaxServedPerPeer;
}

bool CWaitingRoom::BelowShare(const QByteArray& strKey) const
{
    const auto it = m_peers.constFind(strKey);
    return it == m_peers.cend() || it->nServed < m_nMaxServedPerPeer;
}

bool CWaitingRoom::Enter(int nDescriptor, const CPeerAddress& peerAddress)
{
    const QByteArray& strKey = peerAddress.strKey;
    CPeer& peer = m_peers[strKey];
    if (static_cast<int>(peer.waiting.size()) >= m_nMaxWaitingPerPeer) {
        ForgetIfDone(strKey);
        return false;
    }
    const bool bHadTurn = HasTurn(peer);
    peer.waiting.push_back({nDescriptor, peerAddress});
    ++m_nWaiting;
    if (!bHadTurn && HasTurn(peer)) {
        // A peer that has nothing served goes before those that have.
        (peer.nServed == 0 ? m_fresh : m_turns).push_back(strKey);
    }
    return true;
}

void CWaitingRoom::Join(const QByteArray& strKey)
{
    CPeer& peer = m_peers[strKey];
    const bool bHadTurn = HasTurn(peer);
    ++peer.nServed;
    if (bHadTurn && !HasTurn(peer))
        DropTurn(strKey);
}

std::optional<CWaitingRoom::CWaiting> CWaitingRoom::Next()
{
    std::deque<QByteArray>& turns = m_fresh.empty() ? m_turns : m_fresh;
    if (turns.empty())
        return std::nullopt;
    QByteArray strKey = std::move(turns.front());
    turns.pop_front();
    CPeer& peer = m_peers[strKey];
    CWaiting next = std::move(peer.waiting.front());
    peer.waiting.pop_front();
    --m_nWaiting;
    ++peer.nServed;
    if (HasTurn(peer))
        m_turns.push_back(std::move(strKey)); // its next one after the others' turns
    return next;
}

const CWaitingRoom::CWaiting* CWaitingRoom::PeekNext() const
{
    const std::deque<QByteArray>& turns = m_fresh.empty() ? m_turns : m_fresh;
    if (turns.empty())
        return nullptr;
    const auto it = m_peers.constFind(turns.front());
    return it == m_peers.cend() || it->waiting.empty() ? nullptr : &it->waiting.front();
}

void CWaitingRoom::Left(const QByteArray& strKey)
{
    const auto it = m_peers.find(strKey);
    if (it == m_peers.end())
        return;
    const bool bHadTurn = HasTurn(*it);
    --it->nServed;
    if (!bHadTurn && HasTurn(*it)) {
        (it->nServed == 0 ? m_fresh : m_turns).push_back(strKey);
    } else if (bHadTurn && it->nServed == 0) {
        // Nothing of it is served any more: it goes with those that go first.
        DropTurn(strKey);
        m_fresh.push_back(strKey);
    }
    ForgetIfDone(strKey);
}

int CWaitingRoom::Evict()
{
    auto heaviest = m_peers.end();
    for (auto it = m_peers.begin(); it != m_peers.end(); ++it) {
        if (it->waiting.empty())
            continue;
        if (heaviest == m_peers.end() || it->waiting.size() > heaviest->waiting.size() ||
            (it->waiting.size() == heaviest->waiting.size() && it.key() < heaviest.key()))
            heaviest = it;
    }
    if (heaviest == m_peers.end())
        return -1;
    const QByteArray strKey = heaviest.key();
    const int nDescriptor = heaviest->waiting.back().nDescriptor;
    heaviest->waiting.pop_back();
    --m_nWaiting;
    if (heaviest->waiting.empty())
        DropTurn(strKey);
    ForgetIfDone(strKey);
    return nDescriptor;
}

std::vector<int> CWaitingRoom::TakeAll()
{
    std::vector<int> descriptors;
    descriptors.reserve(static_cast<std::size_t>(m_nWaiting));
    for (CPeer& peer : m_peers) {
        for (const CWaiting& waiting : peer.waiting)
            descriptors.push_back(waiting.nDescriptor);
        peer.waiting.clear();
    }
    m_fresh.clear();
    m_turns.clear();
    m_peers.removeIf([](const auto& it) { return it.value().nServed <= 0; });
    m_nWaiting = 0;
    return descriptors;
}

void CWaitingRoom::DropTurn(const QByteArray& strKey)
{
    for (std::deque<QByteArray>* pTurns : {&m_fresh, &m_turns}) {
        if (const auto it = std::find(pTurns->begin(), pTurns->end(), strKey);
            it != pTurns->end()) {
            pTurns->erase(it);
            return;
        }
    }
}

void CWaitingRoom::ForgetIfDone(const QByteArray& strKey)
{
    const auto it = m_peers.find(strKey);
    if (it != m_peers.end() && it->nServed <= 0 && it->waiting.empty())
        m_peers.erase(it);
}
