#pragma once

#include "core/net/descriptor.h"
#include "core/net/peer_address.h"

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QSocketNotifier;

// The listening socket of a connection server, and the taking of its
// connections from the system's queue: a bounded number per turn of the event
// loop, each handed on at once to the server that schedules them. Out of
// descriptors, or at the bound of the descriptors the servers may hold (see
// CDescriptorBudget), the server is asked to free one; when it cannot,
// accepting pauses until a connection ends, or for a while.
class CConnectionAcceptor : public QObject
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

    // Takes a connection the system handed over.
    using CAccepted = std::function<void(CDescriptor descriptor, const CPeerAddress& peer)>;
    // Frees a descriptor when there are none left; false when nothing can go.
    using CFreeDescriptor = std::function<bool()>;

    CConnectionAcceptor(std::chrono::seconds acceptDeferral, CAccepted accepted,
                        CFreeDescriptor freeDescriptor, QObject* pParent = nullptr);
    ~CConnectionAcceptor() override;

    // Creates, binds and listens on the port on the address (every local IPv4
    // address by default; "::" every IPv6 and IPv4 address); port 0 picks a
    // free one (see ServerPort()). A socket listening before is closed only
    // once the new one listens.
    EOpen Open(quint16 nPort, const QHostAddress& address);
    // Accepts on a socket that listens already; false, and the socket left as
    // it is, when it is not a listening TCP socket.
    bool Adopt(int nSocket);
    // Stops listening.
    void Close();
    bool IsListening() const { return m_listening.IsValid(); }
    // Why the last Open() failed, as the system says it ("Address already in use").
    const QString& OpenError() const { return m_strOpenError; }
    // The same as the system's error number (EADDRINUSE, say); 0 after a success.
    int OpenErrorNumber() const { return m_nOpenError; }
    quint16 ServerPort() const { return m_nPort; }

    void SetPaused(bool bPaused);
    bool IsPaused() const { return m_bPaused; }
    void SetSendBufferSize(int nBytes) { m_nSendBufferSize = nBytes; }
    void SetAcceptDeferral(std::chrono::seconds deferral);
    // A descriptor came free: accepting goes on if it paused for want of one.
    void DescriptorFreed();

Q_SIGNALS:
    // A connection came: also one the system failed to hand over.
    void ConnectionArrived();
    // The system could not hand over a connection (out of descriptors, say).
    void AcceptFailed();
    // Accepting pauses for want of descriptors: those held only to be closed
    // are needed now.
    void OutOfDescriptors();

private:
    // The port a listening socket is bound to; none when it has no IPv4 or
    // IPv6 address.
    static std::optional<quint16> BoundPort(int nSocket);
    void Listen(CDescriptor socket, quint16 nPort);
    void DeferAccepting(int nSocket) const;
    void AcceptReady();
    void PauseForDescriptors();
    void UpdateAccepting();

    std::chrono::seconds m_acceptDeferral;
    CAccepted m_accepted;
    CFreeDescriptor m_freeDescriptor;
    CDescriptor m_listening;
    QString m_strOpenError;
    int m_nOpenError = 0;
    quint16 m_nPort = 0;
    std::unique_ptr<QSocketNotifier> m_pNotifier;
    bool m_bPaused = false;
    int m_nSendBufferSize = 0;
    bool m_bOutOfDescriptors = false;
    QTimer m_descriptorRetry;
};
