#pragma once

#include <QByteArray>

struct sockaddr_storage;

// Who a connection comes from: its address as text (dotted for IPv4, also for
// an IPv4 peer of a dual-stack socket, never "::ffff:"), and the key its bounds
// are counted by. An IPv6 peer is counted by its /64, the block one host or one
// network gets: it may use every address in it, so counting each address alone
// would give one machine thousands of shares.
struct CPeerAddress
{
    QByteArray strText;
    QByteArray strKey;

    // Empty texts for an address of another family.
    static CPeerAddress Of(const sockaddr_storage& address);
};
