#include "core/net/connection_server.h"

#include "core/interfaces/logging.h"
#include "core/net/served_connection.h"

#include <QPointer>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <tuple>
#include <utility>

namespace {

using CClock = std::chrono::steady_clock;

// Bytes read from one connection in one turn of the event loop: then the others
// have their turn (what is left is read in the next).
constexpr qsizetype kReadShare = 64 * 1024;

// Whether the connection has sent something (or closed) already; false when it
// has sent nothing yet.
bool HasInput(int nSocket)
{
    char c = 0;
    const ssize_t n = ::recv(nSocket, &c, 1, MSG_PEEK | MSG_DONTWAIT);
    return n >= 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
}

} // namespace

CConnectionServer::CConnectionServer(const CLimits& limits, qsizetype nReadSize, QObject* pParent)
    : QObject(pParent), m_limits(limits), m_nReadSize(nReadSize),
      m_waiting(limits.nMaxServedPerPeer, limits.nMaxWaitingPerPeer),
      m_deadlines([this](CConnection& connection) { DeadlinePassed(connection); }),
      m_closer(std::chrono::seconds(5), static_cast<std::size_t>(limits.nMaxServed)),
      m_lobby(
          limits.timeLimit, limits.nMaxServed, limits.nMaxWaitingPerPeer,
          [this](CDescriptor descriptor, const CPeerAddress& peer) {
              Admit(std::move(descriptor), peer);
          },
          [this](CDescriptor descriptor, const CPeerAddress& peer) {
              AnswerSilent(std::move(descriptor), peer);
          }),
      m_acceptor(
          limits.acceptDeferral,
          [this](CDescriptor descriptor, const CPeerAddress& peer) {
              Admit(std::move(descriptor), peer);
          },
          [this] { return FreeDescriptor(); }),
      m_budget([this] { return OpenConnections(); })
{
    connect(&m_acceptor, &CConnectionAcceptor::ConnectionArrived, this,
            &CConnectionServer::ConnectionArrived);
    connect(&m_acceptor, &CConnectionAcceptor::AcceptFailed, this,
            &CConnectionServer::AcceptFailed);
    connect(&m_acceptor, &CConnectionAcceptor::OutOfDescriptors, &m_closer,
            &CSocketCloser::CloseAll);
}

CConnectionServer::~CConnectionServer()
{
    Close();
    for (auto* pList : {&m_reading, &m_answering}) {
        for (const auto& pConnection : *pList) {
            pConnection->pNotifier.reset();
            pConnection->descriptor.Reset();
        }
    }
}

CConnectionServer::EOpen CConnectionServer::Open(quint16 nPort, const QHostAddress& address)
{
    const EOpen eOpen = m_acceptor.Open(nPort, address);
    if (eOpen == EOpen::Opened)
        CloseWaiting(); // those of the socket before
    return eOpen;
}

bool CConnectionServer::Adopt(int nSocket)
{
    if (!m_acceptor.Adopt(nSocket))
        return false;
    CloseWaiting(); // those of the socket before
    return true;
}

void CConnectionServer::Close()
{
    m_acceptor.Close();
    CloseWaiting();
}

void CConnectionServer::CloseWaiting()
{
    // The waiting room keeps the numbers of the descriptors it holds for us.
    for (const int nDescriptor : m_waiting.TakeAll())
        CDescriptor(nDescriptor).Reset();
    m_lobby.CloseAll();
}

int CConnectionServer::OpenConnections() const
{
    return ServedConnections() + m_waiting.WaitingCount() + m_lobby.Count() +
           m_closer.LingeringCount();
}

void CConnectionServer::Admit(CDescriptor descriptor, const CPeerAddress& peer)
{
    // One that has sent nothing (the system held it for a while, or handed it
    // over at once when its queue overflowed) takes no place until it speaks.
    if (!HasInput(descriptor.Get())) {
        m_lobby.Enter(std::move(descriptor), peer);
        return;
    }
    // Its peer has its share: its connection that reads slowest gives way.
    if (!m_waiting.BelowShare(peer.strKey)) {
        if (CConnection* pYielding = Yielding(&peer.strKey)) {
            qCDebug(lcNet, "%s: a connection gives its place to a newer one",
                    peer.strText.constData());
            EndReading(*pYielding, EEnd::Yielded);
        }
    }
    // Until it lets go, this peer can use up no more descriptors: beyond its
    // share of waiting, its connection closes unread.
    if (!m_waiting.Enter(descriptor.Get(), peer))
        return;
    descriptor.Release(); // the waiting room holds it now
    ServeWaiting();
}

void CConnectionServer::AnswerSilent(CDescriptor descriptor, const CPeerAddress& peer)
{
    m_waiting.Join(peer.strKey);
    EndReading(Serve(std::move(descriptor), peer), EEnd::TimeLimit);
}

