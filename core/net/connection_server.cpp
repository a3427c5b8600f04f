#include "core/net/connection_server.h"

#include "core/interfaces/logging.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace {

// Connections taken from the system's queue in one turn of the event loop, so
// that a flood cannot keep the loop from everything else.
constexpr int kAcceptBurst = 64;
// Out of descriptors: when to try again, unless a connection ends before.
constexpr std::chrono::milliseconds kDescriptorRetry(200);

QByteArray DottedAddress(const sockaddr_storage& address)
{
    const QHostAddress peer(reinterpret_cast<const sockaddr*>(&address));
    bool bIsIPv4 = false;
    const quint32 nIPv4 = peer.toIPv4Address(&bIsIPv4);
    // Dotted text, never "::ffff:"; a peer of an IPv6 socket handed over by the
    // service manager as the IPv6 text.
    return (bIsIPv4 ? QHostAddress(nIPv4) : peer).toString().toLatin1();
}

} // namespace

// One accepted connection, from its turn to its answer.
class CConnectionServer::CConnection : public QObject
{
public:
    CConnection(int nDescriptor, QByteArray strPeer)
        : nDescriptor(nDescriptor), strPeer(std::move(strPeer))
    {}

    int nDescriptor;
    QByteArray strPeer;
    std::unique_ptr<CSession> pSession;
    std::unique_ptr<QSocketNotifier> pNotifier;
    QTimer timer;
    bool bAnswering = false;
    QByteArrayList answer;
    qsizetype nAnswerSize = 0;
    qsizetype nAnswerSent = 0;
    qsizetype nPart = 0;       // the part being sent
    qsizetype nSentOfPart = 0; // and how much of it went
};

CConnectionServer::CConnectionServer(const CLimits& limits, qsizetype nReadSize, QObject* pParent)
    : QObject(pParent), m_limits(limits), m_nReadSize(nReadSize),
      m_waiting(limits.nMaxServedPerPeer, limits.nMaxWaitingPerPeer),
      m_closer(std::chrono::seconds(5), static_cast<std::size_t>(limits.nMaxServed))
{
    m_descriptorRetry.setSingleShot(true);
    connect(&m_descriptorRetry, &QTimer::timeout, this, [this] {
        m_bOutOfDescriptors = false;
        UpdateAccepting();
    });
}

CConnectionServer::~CConnectionServer()
{
    Shut();
    for (const auto& pConnection : m_served) {
        pConnection->pNotifier.reset();
        ::close(pConnection->nDescriptor);
    }
}

CConnectionServer::EOpen CConnectionServer::Open(quint16 nPort, const QHostAddress& bindAddress)
{
    const auto Fail = [nPort](const char* pszStep, int nSocket, EOpen eOpen) {
        const int nError = errno; // before anything else can change it
        qCWarning(lcNet, "port %u: %s failed: %s", nPort, pszStep, std::strerror(nError));
        if (nSocket >= 0)
            ::close(nSocket);
        return eOpen;
    };
    const int nSocket = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (nSocket < 0)
        return Fail("socket", nSocket, EOpen::NotCreated);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(nPort);
    address.sin_addr.s_addr = htonl(bindAddress.toIPv4Address());
    const int nReuse = 1;
    if (::setsockopt(nSocket, SOL_SOCKET, SO_REUSEADDR, &nReuse, sizeof(nReuse)) != 0)
        return Fail("SO_REUSEADDR", nSocket, EOpen::NotCreated);
    if (::bind(nSocket, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0)
        return Fail("bind", nSocket, EOpen::NotCreated);
    // The system's largest backlog: a burst of peers must not have its
    // connections dropped by the kernel and retried seconds later.
    if (::listen(nSocket, SOMAXCONN) != 0)
        return Fail("listen", nSocket, EOpen::NotListening);
    if (!ListenWith(nSocket))
        return Fail("getsockname", nSocket, EOpen::NotSelected);
    return EOpen::Opened;
}

bool CConnectionServer::Adopt(int nSocket)
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
    if (!ListenWith(nSocket))
        return refuse("no IPv4 or IPv6 address");
    return true;
}

