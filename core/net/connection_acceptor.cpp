#include "core/net/connection_acceptor.h"

#include "core/interfaces/logging.h"
#include "core/net/descriptor_budget.h"
#include "core/net/held_port.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace {

// Connections taken from the system's queue in one turn of the event loop, so
// that a flood cannot keep the loop from everything else.
constexpr int kAcceptBurst = 64;
// Out of descriptors: when to try again, unless a connection ends before.
constexpr std::chrono::milliseconds kDescriptorRetry(200);

} // namespace

CConnectionAcceptor::CConnectionAcceptor(std::chrono::seconds acceptDeferral, CAccepted accepted,
                                         CFreeDescriptor freeDescriptor, QObject* pParent)
    : QObject(pParent), m_acceptDeferral(acceptDeferral), m_accepted(std::move(accepted)),
      m_freeDescriptor(std::move(freeDescriptor))
{
    m_descriptorRetry.setSingleShot(true);
    connect(&m_descriptorRetry, &QTimer::timeout, this, [this] {
        m_bOutOfDescriptors = false;
        UpdateAccepting();
    });
}

CConnectionAcceptor::~CConnectionAcceptor()
{
    Close();
}

CConnectionAcceptor::EOpen CConnectionAcceptor::Open(quint16 nPort, const QHostAddress& bindAddress)
{
    m_strOpenError.clear();
    m_nOpenError = 0;
    // The socket made here closes as Open returns, unless it listens.
    const auto Fail = [this, nPort](const char* pszStep, EOpen eOpen) {
        const int nError = errno; // before anything else can change it
        qCWarning(lcNet, "port %u: %s failed: %s", nPort, pszStep, std::strerror(nError));
        m_strOpenError = QString::fromLocal8Bit(std::strerror(nError));
        m_nOpenError = nError;
        return eOpen;
    };
    CHeldPort port;
    if (!port.Bind(nPort, bindAddress)) {
        errno = port.ErrorNumber();
        return Fail(port.FailedStep(), EOpen::NotCreated);
    }
    CDescriptor socket = port.Take();
    // The system's largest backlog: a burst of peers must not have its
    // connections dropped by the kernel and retried seconds later.
    if (::listen(socket.Get(), SOMAXCONN) != 0)
        return Fail("listen", EOpen::NotListening);
    const std::optional<quint16> boundPort = BoundPort(socket.Get());
    if (!boundPort)
        return Fail("getsockname", EOpen::NotSelected);
    Listen(std::move(socket), *boundPort);
    return EOpen::Opened;
}

bool CConnectionAcceptor::Adopt(int nSocket)
{
    errno = 0; // a check that finds the wrong kind of socket sets none
    const auto refuse = [nSocket](const char* pszWhy) {
        const int nError = errno;
        qCWarning(lcNet, "descriptor %d not served: %s%s%s", nSocket, pszWhy,
                  nError != 0 ? ": " : "", nError != 0 ? std::strerror(nError) : "");
        return false;
    };
    int nValue = 0;
    socklen_t nLength = sizeof(nValue);
    if (::getsockopt(nSocket, SOL_SOCKET, SO_TYPE, &nValue, &nLength) != 0 || nValue != SOCK_STREAM)
        return refuse("no stream socket");
    nLength = sizeof(nValue);
    if (::getsockopt(nSocket, SOL_SOCKET, SO_ACCEPTCONN, &nValue, &nLength) != 0 || nValue == 0)
        return refuse("not listening");
    const int nFlags = ::fcntl(nSocket, F_GETFL);
    if (nFlags < 0 || ::fcntl(nSocket, F_SETFL, nFlags | O_NONBLOCK) != 0 ||
        ::fcntl(nSocket, F_SETFD, FD_CLOEXEC) != 0)
        return refuse("descriptor flags");
    const std::optional<quint16> boundPort = BoundPort(nSocket);
    if (!boundPort)
        return refuse("no IPv4 or IPv6 address");
    Listen(CDescriptor(nSocket), *boundPort);
    return true;
}

std::optional<quint16> CConnectionAcceptor::BoundPort(int nSocket)
{
    sockaddr_storage bound{};
    socklen_t nLength = sizeof(bound);
    if (::getsockname(nSocket, reinterpret_cast<sockaddr*>(&bound), &nLength) != 0)
        return std::nullopt;
    if (bound.ss_family == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in&>(bound).sin_port);
    if (bound.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6&>(bound).sin6_port);
    return std::nullopt;
}

