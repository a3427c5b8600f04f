#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <optional>

// A plain blocking client on 127.0.0.1, as the benchmarks' load generator.
namespace Loopback {

// A connected socket, or -1.
int Connect(quint16 nPort);
// Connects, writes the request and reads the answer until the server closes.
// Returns the answer, or nothing when the connection failed.
std::optional<QByteArray> Exchange(quint16 nPort, const QByteArray& strRequest);

} // namespace Loopback
