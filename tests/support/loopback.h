#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <chrono>
#include <optional>
#include <sys/socket.h>

// A plain blocking client on 127.0.0.1, as a peer on the network would be: the
// tests' scripted peers and the benchmarks' load are made of it.
namespace Loopback {

// A port free on 127.0.0.1 now, for a server a test starts on a port it must
// know beforehand: below the system's range of ports for outgoing connections,
// so that the connections of tests running beside it do not take it meanwhile.
quint16 UnusedPort();

// The socket address of an IPv4 or IPv6 address text and a port.
sockaddr_storage Address(const QByteArray& strAddress, quint16 nPort, socklen_t& nLength);

// A connected socket, or -1; with a receive buffer of that size when not 0, as
// a slow link or a small machine has.
int Connect(quint16 nPort, int nReceiveBuffer = 0);
// Writes all of the data; false when the connection broke first.
bool WriteAll(int nSocket, const QByteArray& strData);
// Reads until the peer closes; *pbBroken (when given) tells whether the
// connection failed or timed out instead.
QByteArray ReadUntilClosed(int nSocket, bool* pbBroken = nullptr);
// Connects, writes the request and reads the answer until the server closes.
// Returns the answer, or nothing when the connection failed or the answer did
// not come within the time limit.
std::optional<QByteArray> Exchange(quint16 nPort, const QByteArray& strRequest,
                                   std::chrono::seconds timeLimit = std::chrono::seconds(5));

// The same from one address of this machine to another (IPv4 or IPv6, such as
// an address of a prefix a test's namespace routes to itself).
std::optional<QByteArray> ExchangeFrom(const QByteArray& strFrom, const QByteArray& strTo,
                                       quint16 nPort, const QByteArray& strRequest,
                                       std::chrono::seconds timeLimit = std::chrono::seconds(5));

} // namespace Loopback
