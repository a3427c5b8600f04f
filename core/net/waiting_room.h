#pragma once

#include "core/net/peer_address.h"

#include <QByteArray>
#include <QHash>

#include <deque>
#include <optional>
#include <vector>

// The connections accepted but not yet served, by peer, and whose turn comes
// next. Peers take turns, one connection each, so that many connections from
// some peers never keep another peer waiting behind all of them; a peer none of
// whose connections is being served goes first. A peer serves at most its share
// at the same time, and keeps at most its share waiting. Peers are told apart by
// their key (an IPv6 peer by its /64).
class CWaitingRoom
{
public:
    struct CWaiting
    {
        int nDescriptor;
        CPeerAddress peer;
    };

    CWaitingRoom(int nMaxServedPerPeer, int nMaxWaitingPerPeer);

    // A new connection from the peer; false when the peer has its share
    // waiting already (the caller closes it unread).
    bool Enter(int nDescriptor, const CPeerAddress& peer);
    // A connection of the peer is served without having waited.
    void Join(const QByteArray& strKey);
    // Whether a connection of the peer would be served now, were there room.
    bool BelowShare(const QByteArray& strKey) const;
    // The connection whose turn it is, now counted as served for its peer; none
    // when no waiting peer is below its share of served connections.
    std::optional<CWaiting> Next();
    // The same without taking it: it stays waiting.
    const CWaiting* PeekNext() const;
    // A served connection of the peer has ended (its reading).
    void Left(const QByteArray& strKey);
    // The descriptors run out: the newest waiting connection of the peer with
    // the most waiting (of equals, the lowest key: the choice never depends on
    // the order of a hash), which the caller closes unread; -1 when none waits.
    int Evict();
    // Every waiting connection, for closing; the room is empty after.
    std::vector<int> TakeAll();

    int WaitingCount() const { return m_nWaiting; }

private:
    struct CPeer
    {
        int nServed = 0;
        std::deque<CWaiting> waiting;
    };

    // Whether the peer may have a connection served now: it is in the turns.
    bool HasTurn(const CPeer& peer) const;
    void DropTurn(const QByteArray& strKey);
    void ForgetIfDone(const QByteArray& strKey);

    int m_nMaxServedPerPeer;
    int m_nMaxWaitingPerPeer;
    QHash<QByteArray, CPeer> m_peers;
    // The peers that have a turn, in order, each in one of them once: those
    // with nothing served, who go first, and the others.
    std::deque<QByteArray> m_fresh;
    std::deque<QByteArray> m_turns;
    int m_nWaiting = 0;
};
