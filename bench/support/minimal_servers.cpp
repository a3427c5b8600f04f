#include "bench/support/minimal_servers.h"

#include <arpa/inet.h>
#include <csignal>
#include <cstring>
#include <netinet/in.h>
#include <string>
#include <string_view>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr std::size_t kNoteLimit = 110000;
// The acknowledged count depends on the size of each read (a note that never
// ends is read to the first read past the limit): the protocol's own size.
constexpr std::size_t kNoteRead = 9999;

bool EndsNote(std::string_view text, std::size_t nFrom)
{
    for (std::size_t nAt = text.find("/$3", nFrom); nAt != std::string_view::npos;
         nAt = text.find("/$3", nAt + 1)) {
        const std::string_view rest = text.substr(nAt + 3);
        if (rest.size() >= 4 && (rest[0] == '0' || rest[0] == '1') && rest.substr(1, 3) == "/$4")
            return true;
    }
    return false;
}

} // namespace

CMinimalServer::CMinimalServer(EProtocol eProtocol, QByteArray strFingerReply)
    : m_eProtocol(eProtocol), m_strFingerReply(std::move(strFingerReply))
{
    const int nListening = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t nLength = sizeof(address);
    if (nListening < 0 ||
        ::bind(nListening, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(nListening, SOMAXCONN) != 0 ||
        ::getsockname(nListening, reinterpret_cast<sockaddr*>(&address), &nLength) != 0)
        return; // port 0: did not come up
    m_nChild = ::fork();
    if (m_nChild == 0)
        Run(nListening);
    ::close(nListening);
    if (m_nChild > 0)
        m_nPort = ntohs(address.sin_port);
}

CMinimalServer::~CMinimalServer()
{
    if (m_nChild <= 0)
        return;
    ::kill(m_nChild, SIGTERM);
    ::waitpid(m_nChild, nullptr, 0);
}

void CMinimalServer::Run(int nListening) const
{
    ::prctl(PR_SET_PDEATHSIG, SIGTERM); // goes with the benchmark, however it ends
    for (;;) {
        const int nConnection = ::accept(nListening, nullptr, nullptr);
        if (nConnection < 0)
            continue;
        Serve(nConnection);
        ::close(nConnection);
    }
}

void CMinimalServer::Serve(int nConnection) const
{
    static char buffer[kNoteLimit + kNoteRead];
    const std::size_t nReadSize = m_eProtocol == EProtocol::Note ? kNoteRead : kNoteLimit;
    std::size_t nTotal = 0;
    for (;;) {
        const ssize_t n = ::recv(nConnection, buffer + nTotal, nReadSize, 0);
        if (n <= 0)
            break;
        const std::size_t nFrom = nTotal >= 6 ? nTotal - 6 : 0;
        nTotal += static_cast<std::size_t>(n);
        const std::string_view text(buffer, nTotal);
        if (m_eProtocol == EProtocol::Finger ? text.find('\n', nFrom) != std::string_view::npos
                                             : EndsNote(text, nFrom) || nTotal >= kNoteLimit)
            break;
    }
    const std::string strAnswer =
        m_eProtocol == EProtocol::Finger ? m_strFingerReply.toStdString() : std::to_string(nTotal);
    ::send(nConnection, strAnswer.data(), strAnswer.size(), MSG_NOSIGNAL);
}
