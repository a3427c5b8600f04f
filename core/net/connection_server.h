#pragma once

#include "core/net/connection_acceptor.h"
#include "core/net/connection_deadlines.h"
#include "core/net/descriptor.h"
#include "core/net/descriptor_budget.h"
#include "core/net/silent_lobby.h"
#include "core/net/socket_closer.h"
#include "core/net/waiting_room.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QHash>
#include <QHostAddress>
#include <QObject>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class CServedConnection;

// A server that reads its connections side by side on the event loop, each with
// its own time limit, so that no peer can hold up another:
// - the system holds a connection that has sent nothing yet (deferred accept),
//   and one it hands over all the same waits in the silent lobby, taking no
//   place, until it speaks or its time runs out;
// - a bounded number are read at the same time, overall and per peer (an IPv6
//   peer counted by its /64); a peer's connections beyond its share wait their
//   turn, and beyond its share of waiting they are closed at once, unread;
// - a connection that speaks when every place is taken, or when its peer has
//   its share, takes the place of the one that reads slowest (of that peer),
//   whose reading ends without it being taken;
// - each connection gets a bounded share of reading per turn of the event loop,
//   and its time limit is checked at every read, so that one that streams
//   without end holds up nobody;
// - a bounded number of answers are written at the same time;
// - connections leave the process the descriptors the rest of it holds, and
//   a reserve (see CDescriptorBudget); at that bound, or out of descriptors, closing
//   connections go first, then the silent ones, then the newest waiting
//   connection of the peer with the most waiting, then a place as above.
// Each connection's reading and answer belong to a session the subclass makes;
// the server writes the answer whole, as the peer takes it, and closes the
// connection without cutting the answer off.
class CConnectionServer : public QObject
{
    Q_OBJECT

public:
    using EOpen = CConnectionAcceptor::EOpen;

    // How the reading of a connection ended.
    enum class EEnd
    {
        Done,       // the session had all it needs
        PeerClosed, // end of stream
        TimeLimit,
        ReadFailed,
        Yielded, // it gave its place to a connection that has something to say
    };

    struct CLimits
    {
        // For reading a connection, and again for writing its answer.
        std::chrono::milliseconds timeLimit{30000};
        int nMaxServed = 512; // connections read at the same time, and answered
        int nMaxServedPerPeer = 32;
        int nMaxWaitingPerPeer = 64; // beyond it, the peer's connections are closed
        // How long the system holds a connection that has sent nothing before
        // handing it over (it may hold it somewhat longer: it counts in its own
        // retransmission steps); 0 hands every connection over at once.
        std::chrono::seconds acceptDeferral{5};
    };

    // One connection: what it reads and what it answers.
    class CSession
    {
    public:
        virtual ~CSession() = default;
        // Where the next read puts up to nMax bytes (the session's own
        // buffer: they are not copied again).
        virtual char* ReadRoom(qsizetype nMax) = 0;
        // After every ReadRoom: nLength bytes went there (0 when the read
        // brought none). True when the reading is done.
        virtual bool TookRead(qsizetype nLength) = 0;
        // Gives the answer of a session that could not give it at once, when
        // it is known; nothing happens when the connection has ended meanwhile.
        using CAnswerLater = std::function<void(const QByteArrayList& answer)>;
        // The reading ended: the answer (nothing when empty), or none yet, when
        // the session gives it later through later (within the answer's time
        // limit; after it the connection ends unanswered).
        // The parts are sent one after the other, so that a large part held
        // elsewhere (a long plan) need not be copied for every connection.
        virtual std::optional<QByteArrayList> Answer(EEnd eEnd, const CAnswerLater& later) = 0;
        // The answer went out whole (or there was none), or it could not.
        virtual void Answered(bool bSent) = 0;
    };

    CConnectionServer(const CLimits& limits, qsizetype nReadSize, QObject* pParent);
    // The connections are not served any more: their descriptors close.
    ~CConnectionServer() override;

