#include "tests/support/raw_client.h"

#include "tests/support/event_loop.h"
#include "tests/support/loopback.h"

#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

CRawClientResult Run(const CRawClientScript& script)
{
    CRawClientResult result;
    const int nSocket = Loopback::Connect(script.nPort, script.nReceiveBuffer);
    if (nSocket < 0)
        return result;
    result.bConnected = true;
    Loopback::WriteAll(nSocket, script.strFirst);
    if (script.pFirstWritten)
        script.pFirstWritten->set_value();
    if (script.gate.valid())
        script.gate.wait();
    if (!script.strSecond.isEmpty())
        Loopback::WriteAll(nSocket, script.strSecond);
    if (script.bHalfClose)
        ::shutdown(nSocket, SHUT_WR);
    if (script.bCloseWithoutReading) {
        // nothing read
    } else if (script.readPause > std::chrono::milliseconds(0)) {
        char buffer[1024];
        ssize_t n = 0;
        while ((n = ::recv(nSocket, buffer, sizeof(buffer), 0)) > 0) {
            result.strAnswer.append(buffer, n);
            std::this_thread::sleep_for(script.readPause);
        }
    } else {
        result.strAnswer = Loopback::ReadUntilClosed(nSocket);
    }
    ::close(nSocket);
    return result;
}

} // namespace

std::future<CRawClientResult> RunRawClient(CRawClientScript script)
{
    return std::async(std::launch::async, [script = std::move(script)] { return Run(script); });
}

QByteArray AskRawClient(quint16 nPort, const QByteArray& strData)
{
    CRawClientScript script;
    script.nPort = nPort;
    script.strFirst = strData;
    auto result = RunRawClient(script);
    SpinUntil(
        [&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
    return result.get().strAnswer;
}