bool CConnectionServer::ListenWith(int nSocket)
{
    sockaddr_storage bound{};
    socklen_t nLength = sizeof(bound);
    if (::getsockname(nSocket, reinterpret_cast<sockaddr*>(&bound), &nLength) != 0)
        return false;
    quint16 nPort = 0;
    if (bound.ss_family == AF_INET)
        nPort = ntohs(reinterpret_cast<const sockaddr_in&>(bound).sin_port);
    else if (bound.ss_family == AF_INET6)
        nPort = ntohs(reinterpret_cast<const sockaddr_in6&>(bound).sin6_port);
    else
        return false;
    Shut();
    m_nListening = nSocket;
    m_nPort = nPort;
    m_pAcceptNotifier = std::make_unique<QSocketNotifier>(nSocket, QSocketNotifier::Read);
    connect(m_pAcceptNotifier.get(), &QSocketNotifier::activated, this,
            &CConnectionServer::AcceptReady);
    UpdateAccepting();
    return true;
}

void CConnectionServer::Shut()
{
    m_pAcceptNotifier.reset();
    if (m_nListening >= 0)
        ::close(std::exchange(m_nListening, -1));
    m_descriptorRetry.stop();
    m_bOutOfDescriptors = false;
    for (const int nDescriptor : m_waiting.TakeAll())
        ::close(nDescriptor);
}

void CConnectionServer::SetAcceptPaused(bool bPaused)
{
    m_bAcceptPaused = bPaused;
    UpdateAccepting();
}

int CConnectionServer::OpenConnections() const
{
    return static_cast<int>(m_served.size()) + m_waiting.WaitingCount() + m_closer.LingeringCount();
}

void CConnectionServer::UpdateAccepting()
{
    if (m_pAcceptNotifier)
        m_pAcceptNotifier->setEnabled(!m_bAcceptPaused && !m_bOutOfDescriptors);
}

