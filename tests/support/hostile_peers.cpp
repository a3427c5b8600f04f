#include "tests/support/hostile_peers.h"

#include "tests/support/loopback.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

struct CPeer
{
    int nSocket = -1;
    int nAddress = 0; // which of the plan's addresses it comes from
    bool bConnected = false;
    bool bTrickling = false;
    bool bGotData = false;
    qsizetype nTrickled = 0;
};

// The plan's address number nIndex, with the port: the address counted on by
// nIndex in its last bits.
sockaddr_storage AddressOf(const QByteArray& strAddress, quint64 nIndex, quint16 nPort,
                           socklen_t& nLength)
{
    sockaddr_storage address = Loopback::Address(strAddress, nPort, nLength);
    if (address.ss_family == AF_INET6) {
        auto& v6 = reinterpret_cast<sockaddr_in6&>(address);
        quint64 nLow = 0;
        for (int n = 8; n < 16; ++n)
            nLow = (nLow << 8) | v6.sin6_addr.s6_addr[n];
        nLow += nIndex;
        for (int n = 15; n >= 8; --n, nLow >>= 8)
            v6.sin6_addr.s6_addr[n] = static_cast<unsigned char>(nLow & 0xFF);
    } else {
        auto& v4 = reinterpret_cast<sockaddr_in&>(address);
        v4.sin_addr.s_addr = htonl(ntohl(v4.sin_addr.s_addr) + static_cast<quint32>(nIndex));
    }
    return address;
}

int StartConnecting(const CHostilePlan& plan, int nAddress)
{
    socklen_t nFromLength = 0;
    socklen_t nToLength = 0;
    const sockaddr_storage from =
        AddressOf(plan.strFrom, static_cast<quint64>(nAddress), 0, nFromLength);
    const sockaddr_storage to = AddressOf(plan.strTo, 0, plan.nPort, nToLength);
    const int nSocket = ::socket(from.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (nSocket < 0)
        return -1;
    if (::bind(nSocket, reinterpret_cast<const sockaddr*>(&from), nFromLength) != 0 ||
        (::connect(nSocket, reinterpret_cast<const sockaddr*>(&to), nToLength) != 0 &&
         errno != EINPROGRESS)) {
        ::close(nSocket);
        return -1;
    }
    return nSocket;
}

} // namespace

int RaiseDescriptorLimit()
{
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
    ::getrlimit(RLIMIT_NOFILE, &limit);
    return static_cast<int>(std::min<rlim_t>(limit.rlim_cur, 1 << 30));
}

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
    const int nAddresses = std::max(1, plan.nAddresses);
    std::vector<CPeer> peers;
    const auto connectFrom = [&](int nAddress, bool bTrickling) {
        const int nSocket = StartConnecting(plan, nAddress);
        if (nSocket >= 0)
            peers.push_back({.nSocket = nSocket, .nAddress = nAddress, .bTrickling = bTrickling});
        else
            ++m_nFailed;
    };
    for (int n = 0; n < plan.nIdle + plan.nTrickling && m_nLetGo == 0; ++n)
        connectFrom(n % nAddresses, n < plan.nTrickling);
    m_bAllStarted = true;

    QByteArray strStream;
    if (plan.bStream) {
        while (strStream.size() < 65536)
            strStream += plan.strTrickle;
    }
    auto nextTrickle = std::chrono::steady_clock::now();
    std::vector<pollfd> polled;
    while (m_nLetGo == 0) {
        polled.clear();
        for (const CPeer& peer : peers) {
            const bool bWrites = peer.bConnected && peer.bTrickling && plan.bStream;
            polled.push_back({peer.nSocket,
                              static_cast<short>(!peer.bConnected ? POLLOUT
                                                 : bWrites        ? POLLIN | POLLOUT
                                                                  : POLLIN),
                              0});
        }
        ::poll(polled.data(), polled.size(), 20);
        const bool bTrickleNow = std::chrono::steady_clock::now() >= nextTrickle;
        if (bTrickleNow)
            nextTrickle += plan.trickleEvery;
        std::vector<CPeer> open;
        std::vector<CPeer> again;
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
                } else {
                    ++m_nFailed;
                    bClosed = true; // refused: it never was
                }
            } else if (peer.bConnected && (polled[n].revents & (POLLIN | POLLERR | POLLHUP)) != 0) {
                char buffer[4096];
                ssize_t nRead = 0;
                while ((nRead = ::recv(peer.nSocket, buffer, sizeof(buffer), MSG_DONTWAIT)) > 0)
                    peer.bGotData = true;
                if (nRead == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
                    ++m_nClosedByServer;
                    if (peer.bGotData)
                        ++m_nAnswered;
                    bClosed = true;
                    if (plan.bReconnect)
                        again.push_back(peer);
                }
            }
            if (!bClosed && peer.bConnected && peer.bTrickling && plan.bStream &&
                (polled[n].revents & POLLOUT) != 0) {
                // Bounded per turn, so that one stream cannot hold up the others.
                for (int nChunk = 0; nChunk < 16; ++nChunk) {
                    const ssize_t nSent = ::send(peer.nSocket, strStream.constData(),
                                                 static_cast<std::size_t>(strStream.size()),
                                                 MSG_NOSIGNAL | MSG_DONTWAIT);
                    if (nSent <= 0)
                        break;
                    m_nWritten += nSent;
                }
            } else if (!bClosed && peer.bConnected && peer.bTrickling && !plan.bStream &&
                       bTrickleNow && !plan.strTrickle.isEmpty()) {
                const char cByte = plan.strTrickle.at(peer.nTrickled++ % plan.strTrickle.size());
                if (::send(peer.nSocket, &cByte, 1, MSG_NOSIGNAL | MSG_DONTWAIT) == 1)
                    ++m_nWritten;
            }
            if (bClosed)
                ::close(peer.nSocket);
            else
                open.push_back(peer);
        }
        peers.swap(open);
        for (const CPeer& peer : again)
            connectFrom(peer.nAddress, peer.bTrickling);
    }
    for (const CPeer& peer : peers) {
        if (m_nLetGo == 2) {
            const linger reset{1, 0};
            ::setsockopt(peer.nSocket, SOL_SOCKET, SO_LINGER, &reset, sizeof(reset));
        }
        ::close(peer.nSocket);
    }
}
