#include "tests/support/hostile_peers.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

struct CPeer
{
    int nSocket = -1;
    bool bConnected = false;
    bool bTrickling = false;
    bool bGotData = false;
    qsizetype nTrickled = 0;
};

int StartConnecting(const CHostilePlan& plan)
{
    const int nSocket = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (nSocket < 0)
        return -1;
    sockaddr_in from{};
    from.sin_family = AF_INET;
    ::inet_pton(AF_INET, plan.strFrom.constData(), &from.sin_addr);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(plan.nPort);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(nSocket, reinterpret_cast<const sockaddr*>(&from), sizeof(from)) != 0 ||
        (::connect(nSocket, reinterpret_cast<const sockaddr*>(&to), sizeof(to)) != 0 &&
         errno != EINPROGRESS)) {
        ::close(nSocket);
        return -1;
    }
    return nSocket;
}

} // namespace

CHostilePeers::CHostilePeers(const CHostilePlan& plan) : m_thread([this, plan] { Run(plan); }) {}

CHostilePeers::~CHostilePeers()
{
    if (m_nLetGo == 0)
        m_nLetGo = 1;
    m_thread.join();
}

void CHostilePeers::LetGo(bool bReset)
{
    m_nLetGo = bReset ? 2 : 1;
}

void CHostilePeers::Run(CHostilePlan plan)
{
    std::vector<CPeer> peers;
    for (int n = 0; n < plan.nIdle + plan.nTrickling && m_nLetGo == 0; ++n) {
        const int nSocket = StartConnecting(plan);
        if (nSocket >= 0)
            peers.push_back({.nSocket = nSocket, .bTrickling = n < plan.nTrickling});
    }
    m_bAllStarted = true;

    auto nextTrickle = std::chrono::steady_clock::now();
    std::vector<pollfd> polled;
    while (m_nLetGo == 0) {
        polled.clear();
        for (const CPeer& peer : peers)
            polled.push_back(
                {peer.nSocket, static_cast<short>(peer.bConnected ? POLLIN : POLLOUT), 0});
        ::poll(polled.data(), polled.size(), 20);
        const bool bTrickleNow = std::chrono::steady_clock::now() >= nextTrickle;
        if (bTrickleNow)
            nextTrickle += plan.trickleEvery;
        std::vector<CPeer> open;
        for (std::size_t n = 0; n < peers.size(); ++n) {
            CPeer& peer = peers[n];
            bool bClosed = false;
            if (!peer.bConnected && polled[n].revents != 0) {
                int nError = 0;
                socklen_t nLength = sizeof(nError);
                ::getsockopt(peer.nSocket, SOL_SOCKET, SO_ERROR, &nError, &nLength);
                peer.bConnected = nError == 0;
                if (peer.bConnected) {
                    ++m_nConnected;
                    if (peer.bTrickling && !plan.strFirst.isEmpty())
                        ::send(peer.nSocket, plan.strFirst.constData(),
                               static_cast<std::size_t>(plan.strFirst.size()),
                               MSG_NOSIGNAL | MSG_DONTWAIT);
                } else
                    bClosed = true; // refused: it never was
            } else if (peer.bConnected && polled[n].revents != 0) {
                char buffer[4096];
                ssize_t nRead = 0;
                while ((nRead = ::recv(peer.nSocket, buffer, sizeof(buffer), MSG_DONTWAIT)) > 0)
                    peer.bGotData = true;
                if (nRead == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
                    ++m_nClosedByServer;
                    if (peer.bGotData)
                        ++m_nAnswered;
                    bClosed = true;
                }
            }
            if (!bClosed && peer.bConnected && peer.bTrickling && bTrickleNow &&
                !plan.strTrickle.isEmpty()) {
                const char cByte = plan.strTrickle.at(peer.nTrickled++ % plan.strTrickle.size());
                ::send(peer.nSocket, &cByte, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
            }
            if (bClosed)
                ::close(peer.nSocket);
            else
                open.push_back(peer);
        }
        peers.swap(open);
    }
    for (const CPeer& peer : peers) {
        if (m_nLetGo == 2) {
            const linger reset{1, 0};
            ::setsockopt(peer.nSocket, SOL_SOCKET, SO_LINGER, &reset, sizeof(reset));
        }
        ::close(peer.nSocket);
    }
}
