#pragma once

#include "core/net/socket_closer.h"

#include <QByteArray>
#include <QHostAddress>
#include <QTcpServer>
#include <QTimer>

#include <chrono>
#include <deque>
#include <memory>

class QSocketNotifier;

// A server that serves its connections one at a time, in the order they
// arrived, on the event loop: reading never blocks it, a connection that takes
// longer than the time limit is cut off so that the next one is served, and a
// connection is closed without cutting off the answer. What is read and what is
// answered is the subclass's business.
class CSerialServer : public QTcpServer
{
    Q_OBJECT

public:
    enum class EOpen
    {
        Opened,
        NotCreated, // the socket could not be made or bound to the port
        NotListening,
        NotSelected, // the event loop could not take the socket
    };

    // How the reading of a connection ended.
    enum class EEnd
    {
        Done,       // the subclass had all it needs
        PeerClosed, // end of stream
        TimeLimit,
        ReadFailed,
    };

    CSerialServer(std::chrono::milliseconds timeLimit, qsizetype nReadSize, QObject* pParent);
    ~CSerialServer() override;

    // Creates, binds and listens on the port on the address (every local IPv4
    // address by default); port 0 picks a free one (see serverPort()).
    EOpen Open(quint16 nPort, const QHostAddress& address, int nReceiveBuffer = 0);
    // Stops listening; connections waiting for their turn are dropped.
    void Shut();

    // While held back, connections wait (in the order they came) instead of being
    // served.
    void SetHoldBack(bool bHoldBack);
    // Accepted connections waiting for their turn.
    int WaitingConnections() const { return static_cast<int>(m_waiting.size()); }
    bool IsServing() const { return m_bServing; }
    bool IsHeldBack() const { return m_bHoldBack; }

Q_SIGNALS:
    // A connection is being served, and is done.
    // A connection came, before it is read, or even accepted: also for one the
    // system then fails to hand over.
    void ConnectionArrived();
    void ServingStarted();
    void ServingFinished();

protected:
    // The connection being served, for the subclass's answer.
    class CConnection
    {
    public:
        // Sends without waiting; returns the bytes the system took.
        qint64 Send(const QByteArray& strData) const;
        // The peer's address as dotted IPv4 text, empty when unknown.
        const QByteArray& PeerAddress() const { return m_strPeer; }

    private:
        friend class CSerialServer;
        int m_nDescriptor = -1;
        QByteArray m_strPeer;
    };

    // A connection's turn has come.
    virtual void BeginConnection() = 0;
    // The bytes of one read; returns true when the reading is done.
    virtual bool TakeRead(const char* pData, qsizetype nLength) = 0;
    // The reading ended: answer and hand on what was read. The connection is
    // closed afterwards.
    virtual void EndConnection(const CConnection& connection, EEnd eEnd) = 0;
    // The system could not hand over a waiting connection.
    virtual void AcceptFailed() {}

    void incomingConnection(qintptr nDescriptor) override;

private:
    struct CWaiting
    {
        int nDescriptor;
        QByteArray strPeerAddress;
    };

    void ServeNext();
    void ReadAvailable();
    void EndReading(EEnd eEnd);
    void OnAcceptError();
    void UpdateAccepting();

    std::chrono::milliseconds m_timeLimit;
    qsizetype m_nReadSize;
    std::deque<CWaiting> m_waiting;
    bool m_bServing = false;
    bool m_bAcceptPaused = false;
    bool m_bHoldBack = false;
    CConnection m_connection;
    std::unique_ptr<QSocketNotifier> m_pNotifier;
    QTimer m_timeLimitTimer;
    QTimer m_acceptRetryTimer;
    CSocketCloser m_closer;
};
