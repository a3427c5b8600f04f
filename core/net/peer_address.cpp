#include "core/net/peer_address.h"

#include <QHostAddress>

#include <netinet/in.h>
#include <sys/socket.h>

CPeerAddress CPeerAddress::Of(const sockaddr_storage& address)
{
    if (address.ss_family != AF_INET && address.ss_family != AF_INET6)
        return {};
    const QHostAddress peer(reinterpret_cast<const sockaddr*>(&address));
    bool bIsIPv4 = false;
    const quint32 nIPv4 = peer.toIPv4Address(&bIsIPv4);
    if (bIsIPv4) {
        const QByteArray strText = QHostAddress(nIPv4).toString().toLatin1();
        return {strText, strText};
    }
    Q_IPV6ADDR prefix = peer.toIPv6Address();
    for (int n = 8; n < 16; ++n)
        prefix[n] = 0;
    return {peer.toString().toLatin1(), QHostAddress(prefix).toString().toLatin1() + "/64"};
}
