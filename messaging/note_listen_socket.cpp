#include "messaging/note_listen_socket.h"

#include "app/status_sink.h"
#include "messaging/acknowledgement.h"
#include "messaging/tagged_text.h"

#include <QHostAddress>
#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Accepted connections that wait for their turn. Taking them off the kernel's short
// listen queue at once lets a burst of notes (one sender to many copies on one
// host, say) in without the senders' connection retries; beyond this the kernel's
// queue holds them, so a flood of connections cannot exhaust descriptors.
constexpr std::size_t kMaxWaiting = 256;
// Far more than the classic 5: a burst of notes (hundreds of senders at once)
// must not have its connections dropped by the kernel and retried seconds later.
constexpr int kListenBacklog = SOMAXCONN;
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

CNoteListenSocket::CNoteListenSocket(IStatusSink& statusSink, std::chrono::milliseconds timeLimit,
                                     qsizetype nSizeLimit, QObject* pParent)
    : QTcpServer(pParent), m_statusSink(statusSink), m_timeLimit(timeLimit),
      m_nSizeLimit(nSizeLimit)
{
    m_timeLimitTimer.setSingleShot(true);
    connect(&m_timeLimitTimer, &QTimer::timeout, this, [this] { EndReading(false); });
    m_acceptRetryTimer.setSingleShot(true);
    connect(&m_acceptRetryTimer, &QTimer::timeout, this, &CNoteListenSocket::UpdateAccepting);
    connect(this, &QTcpServer::acceptError, this, &CNoteListenSocket::OnAcceptError);
}

CNoteListenSocket::~CNoteListenSocket()
{
    m_pNotifier.reset();
    if (m_nDescriptor >= 0)
        ::close(m_nDescriptor);
    for (const CWaiting& waiting : m_waiting)
        ::close(waiting.nDescriptor);
}

void CNoteListenSocket::Post(const char* pszText)
{
    m_statusSink.PostStatusText(StatusPane::Listening, QString::fromLatin1(pszText));
}

int CNoteListenSocket::StartListening(quint16 nPort, const QHostAddress& bindAddress)
{
    Post("Creating server");
    const int nSocket = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(nPort);
    address.sin_addr.s_addr = htonl(bindAddress.toIPv4Address());
    const int nReuse = 1;
    if (nSocket < 0 ||
        ::setsockopt(nSocket, SOL_SOCKET, SO_REUSEADDR, &nReuse, sizeof(nReuse)) != 0 ||
        ::bind(nSocket, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        if (nSocket >= 0)
            ::close(nSocket);
        Post("Error while creating");
        return 0;
    }
    // Accepted connections inherit the receive buffer size; a failure does no harm.
    const int nBuffer = NoteLimits::SocketBufferSize;
    ::setsockopt(nSocket, SOL_SOCKET, SO_RCVBUF, &nBuffer, sizeof(nBuffer));

    Post("Starting to listen");
    if (::listen(nSocket, kListenBacklog) != 0) {
        ::close(nSocket);
        Post("Cannot listen");
        return 0;
    }
    if (!setSocketDescriptor(nSocket)) {
        ::close(nSocket);
        Post("Cannot select");
        return 0;
    }
    Post("Listening ...");
    return 1;
}

void CNoteListenSocket::incomingConnection(qintptr nDescriptor)
{
    const int nSocket = static_cast<int>(nDescriptor);
    m_waiting.push_back({nSocket, PeerAddressOf(nSocket)});
    UpdateAccepting();
    if (!m_bServing)
        ServeNext();
}

void CNoteListenSocket::UpdateAccepting()
{
    const bool bPause = m_waiting.size() >= kMaxWaiting || m_acceptRetryTimer.isActive();
    if (bPause && !m_bAcceptPaused)
        pauseAccepting();
    else if (!bPause && m_bAcceptPaused)
        resumeAccepting();
    m_bAcceptPaused = bPause;
}

void CNoteListenSocket::OnAcceptError()
{
    // The socket layer could not take a waiting connection (out of descriptors,
    // say). Report it as a failed receive and try again a little later.
    Post("Incoming ...");
    Post("Cannot accept");
    Post("Cannot reply");
    Post("Error in receive");
    m_bAcceptPaused = true; // the socket layer has paused accepting itself
    m_acceptRetryTimer.start(kAcceptRetry);
}

void CNoteListenSocket::SetHoldBack(bool bHoldBack)
{
    m_bHoldBack = bHoldBack;
    if (!bHoldBack)
        QMetaObject::invokeMethod(this, &CNoteListenSocket::ServeNext, Qt::QueuedConnection);
}

void CNoteListenSocket::ServeNext()
{
    if (m_bServing || m_bHoldBack || m_waiting.empty())
        return;
    const CWaiting next = m_waiting.front();
    m_waiting.pop_front();
    UpdateAccepting();

    m_bServing = true;
    m_nDescriptor = next.nDescriptor;
    m_strPeerAddress = next.strPeerAddress;
    m_buffer.emplace(m_nSizeLimit);
    Q_EMIT ServingStarted();
    Post("Incoming ...");

    m_pNotifier = std::make_unique<QSocketNotifier>(m_nDescriptor, QSocketNotifier::Read);
    connect(m_pNotifier.get(), &QSocketNotifier::activated, this,
            &CNoteListenSocket::ReadAvailable);
    m_timeLimitTimer.start(m_timeLimit);
}

void CNoteListenSocket::ReadAvailable()
{
    std::array<char, NoteLimits::ReadChunkSize> chunk;
    for (;;) {
        const ssize_t n = ::recv(m_nDescriptor, chunk.data(), chunk.size(), MSG_DONTWAIT);
        if (n > 0) {
            if (m_buffer->AppendRead(chunk.data(), n)) {
                EndReading(false);
                return;
            }
            continue;
        }
        if (n == 0) {
            EndReading(false); // the peer closed its sending side
            return;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            EndReading(true);
        return;
    }
}

void CNoteListenSocket::EndReading(bool bReadFailed)
{
    m_timeLimitTimer.stop();
    m_pNotifier.reset();

    int nErrors = bReadFailed ? 1 : 0;
    const qint64 nTotal = m_buffer->Total();
    const QByteArray strAck = Acknowledgement::Format(nTotal);
    const ssize_t nSent =
        ::send(m_nDescriptor, strAck.constData(), static_cast<std::size_t>(strAck.size()),
               MSG_NOSIGNAL | MSG_DONTWAIT);
    if (nSent != strAck.size()) {
        Post("Cannot reply");
        ++nErrors;
    }
    m_closer.Close(std::exchange(m_nDescriptor, -1));

    // A connection that brought nothing is no note.
    if (nTotal == 0 || m_strPeerAddress.isEmpty())
        ++nErrors;
    QByteArray strText = m_buffer->TakeText();
    m_buffer.reset();

    if (nErrors != 0) {
        Post("Error in receive");
    } else {
        strText += TaggedText::AddressSuffix(m_strPeerAddress);
        Q_EMIT NoteReceived(strText, nTotal);
        Post("Listening");
    }
    m_bServing = false;
    Q_EMIT ServingFinished();
    QMetaObject::invokeMethod(this, &CNoteListenSocket::ServeNext, Qt::QueuedConnection);
}
