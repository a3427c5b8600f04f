#pragma once

#include <QByteArray>

#include <functional>

class QHostInfo;
class QObject;

// This computer's own address, as new notes give it to their receivers.
namespace LocalAddress {

// The first IPv4 address of a look-up's answer as "a.b.c.d", or "cannot get IP".
QByteArray FirstIpv4(const QHostInfo& info);

// Looks this computer's name up without blocking and gives done the first IPv4
// address of the answer (or "cannot get IP"), unless the receiver is gone by then.
void Resolve(QObject* pReceiver, std::function<void(const QByteArray&)> done);

} // namespace LocalAddress
