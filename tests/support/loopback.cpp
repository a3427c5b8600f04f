#include "tests/support/loopback.h"

#include <QRandomGenerator>

#include <algorithm>
#include <arpa/inet.h>
#include <cstdio>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

namespace Loopback {

int Connect(quint16 nPort, int nReceiveBuffer)
{
    const int nSocket = ::socket(AF_INET, SOCK_STREAM, 0);
    if (nReceiveBuffer > 0)
        ::setsockopt(nSocket, SOL_SOCKET, SO_RCVBUF, &nReceiveBuffer, sizeof(nReceiveBuffer));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(nPort);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(nSocket, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(nSocket);
        return -1;
    }
    return nSocket;
}

bool WriteAll(int nSocket, const QByteArray& strData)
{
    for (qsizetype nDone = 0; nDone < strData.size();) {
        const ssize_t n = ::send(nSocket, strData.constData() + nDone,
                                 static_cast<std::size_t>(strData.size() - nDone), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        nDone += n;
    }
    return true;
}

QByteArray ReadUntilClosed(int nSocket, bool* pbBroken)
{
    QByteArray strAnswer;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = ::recv(nSocket, buffer, sizeof(buffer), 0)) > 0)
        strAnswer.append(buffer, n);
    if (pbBroken)
        *pbBroken = n < 0;
    return strAnswer;
}

namespace {

std::optional<QByteArray> ExchangeOn(int nSocket, const QByteArray& strRequest,
                                     std::chrono::seconds timeLimit)
{
    // A server that hangs is reported, not waited for.
    const timeval limit{static_cast<time_t>(timeLimit.count()), 0};
    ::setsockopt(nSocket, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof(limit));
    WriteAll(nSocket, strRequest);
    bool bBroken = false;
    const QByteArray strAnswer = ReadUntilClosed(nSocket, &bBroken);
    ::close(nSocket);
    // A server may reset the connection after its answer: what came counts.
    if (bBroken && strAnswer.isEmpty())
        return std::nullopt;
    return strAnswer;
}

} // namespace

sockaddr_storage Address(const QByteArray& strAddress, quint16 nPort, socklen_t& nLength)
{
    sockaddr_storage address{};
    if (strAddress.contains(':')) {
        auto& v6 = reinterpret_cast<sockaddr_in6&>(address);
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(nPort);
        ::inet_pton(AF_INET6, strAddress.constData(), &v6.sin6_addr);
        nLength = sizeof(v6);
    } else {
        auto& v4 = reinterpret_cast<sockaddr_in&>(address);
        v4.sin_family = AF_INET;
        v4.sin_port = htons(nPort);
        ::inet_pton(AF_INET, strAddress.constData(), &v4.sin_addr);
        nLength = sizeof(v4);
    }
    return address;
}

std::optional<QByteArray> Exchange(quint16 nPort, const QByteArray& strRequest,
                                   std::chrono::seconds timeLimit)
{
    const int nSocket = Connect(nPort);
    if (nSocket < 0)
        return std::nullopt;
    return ExchangeOn(nSocket, strRequest, timeLimit);
}

std::optional<QByteArray> ExchangeFrom(const QByteArray& strFrom, const QByteArray& strTo,
                                       quint16 nPort, const QByteArray& strRequest,
                                       std::chrono::seconds timeLimit)
{
    socklen_t nFromLength = 0;
    socklen_t nToLength = 0;
    const sockaddr_storage from = Address(strFrom, 0, nFromLength);
    const sockaddr_storage to = Address(strTo, nPort, nToLength);
    const int nSocket = ::socket(from.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (nSocket < 0)
        return std::nullopt;
    if (::bind(nSocket, reinterpret_cast<const sockaddr*>(&from), nFromLength) != 0 ||
        ::connect(nSocket, reinterpret_cast<const sockaddr*>(&to), nToLength) != 0) {
        ::close(nSocket);
        return std::nullopt;
    }
    return ExchangeOn(nSocket, strRequest, timeLimit);
}

quint16 UnusedPort()
{
    // The outgoing range starts at 32768 unless the system says otherwise.
    int nOutgoingFrom = 32768;
    if (FILE* pRange = std::fopen("/proc/sys/net/ipv4/ip_local_port_range", "r")) {
        if (std::fscanf(pRange, "%d", &nOutgoingFrom) != 1)
            nOutgoingFrom = 32768;
        std::fclose(pRange);
    }
    const int nFrom = 10000;
    const int nCount = std::max(nOutgoingFrom - nFrom, 1000);
    const int nStart = static_cast<int>(QRandomGenerator::global()->bounded(nCount));
    for (int n = 0; n < nCount; ++n) {
        const auto nPort = static_cast<quint16>(nFrom + (nStart + n) % nCount);
        const int nSocket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(nPort);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const bool bFree =
            ::bind(nSocket, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
        ::close(nSocket);
        if (bFree)
            return nPort;
    }
    return 0;
}

} // namespace Loopback