void CConnectionAcceptor::Listen(CDescriptor socket, quint16 nPort)
{
    Close();
    DeferAccepting(socket.Get());
    m_listening = std::move(socket);
    m_nPort = nPort;
    CDescriptorBudget::CountTheRest();
    m_pNotifier = std::make_unique<QSocketNotifier>(m_listening.Get(), QSocketNotifier::Read);
    connect(m_pNotifier.get(), &QSocketNotifier::activated, this,
            &CConnectionAcceptor::AcceptReady);
    UpdateAccepting();
}

void CConnectionAcceptor::Close()
{
    m_pNotifier.reset(); // before the socket it watches
    m_listening.Reset();
    m_descriptorRetry.stop();
    m_bOutOfDescriptors = false;
}

void CConnectionAcceptor::SetAcceptDeferral(std::chrono::seconds deferral)
{
    m_acceptDeferral = deferral;
    if (m_listening.IsValid())
        DeferAccepting(m_listening.Get());
}

void CConnectionAcceptor::DeferAccepting(int nSocket) const
{
    // Honest peers write their request at once; a connection that says nothing
    // stays with the system (which keeps no descriptor of ours for it) until it
    // does, or until the deferral is over.
    const int nSeconds = static_cast<int>(m_acceptDeferral.count());
    if (::setsockopt(nSocket, IPPROTO_TCP, TCP_DEFER_ACCEPT, &nSeconds, sizeof(nSeconds)) != 0)
        qCDebug(lcNet, "port %u: TCP_DEFER_ACCEPT: %s", m_nPort, std::strerror(errno));
}

void CConnectionAcceptor::SetPaused(bool bPaused)
{
    m_bPaused = bPaused;
    UpdateAccepting();
}

void CConnectionAcceptor::DescriptorFreed()
{
    if (!m_bOutOfDescriptors)
        return;
    m_descriptorRetry.stop();
    m_bOutOfDescriptors = false;
    UpdateAccepting();
}

void CConnectionAcceptor::UpdateAccepting()
{
    if (m_pNotifier)
        m_pNotifier->setEnabled(!m_bPaused && !m_bOutOfDescriptors);
}

void CConnectionAcceptor::AcceptReady()
{
    for (int n = 0; n < kAcceptBurst && m_listening.IsValid() && !m_bPaused; ++n) {
        sockaddr_storage address{};
        socklen_t nLength = sizeof(address);
        CDescriptor connection(::accept4(m_listening.Get(), reinterpret_cast<sockaddr*>(&address),
                                         &nLength, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!connection.IsValid()) {
            const int nError = errno; // this attempt's own error
            if (nError == EAGAIN || nError == EWOULDBLOCK)
                return;
            if ((nError == EMFILE || nError == ENFILE) && m_freeDescriptor())
                continue;
            if (nError == EMFILE || nError == ENFILE || nError == ENOBUFS || nError == ENOMEM) {
                qCWarning(lcNet, "port %u: accepting failed: %s", m_nPort, std::strerror(nError));
                Q_EMIT ConnectionArrived();
                Q_EMIT AcceptFailed();
                PauseForDescriptors();
                return;
            }
            // The connection went before it was taken (ECONNABORTED, a network
            // error passed on): the next one may be fine.
            qCDebug(lcNet, "port %u: accept: %s", m_nPort, std::strerror(nError));
            continue;
        }
        Q_EMIT ConnectionArrived();
        if (m_nSendBufferSize > 0)
            ::setsockopt(connection.Get(), SOL_SOCKET, SO_SNDBUF, &m_nSendBufferSize,
                         sizeof(m_nSendBufferSize));
        // At the bound: one of the server's gives its descriptor back, or no
        // more are taken for a while.
        const bool bFreed = !CDescriptorBudget::Spent() || m_freeDescriptor();
        m_accepted(std::move(connection), CPeerAddress::Of(address));
        if (!bFreed) {
            PauseForDescriptors();
            return;
        }
    }
}

void CConnectionAcceptor::PauseForDescriptors()
{
    // Closing connections go now rather than later: their descriptors are needed.
    Q_EMIT OutOfDescriptors();
    m_bOutOfDescriptors = true;
    UpdateAccepting();
    m_descriptorRetry.start(kDescriptorRetry);
}
