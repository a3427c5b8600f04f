#include "core/net/local_address.h"

#include <QHostInfo>

namespace LocalAddress {

QByteArray FirstIpv4(const QHostInfo& info)
{
    if (info.error() == QHostInfo::NoError) {
        for (const QHostAddress& address : info.addresses()) {
            if (address.protocol() == QAbstractSocket::IPv4Protocol)
                return address.toString().toLatin1();
        }
    }
    return QByteArrayLiteral("cannot get IP");
}

void Resolve(QObject* pReceiver, std::function<void(const QByteArray&)> done)
{
    QHostInfo::lookupHost(
        QHostInfo::localHostName(), pReceiver,
        [done = std::move(done)](const QHostInfo& info) { done(FirstIpv4(info)); });
}

} // namespace LocalAddress
