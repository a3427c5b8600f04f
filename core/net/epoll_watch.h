#pragma once

#include "core/net/descriptor.h"

#include <functional>
#include <memory>

class QSocketNotifier;

// Sockets watched for input (or their peer's end) through one epoll
// descriptor, which the event loop watches in their place: however many there
// are, they cost it one notifier. Without an epoll descriptor (the system had
// none to give) nothing can be watched.
class CEpollWatch
{
public:
    // Sockets looked at per turn of the event loop; the others come next turn.
    static constexpr int kEventsPerTurn = 64;

    // ready runs for each watched socket that has something; pszWithout says
    // in the warning what happens to the sockets when none can be watched.
    CEpollWatch(std::function<void(int nDescriptor)> ready, const char* pszWithout);
    ~CEpollWatch();
    CEpollWatch(const CEpollWatch&) = delete;
    CEpollWatch& operator=(const CEpollWatch&) = delete;

    // False when the socket cannot be watched.
    bool Add(int nDescriptor);
    void Remove(int nDescriptor);

private:
    void Ready();

    std::function<void(int nDescriptor)> m_ready;
    CDescriptor m_epoll;
    std::unique_ptr<QSocketNotifier> m_pNotifier;
};
