#include "tests/support/raw_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool WriteAll(int nSocket, const QByteArray& strData)
{
    qsizetype nDone = 0;
    while (nDone < strData.size()) {
        const ssize_t n = ::send(nSocket, strData.constData() + nDone,
                                 static_cast<std::size_t>(strData.size() - nDone), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        nDone += n;
    }
    return true;
}

CRawClientResult Run(const CRawClientScript& script)
{
    CRawClientResult result;
    const int nSocket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(script.nPort);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(nSocket, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(nSocket);
        return result;
    }
    result.bConnected = true;
    WriteAll(nSocket, script.strFirst);
    if (script.pFirstWritten)
        script.pFirstWritten->set_value();
    if (script.gate.valid())
        script.gate.wait();
    if (!script.strSecond.isEmpty())
        WriteAll(nSocket, script.strSecond);
    if (script.bHalfClose)
        ::shutdown(nSocket, SHUT_WR);
    if (!script.bCloseWithoutReading) {
        char buffer[256];
        for (;;) {
            const ssize_t n = ::recv(nSocket, buffer, sizeof(buffer), 0);
            if (n <= 0)
                break;
            result.strAnswer.append(buffer, n);
        }
    }
    ::close(nSocket);
    return result;
}

} // namespace

std::future<CRawClientResult> RunRawClient(CRawClientScript script)
{
    return std::async(std::launch::async, [script = std::move(script)] { return Run(script); });
}
