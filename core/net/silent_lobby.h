#pragma once

#include "core/net/descriptor.h"
#include "core/net/epoll_watch.h"
#include "core/net/peer_address.h"

#include <QHash>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <list>
#include <unordered_map>

// Connections handed over before they sent anything wait here, without a place
// among those being read: until they speak (the system hands over a connection
// whose handshake overflowed its queue without waiting for data, and an honest
// peer's first bytes may follow a moment later), or until their time runs out.
// They are watched through one epoll descriptor and run out by one timer. The
// lobby holds a bounded number, and a bounded number of one peer; beyond, the
// oldest is closed unread.
class CSilentLobby : public QObject
{
    Q_OBJECT

public:
    // A connection leaves: it spoke (or closed), or its time ran out.
    using CLeave = std::function<void(CDescriptor descriptor, const CPeerAddress& peer)>;

    CSilentLobby(std::chrono::milliseconds wait, int nMax, int nMaxPerPeer, CLeave spoke,
                 CLeave timedOut, QObject* pParent = nullptr);

    // Closes the connection when it cannot be watched.
    void Enter(CDescriptor descriptor, const CPeerAddress& peer);
    int Count() const { return static_cast<int>(m_waiting.size()); }
    // Closes the one that has waited longest; false when none waits.
    bool CloseOldest();
    // Closes every one.
    void CloseAll();

private:
    struct CWaiting
    {
        CDescriptor descriptor;
        CPeerAddress peer;
        std::chrono::steady_clock::time_point deadline;
        std::list<int>::iterator itAll;  // in m_all
        std::list<int>::iterator itPeer; // in its peer's list
    };

    void Ready(int nDescriptor);
    void Expired();
    void StartTimer();
    // Takes it out of the lobby (it closes when the caller lets it go).
    CWaiting Take(int nDescriptor);
    void Close(int nDescriptor);

    std::chrono::milliseconds m_wait;
    std::size_t m_nMax;
    std::size_t m_nMaxPerPeer;
    CLeave m_spoke;
    CLeave m_timedOut;
    CEpollWatch m_watch;
    std::unordered_map<int, CWaiting> m_waiting;
    // In the order they came, which is the order they run out (every one
    // waits as long), of all and of each peer.
    std::list<int> m_all;
    QHash<QByteArray, std::list<int>> m_perPeer;
    QTimer m_timer;
};
