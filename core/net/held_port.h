#pragma once

#include "core/net/descriptor.h"

#include <QHostAddress>

#include <optional>

// A TCP port bound once and kept: the socket is made and bound while the
// process may still bind the port (one below 1024 needs a capability that the
// desktop program gives up right after its start), and a server listens on it
// and stops as it is switched on and off, without binding again.
class CHeldPort
{
public:
    // Creates the socket and binds it to the port on the address (every local
    // IPv4 address by default; "::" every IPv6 and IPv4 address); it does not
    // listen yet. False, with the system's error, when it cannot.
    bool Bind(quint16 nPort, const QHostAddress& address = QHostAddress::AnyIPv4);
    bool IsBound() const { return m_socket.IsValid(); }
    // The system's error of the last step that failed (EACCES, EADDRINUSE),
    // and the step ("bind"); 0 and "" after a success.
    int ErrorNumber() const { return m_nError; }
    const char* FailedStep() const { return m_pszFailedStep; }
    // The bound socket, given up: the caller owns it now.
    CDescriptor Take() { return std::move(m_socket); }

    // Listens, and gives a descriptor of the listening socket (a second one of
    // the same socket) for a server to adopt and close; none, with
    // ErrorNumber(), when it cannot (another socket listens on the port).
    std::optional<int> Listen();
    // Stops listening while the port stays bound: the connections the system
    // holds are reset and new ones refused until Listen(). A socket bound to
    // port 0 gives its port back, and takes another free one at Listen().
    void StopListening();

private:
    bool Fail(const char* pszStep);

    CDescriptor m_socket;
    int m_nError = 0;
    const char* m_pszFailedStep = "";
};
