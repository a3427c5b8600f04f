#pragma once

#include "core/net/descriptor.h"
#include "core/net/epoll_watch.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <deque>
#include <unordered_map>

// Closes served connections without cutting off the reply. Closing a socket that
// still holds unread input makes the kernel reset the connection, and the peer may
// then lose the reply it has not read yet. So the sending direction is shut down
// first and what the peer still sends is read and dropped until it closes too, a
// time limit passes or enough has been dropped; only then is the socket closed.
// This happens on the event loop and never holds up the next connection. The
// sockets are watched through one epoll descriptor and run out by one timer, so
// a closing socket costs the event loop nothing of its own.
class CSocketCloser : public QObject
{
    Q_OBJECT

public:
    // At most nMaxLingering sockets linger; beyond, the oldest is closed at once.
    explicit CSocketCloser(std::chrono::milliseconds linger = std::chrono::seconds(5),
                           std::size_t nMaxLingering = 32, QObject* pParent = nullptr);

    void Close(CDescriptor descriptor);

    int LingeringCount() const { return static_cast<int>(m_lingering.size()); }
    // Closes every lingering socket now (their descriptors are needed).
    void CloseAll();

private:
    struct CLingering
    {
        CDescriptor descriptor;
        std::chrono::steady_clock::time_point deadline;
        qint64 nDrained = 0;
    };

    void Drain(int nDescriptor);
    // Drops what the peer sent; true when the socket is done with.
    bool DrainOne(int nDescriptor, CLingering& lingering);
    void CloseNow(int nDescriptor);
    void CloseIfStill(int nDescriptor, std::chrono::steady_clock::time_point deadline);
    void CloseExpired();
    // For the first to run out, when there is one.
    void StartTimer();

    std::chrono::milliseconds m_linger;
    std::size_t m_nMaxLingering;
    CEpollWatch m_watch;
    std::unordered_map<int, CLingering> m_lingering;
    // The descriptors in the order they came, which is the order they run out
    // (one closed early stays here until its turn, and is passed over).
    std::deque<std::pair<int, std::chrono::steady_clock::time_point>> m_order;
    QTimer m_timer;
};
