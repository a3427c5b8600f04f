#include "core/net/held_port.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>

bool CHeldPort::Fail(const char* pszStep)
{
    m_nError = errno;
    m_pszFailedStep = pszStep;
    m_socket.Reset();
    return false;
}

bool CHeldPort::Bind(quint16 nPort, const QHostAddress& bindAddress)
{
    m_nError = 0;
    m_pszFailedStep = "";
    // The dual any-address and "::" take IPv4 peers too, whatever the system's default.
    const bool bBoth = bindAddress == QHostAddress::Any || bindAddress == QHostAddress::AnyIPv6;
    const bool bIPv6 = bBoth || bindAddress.protocol() == QAbstractSocket::IPv6Protocol;
    m_socket.Reset(
        ::socket(bIPv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!m_socket.IsValid())
        return Fail("socket");
    sockaddr_storage address{};
    socklen_t nLength = 0;
    if (bIPv6) {
        auto& v6 = reinterpret_cast<sockaddr_in6&>(address);
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(nPort);
        if (!bBoth) {
            const Q_IPV6ADDR bytes = bindAddress.toIPv6Address();
            std::memcpy(&v6.sin6_addr, &bytes, sizeof(v6.sin6_addr));
        }
        nLength = sizeof(v6);
        const int nOnly = bBoth ? 0 : 1;
        if (::setsockopt(m_socket.Get(), IPPROTO_IPV6, IPV6_V6ONLY, &nOnly, sizeof(nOnly)) != 0)
            return Fail("IPV6_V6ONLY");
    } else {
        auto& v4 = reinterpret_cast<sockaddr_in&>(address);
        v4.sin_family = AF_INET;
        v4.sin_port = htons(nPort);
        v4.sin_addr.s_addr = htonl(bindAddress.toIPv4Address());
        nLength = sizeof(v4);
    }
    // A restart must not wait for the connections of the last run that the
    // system still keeps (TIME_WAIT) to go.
    const int nReuse = 1;
    if (::setsockopt(m_socket.Get(), SOL_SOCKET, SO_REUSEADDR, &nReuse, sizeof(nReuse)) != 0)
        return Fail("SO_REUSEADDR");
    if (::bind(m_socket.Get(), reinterpret_cast<const sockaddr*>(&address), nLength) != 0)
        return Fail("bind");
    return true;
}

std::optional<int> CHeldPort::Listen()
{
    m_nError = 0;
    m_pszFailedStep = "";
    if (!m_socket.IsValid()) {
        m_nError = EBADF;
        m_pszFailedStep = "listen";
        return std::nullopt;
    }
    // The system's largest backlog: a burst of peers must not have its
    // connections dropped by the kernel and retried seconds later. A socket
    // bound by a port number keeps its port while it does not listen; should
    // another socket that also allows reuse have bound it meanwhile and
    // listen, this fails with EADDRINUSE.
    if (::listen(m_socket.Get(), SOMAXCONN) != 0) {
        m_nError = errno;
        m_pszFailedStep = "listen";
        return std::nullopt;
    }
    const int nCopy = ::fcntl(m_socket.Get(), F_DUPFD_CLOEXEC, 0);
    if (nCopy < 0) {
        m_nError = errno;
        m_pszFailedStep = "dup";
        StopListening();
        return std::nullopt;
    }
    return nCopy;
}

void CHeldPort::StopListening()
{
    // On Linux a read shutdown of a listening socket takes it out of the
    // listening state (its queue is reset), while a port bound by number stays
    // bound to it: connecting is refused at once, not left hanging.
    if (m_socket.IsValid())
        ::shutdown(m_socket.Get(), SHUT_RD);
}