    // Creates, binds and listens on the port on the address (every local IPv4
    // address by default; "::" every IPv6 and IPv4 address); port 0 picks a
    // free one (see ServerPort()).
    EOpen Open(quint16 nPort, const QHostAddress& address = QHostAddress::AnyIPv4);
    // Serves on a socket that listens already (one the service manager opened
    // and handed over); false, and the socket left as it is, when it is not a
    // listening TCP socket.
    bool Adopt(int nSocket);
    // Stops listening; connections waiting for their turn are closed, those
    // being served finish.
    void Close();
    bool IsListening() const { return m_acceptor.IsListening(); }
    // Why the last Open() failed, as the system says it ("Address already in use").
    const QString& OpenError() const { return m_acceptor.OpenError(); }
    int OpenErrorNumber() const { return m_acceptor.OpenErrorNumber(); }
    quint16 ServerPort() const { return m_acceptor.ServerPort(); }

    // While paused no connection is accepted (the system's queue holds them);
    // those accepted already are served.
    void SetAcceptPaused(bool bPaused) { m_acceptor.SetPaused(bPaused); }
    bool IsAcceptPaused() const { return m_acceptor.IsPaused(); }

    // The send buffer of each connection accepted from now on; 0 (the default)
    // leaves the system's size and its autotuning. A small one plays a slow link.
    void SetSendBufferSize(int nBytes) { m_acceptor.SetSendBufferSize(nBytes); }

    // How long the system holds a connection that has sent nothing (tests of
    // the server's own bounds turn it off).
    void SetAcceptDeferral(std::chrono::seconds deferral)
    {
        m_acceptor.SetAcceptDeferral(deferral);
    }

    // Connections read or answered now.
    int ServedConnections() const
    {
        return static_cast<int>(m_reading.size() + m_answering.size());
    }
    int WaitingConnections() const { return m_waiting.WaitingCount(); }
    // Every connection still open here: served, waiting or being closed.
    int OpenConnections() const;

Q_SIGNALS:
    // A connection came, before it is read: also one the system failed to hand
    // over, or one closed at once (its peer has too many waiting, or it has
    // sent nothing while every place is taken).
    void ConnectionArrived();
    // The system could not hand over a connection (out of descriptors, say).
    void AcceptFailed();
    // A connection's reading began, and it was answered and closed.
    void ServingStarted();
    void ServingFinished();

protected:
    // A session for a connection from the peer (its address as text: dotted
    // for IPv4), when its turn comes.
    virtual std::unique_ptr<CSession> NewSession(const QByteArray& strPeer) = 0;

private:
    using CConnection = CServedConnection;

    // Connections waiting for their turn, or to speak, are closed.
    void CloseWaiting();
    void Admit(CDescriptor descriptor, const CPeerAddress& peer);
    // A silent connection whose time ran out is answered as at its time limit.
    void AnswerSilent(CDescriptor descriptor, const CPeerAddress& peer);
    // Frees a descriptor when there are none left; false when nothing can go.
    bool FreeDescriptor();
    void ServeWaiting();
    // The connection being read (of the peer, when a key is given) that gives
    // up its place first, or none.
    CConnection* Yielding(const QByteArray* pstrKey = nullptr) const;
    CConnection& Serve(CDescriptor descriptor, CPeerAddress peer);
    // Takes the connection off the list; none when it is not on it.
    static std::unique_ptr<CConnection> TakeOff(std::vector<std::unique_ptr<CConnection>>& list,
                                                const CConnection& connection);
    void ReadReady(CConnection& connection);
    void EndReading(CConnection& connection, EEnd eEnd);
    void StartAnswer(CConnection& connection, const QByteArrayList& answer);
    void AnswerLater(quint64 nSerial, const QByteArrayList& answer);
    void WriteAnswer(CConnection& connection);
    // Its reading, or its answer, took too long.
    void DeadlinePassed(CConnection& connection);
    void Finish(CConnection& connection, bool bSent);
    // Closes the connection at once, with a reset: what was not sent is dropped
    // instead of being held by the system.
    static void Abort(CDescriptor descriptor);

    CLimits m_limits;
    qsizetype m_nReadSize;
    CWaitingRoom m_waiting;
    // The connections served: those being read, and those being answered.
    std::vector<std::unique_ptr<CConnection>> m_reading;
    std::vector<std::unique_ptr<CConnection>> m_answering;
    CConnectionDeadlines m_deadlines;
    quint64 m_nNextSerial = 0;
    CSocketCloser m_closer;
    CSilentLobby m_lobby;
    CConnectionAcceptor m_acceptor;
    // Declared last, so that it is destroyed first, while every connection
    // it counts is still there.
    CDescriptorBudget m_budget;
};
