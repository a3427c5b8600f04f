#include "core/messaging/send_settings.h"
#include "core/net/local_address.h"
#include "core/net/net_address.h"
#include "core/net/peer_address.h"
#include "core/settings/app_settings.h"
#include "core/settings/memory_settings_store.h"

#include <QHostAddress>
#include <QHostInfo>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>

using namespace NetAddress;

TEST(NetAddress, ListeningAllowsPortZeroConnectingDoesNot)
{
    EXPECT_EQ(Port(0, EPortUse::Listen), 0);
    EXPECT_EQ(Port(0, EPortUse::Connect), std::nullopt);
    EXPECT_EQ(Port(65535, EPortUse::Connect), 65535);
    EXPECT_EQ(Port(65536, EPortUse::Listen), std::nullopt);
    EXPECT_EQ(Port(-1, EPortUse::Listen), std::nullopt);
    EXPECT_EQ(ParsePort(QStringLiteral("7777"), EPortUse::Connect), 7777);
    EXPECT_EQ(ParsePort(QStringLiteral("-5"), EPortUse::Listen), std::nullopt);
    EXPECT_EQ(ParsePort(QStringLiteral("77x"), EPortUse::Listen), std::nullopt);
    EXPECT_EQ(ParsePort(QString(), EPortUse::Listen), std::nullopt);
}

TEST(NetAddress, AnAddressMayNameItsOwnPort)
{
    const CHostPort own = SplitHostPort(QStringLiteral("127.0.0.5:7782"), 7777);
    EXPECT_EQ(own.strHost, QStringLiteral("127.0.0.5"));
    EXPECT_EQ(own.nPort, 7782);
    const CHostPort plain = SplitHostPort(QStringLiteral("bob.example"), 7777);
    EXPECT_EQ(plain.strHost, QStringLiteral("bob.example"));
    EXPECT_EQ(plain.nPort, 7777);
    // Not a port: the whole text is the host, as the user wrote it.
    for (const char* pszAddress : {"host:0", "host:70000", "host:x", ":7782", "fe80::1", "a:1:2"}) {
        const CHostPort split = SplitHostPort(QString::fromLatin1(pszAddress), 7777);
        EXPECT_EQ(split.strHost, QString::fromLatin1(pszAddress));
        EXPECT_EQ(split.nPort, 7777);
    }
}

TEST(NetAddress, AStoredPortOutOfRangeSendsNowhere)
{
    CMemorySettingsStore store;
    CAppSettings settings(store);
    settings.SetIpPort(7778);
    EXPECT_EQ(SendSettingsOf(settings, {}).nPort, 7778);
    for (const int nStored : {70000, -5}) {
        settings.SetIpPort(nStored);
        EXPECT_EQ(SendSettingsOf(settings, {}).nPort, 0) << nStored;
    }
}

TEST(LocalAddress, TheFirstIpv4AddressOrCannotGetIp)
{
    QHostInfo info;
    info.setAddresses({QHostAddress(QStringLiteral("::1")),
                       QHostAddress(QStringLiteral("127.0.1.1")),
                       QHostAddress(QStringLiteral("127.0.0.1"))});
    EXPECT_EQ(LocalAddress::FirstIpv4(info), "127.0.1.1");
    info.setAddresses({QHostAddress(QStringLiteral("::1"))});
    EXPECT_EQ(LocalAddress::FirstIpv4(info), "cannot get IP");
    info.setAddresses({QHostAddress(QStringLiteral("127.0.0.1"))});
    info.setError(QHostInfo::HostNotFound);
    EXPECT_EQ(LocalAddress::FirstIpv4(info), "cannot get IP");
}

TEST(PeerAddress, IPv4AsItIsIPv6ByItsPrefix)
{
    const auto of = [](const char* pszAddress) {
        sockaddr_storage address{};
        if (std::strchr(pszAddress, ':')) {
            auto& v6 = reinterpret_cast<sockaddr_in6&>(address);
            v6.sin6_family = AF_INET6;
            ::inet_pton(AF_INET6, pszAddress, &v6.sin6_addr);
        } else {
            auto& v4 = reinterpret_cast<sockaddr_in&>(address);
            v4.sin_family = AF_INET;
            ::inet_pton(AF_INET, pszAddress, &v4.sin_addr);
        }
        return CPeerAddress::Of(address);
    };
    const CPeerAddress v4 = of("10.0.0.5");
    EXPECT_EQ(v4.strText, "10.0.0.5");
    EXPECT_EQ(v4.strKey, "10.0.0.5");
    // An IPv4 peer of a dual-stack socket is the IPv4 peer it is.
    const CPeerAddress mapped = of("::ffff:10.0.0.5");
    EXPECT_EQ(mapped.strText, "10.0.0.5");
    EXPECT_EQ(mapped.strKey, "10.0.0.5");
    // Every address of one /64 is one peer, with an address of its own.
    const CPeerAddress a = of("2001:db8:1:2::7");
    const CPeerAddress b = of("2001:db8:1:2:ffff:1:2:3");
    EXPECT_EQ(a.strText, "2001:db8:1:2::7");
    EXPECT_EQ(a.strKey, "2001:db8:1:2::/64");
    EXPECT_EQ(b.strKey, a.strKey);
    EXPECT_NE(of("2001:db8:1:3::7").strKey, a.strKey);
}
