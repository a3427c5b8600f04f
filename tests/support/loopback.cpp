#include "tests/support/loopback.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
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

std::optional<QByteArray> Exchange(quint16 nPort, const QByteArray& strRequest,
                                   std::chrono::seconds timeLimit)
{
    const int nSocket = Connect(nPort);
    if (nSocket < 0)
        return std::nullopt;
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

} // namespace Loopback