void CConnectionServer::AcceptReady()
{
    for (int n = 0; n < kAcceptBurst && m_nListening >= 0; ++n) {
        sockaddr_storage address{};
        socklen_t nLength = sizeof(address);
        const int nSocket = ::accept4(m_nListening, reinterpret_cast<sockaddr*>(&address), &nLength,
                                      SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (nSocket < 0) {
            const int nError = errno; // this attempt's own error
            if (nError == EAGAIN || nError == EWOULDBLOCK)
                return;
            if (nError == EMFILE || nError == ENFILE || nError == ENOBUFS || nError == ENOMEM) {
                if (nError == EMFILE || nError == ENFILE) {
                    // The peer with the most connections waiting gives one up,
                    // unread: no address keeps the descriptors others need.
                    if (const int nEvicted = m_waiting.Evict(); nEvicted >= 0) {
                        ::close(nEvicted);
                        continue;
                    }
                }
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
            ::setsockopt(nSocket, SOL_SOCKET, SO_SNDBUF, &m_nSendBufferSize,
                         sizeof(m_nSendBufferSize));
        if (!m_waiting.Enter(nSocket, DottedAddress(address))) {
            // Until it lets go, this peer can use up no more descriptors.
            ::close(nSocket);
            continue;
        }
        ServeWaiting();
    }
}

void CConnectionServer::PauseForDescriptors()
{
    // Closing connections go now rather than later: their descriptors are needed.
    m_closer.CloseAll();
    m_bOutOfDescriptors = true;
    UpdateAccepting();
    m_descriptorRetry.start(kDescriptorRetry);
}

void CConnectionServer::ServeWaiting()
{
    while (static_cast<int>(m_served.size()) < m_limits.nMaxServed) {
        std::optional<CWaitingRoom::CWaiting> next = m_waiting.Next();
        if (!next)
            return;
        Serve(std::make_unique<CConnection>(next->nDescriptor, std::move(next->strPeer)));
    }
}

void CConnectionServer::Serve(std::unique_ptr<CConnection> pConnection)
{
    CConnection& connection = *pConnection;
    m_served.push_back(std::move(pConnection));
    m_nServed = static_cast<int>(m_served.size());
    connection.pSession = NewSession(connection.strPeer);
    Q_EMIT ServingStarted();
    connection.timer.setSingleShot(true);
    connect(&connection.timer, &QTimer::timeout, this, [this, &connection] {
        if (connection.bAnswering)
            Finish(connection, false); // the answer was not taken in time
        else
            EndReading(connection, EEnd::TimeLimit);
    });
    connection.timer.start(m_limits.timeLimit);
    connection.pNotifier =
        std::make_unique<QSocketNotifier>(connection.nDescriptor, QSocketNotifier::Read);
    connect(connection.pNotifier.get(), &QSocketNotifier::activated, this,
            [this, &connection] { ReadReady(connection); });
    // What came with the connection is read at once.
    ReadReady(connection);
}

void CConnectionServer::ReadReady(CConnection& connection)
{
    for (;;) {
        char* const pRoom = connection.pSession->ReadRoom(m_nReadSize);
        const ssize_t n = ::recv(connection.nDescriptor, pRoom,
                                 static_cast<std::size_t>(m_nReadSize), MSG_DONTWAIT);
        const int nError = errno;
        const bool bDone = connection.pSession->TookRead(std::max<ssize_t>(n, 0));
        if (n > 0) {
            if (bDone) {
                EndReading(connection, EEnd::Done);
                return;
            }
            continue;
        }
        if (n == 0) {
            EndReading(connection, EEnd::PeerClosed);
            return;
        }
        if (nError == EINTR)
            continue;
        if (nError != EAGAIN && nError != EWOULDBLOCK) {
            qCWarning(lcNet, "reading from %s failed: %s", connection.strPeer.constData(),
                      std::strerror(nError));
            EndReading(connection, EEnd::ReadFailed);
        }
        return;
    }
}

void CConnectionServer::EndReading(CConnection& connection, EEnd eEnd)
{
    connection.pNotifier.reset();
    connection.timer.stop();
    connection.bAnswering = true;
    connection.answer = connection.pSession->Answer(eEnd);
    for (const QByteArray& strPart : std::as_const(connection.answer))
        connection.nAnswerSize += strPart.size();
    if (connection.nAnswerSize == 0) {
        Finish(connection, true);
        return;
    }
    // The answer has a time limit of its own to be taken.
    connection.timer.start(m_limits.timeLimit);
    WriteAnswer(connection);
}

void CConnectionServer::WriteAnswer(CConnection& connection)
{
    while (connection.nPart < connection.answer.size()) {
        const QByteArray& strPart = connection.answer.at(connection.nPart);
        if (connection.nSentOfPart == strPart.size()) {
            ++connection.nPart;
            connection.nSentOfPart = 0;
            continue;
        }
        // Parts before the last are held back to fill whole segments.
        const bool bLast = connection.nPart == connection.answer.size() - 1;
        const ssize_t n =
            ::send(connection.nDescriptor, strPart.constData() + connection.nSentOfPart,
                   static_cast<std::size_t>(strPart.size() - connection.nSentOfPart),
                   MSG_NOSIGNAL | MSG_DONTWAIT | (bLast ? 0 : MSG_MORE));
        if (n > 0) {
            connection.nSentOfPart += n;
            connection.nAnswerSent += n;
            continue;
        }
        const int nError = errno;
        if (n < 0 && nError == EINTR)
            continue;
        if (n < 0 && (nError == EAGAIN || nError == EWOULDBLOCK)) {
            // The peer takes it slower: go on when it has room again.
            qCDebug(lcNet, "answering %s: %lld of %lld bytes sent, waiting for room",
                    connection.strPeer.constData(), static_cast<long long>(connection.nAnswerSent),
                    static_cast<long long>(connection.nAnswerSize));
            if (!connection.pNotifier) {
                connection.pNotifier = std::make_unique<QSocketNotifier>(connection.nDescriptor,
                                                                         QSocketNotifier::Write);
                connect(connection.pNotifier.get(), &QSocketNotifier::activated, this,
                        [this, &connection] { WriteAnswer(connection); });
            }
            return;
        }
        qCWarning(lcNet, "answering %s failed after %lld of %lld bytes: %s",
                  connection.strPeer.constData(), static_cast<long long>(connection.nAnswerSent),
                  static_cast<long long>(connection.nAnswerSize), std::strerror(nError));
        Finish(connection, false);
        return;
    }
    Finish(connection, true);
}

void CConnectionServer::Finish(CConnection& connection, bool bSent)
{
    connection.pNotifier.reset();
    connection.timer.stop();
    const auto found = std::find_if(m_served.begin(), m_served.end(), [&connection](const auto& p) {
        return p.get() == &connection;
    });
    if (found == m_served.end())
        return;
    // Off the list first: the session may run code that comes back here.
    std::unique_ptr<CConnection> pConnection = std::move(*found);
    m_served.erase(found);
    m_nServed = static_cast<int>(m_served.size());
    m_waiting.Left(pConnection->strPeer);
    m_closer.Close(pConnection->nDescriptor);
    pConnection->pSession->Answered(bSent);
    // This may run inside the connection's own timer or notifier: it goes later.
    pConnection.release()->deleteLater();
    Q_EMIT ServingFinished();
    if (m_bOutOfDescriptors) {
        // A descriptor came free.
        m_descriptorRetry.stop();
        m_bOutOfDescriptors = false;
        UpdateAccepting();
    }
    if (m_waiting.WaitingCount() > 0)
        QMetaObject::invokeMethod(this, &CConnectionServer::ServeWaiting, Qt::QueuedConnection);
}
