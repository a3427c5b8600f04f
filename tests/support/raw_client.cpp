#include "tests/support/raw_client.h"

#include "tests/support/loopback.h"

#include <sys/socket.h>
#include <unistd.h>

namespace {

CRawClientResult Run(const CRawClientScript& script)
{
    CRawClientResult result;
    const int nSocket = Loopback::Connect(script.nPort);
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
    if (!script.bCloseWithoutReading)
        result.strAnswer = Loopback::ReadUntilClosed(nSocket);
    ::close(nSocket);
    return result;
}

} // namespace

std::future<CRawClientResult> RunRawClient(CRawClientScript script)
{
    return std::async(std::launch::async, [script = std::move(script)] { return Run(script); });
}
