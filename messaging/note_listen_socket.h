#pragma once

#include "messaging/note_limits.h"
#include "messaging/note_receive_buffer.h"
#include "messaging/socket_closer.h"

#include <QByteArray>
#include <QHostAddress>
#include <QTcpServer>
#include <QTimer>

#include <chrono>
#include <deque>
#include <memory>
#include <optional>

class IStatusSink;
class QSocketNotifier;

// The note server: accepts connections on the note port and reads one note from
// each, answers with the number of bytes it read, closes the connection and hands
// the text on with the sender's address appended. Connections are served one at a
// time, in the order they arrived, on the event loop: reading never blocks it, and
// a peer that stalls is cut off after the time limit so that the next one is served.
//
// A connection whose reading ends early (the peer closed, or the time limit ran
// out) is answered with the count it sent and opened with what arrived, so no
// text is lost; one that sent nothing, or failed, ends in "Error in receive".
class CNoteListenSocket : public QTcpServer
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds DefaultTimeLimit = std::chrono::seconds(30);

    explicit CNoteListenSocket(IStatusSink& statusSink,
                               std::chrono::milliseconds timeLimit = DefaultTimeLimit,
                               qsizetype nSizeLimit = NoteLimits::NoteSizeLimit,
                               QObject* pParent = nullptr);
    ~CNoteListenSocket() override;

    // Opens the listening socket on the port on every local IPv4 address, or on the
    // one given (port 0 picks a free one, see serverPort()). Returns 1 on success,
    // 0 on failure; the status pane tells which step failed.
    int StartListening(quint16 nPort, const QHostAddress& address = QHostAddress::AnyIPv4);

    // While held back, connections wait (in the order they came) instead of being
    // served: the receiving side can thus keep up without notes piling up.
    void SetHoldBack(bool bHoldBack);
    // Accepted connections waiting for their turn.
    int WaitingConnections() const { return static_cast<int>(m_waiting.size()); }
    bool IsServing() const { return m_bServing; }
    bool IsHeldBack() const { return m_bHoldBack; }

Q_SIGNALS:
    // A connection is being served (the arrival sound, a busy cursor) and is done.
    void ServingStarted();
    void ServingFinished();
    // A received note: the text read, followed by "/$5", the peer's dotted address
    // and "/$6"; and the byte count that was acknowledged.
    void NoteReceived(const QByteArray& strText, qint64 nAcknowledged);

protected:
    void incomingConnection(qintptr nDescriptor) override;

private:
    struct CWaiting
    {
        int nDescriptor;
        QByteArray strPeerAddress;
    };

    void Post(const char* pszText);
    void ServeNext();
    void ReadAvailable();
    void EndReading(bool bReadFailed);
    void OnAcceptError();
    void UpdateAccepting();

    IStatusSink& m_statusSink;
    std::chrono::milliseconds m_timeLimit;
    qsizetype m_nSizeLimit;

    std::deque<CWaiting> m_waiting;
    bool m_bServing = false;
    bool m_bAcceptPaused = false;
    bool m_bHoldBack = false;
    int m_nDescriptor = -1; // the connection being read
    QByteArray m_strPeerAddress;
    std::optional<CNoteReceiveBuffer> m_buffer;
    std::unique_ptr<QSocketNotifier> m_pNotifier;
    QTimer m_timeLimitTimer;
    QTimer m_acceptRetryTimer;
    CSocketCloser m_closer;
};
