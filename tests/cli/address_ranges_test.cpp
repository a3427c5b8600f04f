#include "cli/address_ranges.h"

#include <gtest/gtest.h>

namespace {

QList<QByteArray> Expanded(const QStringList& arguments, QString* pstrError = nullptr)
{
    QString strError;
    const auto addresses = AddressRanges::Expand(arguments, &strError);
    if (pstrError)
        *pstrError = strError;
    return addresses.value_or(QList<QByteArray>{"failed"});
}

} // namespace

TEST(AddressRanges, RangesNetworksAndNames)
{
    EXPECT_EQ(Expanded({QStringLiteral("127.0.0.5-7"), QStringLiteral("localhost"),
                        QStringLiteral("127.0.0.9")}),
              (QList<QByteArray>{"127.0.0.5", "127.0.0.6", "127.0.0.7", "localhost", "127.0.0.9"}));
    // A network's own address and its broadcast address are left out, but a
    // /31 and a /32 are all hosts; bits below the prefix do not count.
    EXPECT_EQ(Expanded({QStringLiteral("127.0.1.7/30")}),
              (QList<QByteArray>{"127.0.1.5", "127.0.1.6"}));
    EXPECT_EQ(Expanded({QStringLiteral("127.0.1.6/31"), QStringLiteral("127.0.1.9/32")}),
              (QList<QByteArray>{"127.0.1.6", "127.0.1.7", "127.0.1.9"}));
    EXPECT_EQ(Expanded({QStringLiteral("127.3.0.0/16")}).size(), 65534);
    EXPECT_EQ(Expanded({QStringLiteral("127.0.0.0-255")}).size(), 256);
}

TEST(AddressRanges, ARangeMayEndInAWholeAddress)
{
    EXPECT_EQ(Expanded({QStringLiteral("127.0.0.1-127.0.0.3")}),
              (QList<QByteArray>{"127.0.0.1", "127.0.0.2", "127.0.0.3"}));
    EXPECT_EQ(Expanded({QStringLiteral("127.0.0.7-127.0.0.7")}), QList<QByteArray>{"127.0.0.7"});
    // Past the last number every address between counts, as the range names them.
    EXPECT_EQ(Expanded({QStringLiteral("127.0.0.254-127.0.1.1")}),
              (QList<QByteArray>{"127.0.0.254", "127.0.0.255", "127.0.1.0", "127.0.1.1"}));
    EXPECT_EQ(Expanded({QStringLiteral("127.0.0.0-127.0.255.255")}).size(), 65536);

    QString strError;
    for (const QString& strArgument :
         {QStringLiteral("127.0.0.20-127.0.0.1"), QStringLiteral("127.0.1.0-127.0.0.255"),
          QStringLiteral("127.0.0.1-127.0.0"), QStringLiteral("127.0.0.1-127.0.0.1.2"),
          QStringLiteral("127.0.0.1-::1"), QStringLiteral("::1-127.0.0.1"),
          QStringLiteral("127.0.0.1-localhost"), QStringLiteral("127.0.0.0-99999999999")}) {
        EXPECT_EQ(Expanded({strArgument}, &strError), QList<QByteArray>{"failed"})
            << strArgument.toStdString();
        EXPECT_EQ(strError, QStringLiteral("invalid range '%1'").arg(strArgument));
    }
    Expanded({QStringLiteral("127.0.0.0-127.1.0.0")}, &strError);
    EXPECT_EQ(strError, QStringLiteral("more than 65536 addresses"));
    Expanded({QStringLiteral("0.0.0.0-255.255.255.255")}, &strError);
    EXPECT_EQ(strError, QStringLiteral("more than 65536 addresses"));
}

TEST(AddressRanges, WhatCannotBeAnAddressIsRefusedNotLookedUp)
{
    for (const QString& strArgument :
         {QStringLiteral("127.0.0.9-3"), QStringLiteral("127.0.0.1-300"),
          QStringLiteral("127.0.0.1-"), QStringLiteral("127.0.0.0/33"),
          QStringLiteral("127.0.0.0/-1"), QStringLiteral("1.2.3.4/99999999999"),
          QStringLiteral("127.0.0.256"), QStringLiteral("127.1"), QString(),
          QStringLiteral("127.0.0.1 junk"), QStringLiteral("-1"), QStringLiteral("a/b")}) {
        QString strError;
        EXPECT_EQ(Expanded({strArgument}, &strError), QList<QByteArray>{"failed"})
            << strArgument.toStdString();
        EXPECT_FALSE(strError.isEmpty());
    }
    QString strError;
    Expanded({QStringLiteral("127.0.0.0/15")}, &strError);
    EXPECT_EQ(strError, QStringLiteral("more than 65536 addresses"));
    Expanded({QStringLiteral("127.3.0.0/16"), QStringLiteral("127.0.0.0/30"),
              QStringLiteral("127.0.0.1")},
             &strError);
    EXPECT_EQ(strError, QStringLiteral("more than 65536 addresses"));
}
