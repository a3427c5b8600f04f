#pragma once

#include <QString>

#include <optional>

// A listening socket handed over by the service manager (systemd's socket
// activation: the variables LISTEN_PID and LISTEN_FDS, the sockets from
// descriptor 3 on), so that a server can take a port it could not open itself.
namespace SocketActivation {

constexpr int kFirstDescriptor = 3;

// The first socket passed to this process, if any. The variables are removed, so
// that no program started later takes them for its own; further sockets are closed
// when a program is started. *pstrNote (when given) says what was odd about them;
// a note without a socket means the variables meant this process but were wrong.
std::optional<int> TakeListeningSocket(QString* pstrNote = nullptr);

} // namespace SocketActivation