bool CConnectionServer::FreeDescriptor()
{
    // Connections that are only being closed go first: their work is done.
    if (m_closer.LingeringCount() > 0) {
        m_closer.CloseAll();
        return true;
    }
    if (m_lobby.CloseOldest())
        return true;
    if (const CDescriptor evicted(m_waiting.Evict()); evicted.IsValid())
        return true; // it closes unread
    // A place given up is answered, and its descriptor closes with the next
    // call (or when its answer has gone).
    if (CConnection* pYielding = Yielding()) {
        EndReading(*pYielding, EEnd::Yielded);
        return true;
    }
    return false;
}

void CConnectionServer::ServeWaiting()
{
    while (m_waiting.PeekNext()) {
        if (static_cast<int>(m_reading.size()) >= m_limits.nMaxServed) {
            // Every place is taken: the one that reads slowest gives way.
            CConnection* pYielding = Yielding();
            if (!pYielding)
                return;
            qCDebug(lcNet, "%s gives its place to a connection that speaks",
                    pYielding->peer.strText.constData());
            EndReading(*pYielding, EEnd::Yielded);
            continue;
        }
        CWaitingRoom::CWaiting next = *m_waiting.Next();
        ReadReady(Serve(CDescriptor(next.nDescriptor), std::move(next.peer)));
    }
}

CConnectionServer::CConnection* CConnectionServer::Yielding(const QByteArray* pstrKey) const
{
    // The one that reads slowest: the fewest bytes for the time it has been
    // read (one that trickles, or sent a little and went quiet); of equals, the
    // longest without a byte, then the oldest. Never by the order of a hash.
    const CClock::time_point now = CClock::now();
    const auto rank = [now](const CConnection& connection) {
        const double dSeconds =
            std::chrono::duration<double>(now - connection.started).count() + 1e-6;
        return std::make_tuple(static_cast<double>(connection.nRead) / dSeconds,
                               connection.lastByte, connection.started, connection.nSerial);
    };
    CConnection* pYielding = nullptr;
    for (const auto& pConnection : m_reading) {
        if (pstrKey && pConnection->peer.strKey != *pstrKey)
            continue;
        if (!pYielding || rank(*pConnection) < rank(*pYielding))
            pYielding = pConnection.get();
    }
    return pYielding;
}

CConnectionServer::CConnection& CConnectionServer::Serve(CDescriptor descriptor, CPeerAddress peer)
{
    m_reading.push_back(
        std::make_unique<CConnection>(std::move(descriptor), std::move(peer), ++m_nNextSerial));
    CConnection& connection = *m_reading.back();
    connection.started = connection.lastByte = CClock::now();
    m_deadlines.Set(connection, connection.started + m_limits.timeLimit);
    connection.pSession = NewSession(connection.peer.strText);
    Q_EMIT ServingStarted();
    return connection;
}

std::unique_ptr<CConnectionServer::CConnection>
CConnectionServer::TakeOff(std::vector<std::unique_ptr<CConnection>>& list,
                           const CConnection& connection)
{
    const auto found = std::find_if(
        list.begin(), list.end(), [&connection](const auto& p) { return p.get() == &connection; });
    if (found == list.end())
        return nullptr;
    std::unique_ptr<CConnection> pConnection = std::move(*found);
    list.erase(found);
    return pConnection;
}

void CConnectionServer::ReadReady(CConnection& connection)
{
    for (qsizetype nThisTurn = 0; nThisTurn < kReadShare;) {
        const CClock::time_point now = CClock::now();
        if (now >= connection.deadline) {
            EndReading(connection, EEnd::TimeLimit);
            return;
        }
        char* const pRoom = connection.pSession->ReadRoom(m_nReadSize);
        const ssize_t n = ::recv(connection.descriptor.Get(), pRoom,
                                 static_cast<std::size_t>(m_nReadSize), MSG_DONTWAIT);
        const int nError = errno;
        const bool bDone = connection.pSession->TookRead(std::max<ssize_t>(n, 0));
        if (n > 0) {
            connection.nRead += n;
            connection.lastByte = now;
            nThisTurn += n;
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
            qCWarning(lcNet, "reading from %s failed: %s", connection.peer.strText.constData(),
                      std::strerror(nError));
            EndReading(connection, EEnd::ReadFailed);
            return;
        }
        break;
    }
    // All there was is read, or its share of this turn (the others come
    // first): the rest when the event loop says it is there.
    if (!connection.pNotifier) {
        connection.pNotifier =
            std::make_unique<QSocketNotifier>(connection.descriptor.Get(), QSocketNotifier::Read);
        connect(connection.pNotifier.get(), &QSocketNotifier::activated, this,
                [this, &connection] { ReadReady(connection); });
    }
}

