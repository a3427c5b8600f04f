#include "bench/support/minimal_servers.h"

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::size_t kNoteLimit = 110000;

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
    m_nListening = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t nLength = sizeof(address);
    ::bind(m_nListening, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    ::listen(m_nListening, SOMAXCONN);
    ::getsockname(m_nListening, reinterpret_cast<sockaddr*>(&address), &nLength);
    m_nPort = ntohs(address.sin_port);
    m_thread = std::thread([this] {
        for (;;) {
            const int nConnection = ::accept(m_nListening, nullptr, nullptr);
            if (nConnection < 0)
                return; // shut down
            Serve(nConnection);
            ::close(nConnection);
        }
    });
}

CMinimalServer::~CMinimalServer()
{
    ::shutdown(m_nListening, SHUT_RDWR); // wakes the accept
    m_thread.join();
    ::close(m_nListening);
}

void CMinimalServer::Serve(int nConnection) const
{
    static thread_local char buffer[kNoteLimit];
    std::size_t nTotal = 0;
    for (;;) {
        const ssize_t n = ::recv(nConnection, buffer + nTotal, kNoteLimit - nTotal, 0);
        if (n <= 0)
            break;
        const std::size_t nFrom = nTotal >= 6 ? nTotal - 6 : 0;
        nTotal += static_cast<std::size_t>(n);
        const std::string_view text(buffer, nTotal);
        if (m_eProtocol == EProtocol::Finger ? text.find('\n', nFrom) != std::string_view::npos
                                             : EndsNote(text, nFrom) || nTotal >= kNoteLimit)
            break;
    }
    const QByteArray strAnswer = m_eProtocol == EProtocol::Finger
                                     ? m_strFingerReply
                                     : QByteArray::number(qulonglong(nTotal));
    ::send(nConnection, strAnswer.constData(), static_cast<std::size_t>(strAnswer.size()),
           MSG_NOSIGNAL);
}
