#include "core/net/serial_server.h"

#include "core/interfaces/logging.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

// Accepted connections that wait for their turn. Taking them off the kernel's
// listen queue at once lets a burst of connections in without the peers'
// retries; beyond this the kernel's queue holds them, so a flood of connections
// cannot exhaust descriptors.
constexpr std::size_t kMaxWaiting = 256;
constexpr std::chrono::seconds kAcceptRetry(1);

QByteArray PeerAddressOf(int nDescriptor)
{
    sockaddr_storage address{};
    socklen_t nLength = sizeof(address);
    if (::getpeername(nDescriptor, reinterpret_cast<sockaddr*>(&address), &nLength) != 0)
        return QByteArray();
    bool bIsIPv4 = false;
    const quint32 nIPv4 =
        QHostAddress(reinterpret_cast<const sockaddr*>(&address)).toIPv4Address(&bIsIPv4);
    if (!bIsIPv4)
        return QByteArray();
    return QHostAddress(nIPv4).toString().toLatin1(); // dotted text, never "::ffff:"
}

} // namespace

CSerialServer::CSerialServer(std::chrono::milliseconds timeLimit, qsizetype nReadSize,
                             QObject* pParent)
    : QTcpServer(pParent), m_timeLimit(timeLimit), m_nReadSize(nReadSize)
{
    m_timeLimitTimer.setSingleShot(true);
    connect(&m_timeLimitTimer, &QTimer::timeout, this, [this] { EndReading(EEnd::TimeLimit); });
    m_acceptRetryTimer.setSingleShot(true);
    connect(&m_acceptRetryTimer, &QTimer::timeout, this, &CSerialServer::UpdateAccepting);
    connect(this, &QTcpServer::acceptError, this, &CSerialServer::OnAcceptError);
}

CSerialServer::~CSerialServer()
{
    m_pNotifier.reset();
    if (m_connection.m_nDescriptor >= 0)
        ::close(m_connection.m_nDescriptor);
    for (const CWaiting& waiting : m_waiting)
        ::close(waiting.nDescriptor);
}

CSerialServer::EOpen CSerialServer::Open(quint16 nPort, const QHostAddress& bindAddress,
                                         int nReceiveBuffer)
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
    // Accepted connections inherit the receive buffer size; a failure does no harm.
    if (nReceiveBuffer > 0 && ::setsockopt(nSocket, SOL_SOCKET, SO_RCVBUF, &nReceiveBuffer,
                                           sizeof(nReceiveBuffer)) != 0) {
        const int nError = errno;
        qCWarning(lcNet, "port %u: SO_RCVBUF failed: %s", nPort, std::strerror(nError));
    }
    // The system's largest backlog: a burst of peers must not have its
    // connections dropped by the kernel and retried seconds later.
    if (::listen(nSocket, SOMAXCONN) != 0)
        return Fail("listen", nSocket, EOpen::NotListening);
    if (!setSocketDescriptor(nSocket)) {
        qCWarning(lcNet, "port %u: the event loop did not take the socket: %s", nPort,
                  qUtf8Printable(errorString()));
        ::close(nSocket);
        return EOpen::NotSelected;
    }
    return EOpen::Opened;
}

void CSerialServer::Shut()
{
    close();
    for (const CWaiting& waiting : std::exchange(m_waiting, {}))
        ::close(waiting.nDescriptor);
}

void CSerialServer::incomingConnection(qintptr nDescriptor)
{
    const int nSocket = static_cast<int>(nDescriptor);
    m_waiting.push_back({nSocket, PeerAddressOf(nSocket)});
    Q_EMIT ConnectionArrived();
    UpdateAccepting();
    if (!m_bServing)
        ServeNext();
}

void CSerialServer::UpdateAccepting()
{
    const bool bPause = m_waiting.size() >= kMaxWaiting || m_acceptRetryTimer.isActive();
    if (bPause && !m_bAcceptPaused)
        pauseAccepting();
    else if (!bPause && m_bAcceptPaused)
        resumeAccepting();
    m_bAcceptPaused = bPause;
}

void CSerialServer::OnAcceptError()
{
    // The system could not hand over a waiting connection (out of descriptors,
    // say). The socket layer has paused accepting; try again a little later.
    qCWarning(lcNet, "accepting a connection failed: %s", qUtf8Printable(errorString()));
    Q_EMIT ConnectionArrived();
    m_bAcceptPaused = true;
    m_acceptRetryTimer.start(kAcceptRetry);
    AcceptFailed();
}

void CSerialServer::SetHoldBack(bool bHoldBack)
{
    m_bHoldBack = bHoldBack;
    if (!bHoldBack)
        QMetaObject::invokeMethod(this, &CSerialServer::ServeNext, Qt::QueuedConnection);
}

void CSerialServer::ServeNext()
{
    if (m_bServing || m_bHoldBack || m_waiting.empty())
        return;
    const CWaiting next = m_waiting.front();
    m_waiting.pop_front();
    UpdateAccepting();

    m_bServing = true;
    m_connection.m_nDescriptor = next.nDescriptor;
    m_connection.m_strPeer = next.strPeerAddress;
    BeginConnection();
    Q_EMIT ServingStarted();

    m_pNotifier = std::make_unique<QSocketNotifier>(next.nDescriptor, QSocketNotifier::Read);
    connect(m_pNotifier.get(), &QSocketNotifier::activated, this, &CSerialServer::ReadAvailable);
    m_timeLimitTimer.start(m_timeLimit);
}

void CSerialServer::ReadAvailable()
{
    std::vector<char> chunk(static_cast<std::size_t>(m_nReadSize));
    for (;;) {
        const ssize_t n =
            ::recv(m_connection.m_nDescriptor, chunk.data(), chunk.size(), MSG_DONTWAIT);
        if (n > 0) {
            if (TakeRead(chunk.data(), n)) {
                EndReading(EEnd::Done);
                return;
            }
            continue;
        }
        if (n == 0) {
            EndReading(EEnd::PeerClosed);
            return;
        }
        const int nError = errno;
        if (nError == EINTR)
            continue;
        if (nError != EAGAIN && nError != EWOULDBLOCK) {
            qCWarning(lcNet, "reading from %s failed: %s", m_connection.m_strPeer.constData(),
                      std::strerror(nError));
            EndReading(EEnd::ReadFailed);
        }
        return;
    }
}

void CSerialServer::EndReading(EEnd eEnd)
{
    m_timeLimitTimer.stop();
    m_pNotifier.reset();
    const CConnection connection = std::exchange(m_connection, CConnection());
    // Subclasses may open dialogs from here: new connections only wait meanwhile.
    EndConnection(connection, eEnd);
    m_closer.Close(connection.m_nDescriptor);
    m_bServing = false;
    Q_EMIT ServingFinished();
    QMetaObject::invokeMethod(this, &CSerialServer::ServeNext, Qt::QueuedConnection);
}

qint64 CSerialServer::CConnection::Send(const QByteArray& strData) const
{
    const ssize_t nSent =
        ::send(m_nDescriptor, strData.constData(), static_cast<std::size_t>(strData.size()),
               MSG_NOSIGNAL | MSG_DONTWAIT);
    const int nError = errno;
    if (nSent < 0)
        qCWarning(lcNet, "answering %s failed: %s", m_strPeer.constData(), std::strerror(nError));
    else if (nSent < strData.size())
        qCWarning(lcNet, "answering %s: only %zd of %lld bytes sent", m_strPeer.constData(), nSent,
                  static_cast<long long>(strData.size()));
    return nSent;
}