void CConnectionServer::EndReading(CConnection& connection, EEnd eEnd)
{
    connection.pNotifier.reset();
    connection.bAnswering = true;
    connection.bPeerClosed = eEnd == EEnd::PeerClosed;
    if (std::unique_ptr<CConnection> pConnection = TakeOff(m_reading, connection))
        m_answering.push_back(std::move(pConnection));
    m_waiting.Left(connection.peer.strKey);
    // The answer has a time limit of its own, to be known and to be taken.
    m_deadlines.Set(connection, CClock::now() + m_limits.timeLimit);
    const quint64 nSerial = connection.nSerial;
    const CSession::CAnswerLater later = [pThis = QPointer<CConnectionServer>(this),
                                          nSerial](const QByteArrayList& answer) {
        if (pThis)
            pThis->AnswerLater(nSerial, answer);
    };
    connection.bInAnswer = true;
    std::optional<QByteArrayList> answer = connection.pSession->Answer(eEnd, later);
    connection.bInAnswer = false;
    if (!answer)
        answer = std::move(connection.earlyAnswer);
    if (answer)
        StartAnswer(connection, *answer);
}

void CConnectionServer::StartAnswer(CConnection& connection, const QByteArrayList& answer)
{
    // Answers not yet taken are bounded as reading is: the oldest goes (the
    // system would hold each one's unsent part as long as it waited).
    if (static_cast<int>(m_answering.size()) > m_limits.nMaxServed) {
        CConnection* pOldest = nullptr;
        for (const auto& pOther : m_answering) {
            if (pOther->bAnswerKnown && pOther.get() != &connection &&
                (!pOldest || pOther->nSerial < pOldest->nSerial))
                pOldest = pOther.get();
        }
        if (pOldest)
            Finish(*pOldest, false);
    }
    connection.SetAnswer(answer);
    if (connection.nAnswerSize == 0) {
        Finish(connection, true);
        return;
    }
    WriteAnswer(connection);
}

void CConnectionServer::AnswerLater(quint64 nSerial, const QByteArrayList& answer)
{
    const auto found = std::find_if(m_answering.begin(), m_answering.end(),
                                    [nSerial](const auto& p) { return p->nSerial == nSerial; });
    if (found == m_answering.end() || (*found)->bAnswerKnown)
        return;
    if ((*found)->bInAnswer)
        (*found)->earlyAnswer =
            answer; // the session is still on the stack: it goes when it returns
    else
        StartAnswer(**found, answer);
}

void CConnectionServer::WriteAnswer(CConnection& connection)
{
    switch (connection.SendAnswer()) {
    case CConnection::ESent::Whole:
        Finish(connection, true);
        return;
    case CConnection::ESent::Failed:
        Finish(connection, false);
        return;
    case CConnection::ESent::Blocked:
        // The peer takes it slower: go on when it has room again.
        if (!connection.pNotifier) {
            connection.pNotifier = std::make_unique<QSocketNotifier>(connection.descriptor.Get(),
                                                                     QSocketNotifier::Write);
            connect(connection.pNotifier.get(), &QSocketNotifier::activated, this,
                    [this, &connection] { WriteAnswer(connection); });
        }
        return;
    }
}

void CConnectionServer::DeadlinePassed(CConnection& connection)
{
    if (connection.bAnswering)
        Finish(connection, false); // the answer was not known or not taken in time
    else
        EndReading(connection, EEnd::TimeLimit);
}

void CConnectionServer::Abort(CDescriptor descriptor)
{
    const linger reset{1, 0};
    ::setsockopt(descriptor.Get(), SOL_SOCKET, SO_LINGER, &reset, sizeof(reset));
}

void CConnectionServer::Finish(CConnection& connection, bool bSent)
{
    connection.pNotifier.reset();
    m_deadlines.Set(connection, CClock::time_point::max());
    // Off the list first: the session may run code that comes back here.
    std::unique_ptr<CConnection> pConnection = TakeOff(m_answering, connection);
    if (!pConnection)
        return;
    if (!bSent && pConnection->nAnswerSent < pConnection->nAnswerSize)
        Abort(std::move(pConnection->descriptor)); // a peer that does not take its answer
    else if (pConnection->bPeerClosed || !pConnection->HasUnreadBytes())
        pConnection->descriptor.Reset(); // nothing unread: closing resets nothing
    else
        m_closer.Close(std::move(pConnection->descriptor));
    pConnection->pSession->Answered(bSent);
    // The connection goes now (its notifier may be the one whose signal runs
    // this: a notifier may be deleted in its own signal); nothing up the stack
    // touches it after this.
    Q_EMIT ServingFinished();
    m_acceptor.DescriptorFreed();
    if (m_waiting.WaitingCount() > 0)
        QMetaObject::invokeMethod(this, &CConnectionServer::ServeWaiting, Qt::QueuedConnection);
}
