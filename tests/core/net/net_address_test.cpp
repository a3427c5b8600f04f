#include "core/net/local_address.h"
#include "core/net/net_address.h"
#include "core/settings/app_settings.h"
#include "core/settings/memory_settings_store.h"

#include <QHostAddress>
#include <QHostInfo>

#include <gtest/gtest.h>

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
    settings.m_nIpPort = 7778;
    EXPECT_EQ(settings.SendSettings().nPort, 7778);
    for (const int nStored : {70000, -5}) {
        settings.m_nIpPort = nStored;
        EXPECT_EQ(settings.SendSettings().nPort, 0) << nStored;
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
