// "blipnote-cli listen" as attackers meet it, at the ordinary limit of 1,024
// descriptors or fewer: thousands of addresses that each hold a connection,
// addresses that come back as soon as they are closed, a /64 of IPv6
// addresses, and a reader of its output that stalls. An honest note is
// answered at once through all of it.
#include "tests/support/cli_listener.h"
#include "tests/support/event_loop.h"
#include "tests/support/hostile_peers.h"
#include "tests/support/loopback.h"
#include "tests/support/raw_client.h"
#include "tests/support/sample_notes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// The answer to an honest note from 127.0.0.1, or nothing when none came within
// five seconds: far less than the time limit an attacker's connection has, so
// the note never waited for one to run out.
std::optional<QByteArray> HonestNote(quint16 nPort)
{
    return Loopback::Exchange(nPort, SampleNotes::Lunch, 5s);
}

// "blipnote-cli listen" on a free port (with the options), allowed so many
// descriptors; its notes go nowhere (a reader that does not keep up would
// hold back new connections, see the last test).
QString ListenWithDescriptors(int nDescriptors, const QString& strOptions = QString())
{
    return QStringLiteral("ulimit -n %1; exec \"$0\" listen --port 0 %2 >/dev/null")
        .arg(nDescriptors)
        .arg(strOptions);
}

bool EnoughDescriptorsForAttackers(int nAttackers)
{
    return RaiseDescriptorLimit() >= nAttackers + 200;
}

void Wait(std::chrono::milliseconds duration)
{
    SpinUntil([] { return false; }, duration);
}

} // namespace

TEST(ListenUnderAttack, TenThousandAddressesHoldingConnectionsKeepNoNoteWaiting)
{
    if (!EnoughDescriptorsForAttackers(10000))
        GTEST_SKIP() << "the attackers need 10,200 descriptors in this process";
    // It keeps each note in a file and in the history too: the attackers
    // leave it the descriptors that takes.
    QTemporaryDir folder;
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    CCliInShell listen(ListenWithDescriptors(
        1024, QStringLiteral("--save-dir '%1' --history").arg(folder.path())));
    ASSERT_NE(listen.Port(), 0) << listen.Errors().constData();
    // 5,000 addresses each hold a connection that says nothing, 5,000 more one
    // that trickles a note that never ends.
    CHostilePeers silent(
        {.nPort = listen.Port(), .strFrom = "127.1.0.1", .nAddresses = 5000, .nIdle = 5000});
    CHostilePeers trickling({.nPort = listen.Port(),
                             .strFrom = "127.2.0.1",
                             .nAddresses = 5000,
                             .nTrickling = 5000,
                             .strFirst = "bob/$0",
                             .trickleEvery = 1s});
    ASSERT_TRUE(SpinUntil([&] { return silent.AllStarted() && trickling.AllStarted(); }));
    ASSERT_TRUE(SpinUntil([&] { return silent.Connected() + trickling.Connected() == 10000; }));
    // So many silent connections overflow the system's queue of those it
    // holds: it hands over the rest, and honest ones, at once, before they
    // speak. The real sender connects and then writes, as any sender does.
    const auto send = [&] {
        return RunCli({QStringLiteral("send"), QStringLiteral("--port"),
                       QString::number(listen.Port()), QStringLiteral("--text"),
                       QStringLiteral("hi"), QStringLiteral("127.0.0.1")})
            .strOut;
    };
    const auto state = [&] {
        return QStringLiteral("listen %1; it wrote: %2")
            .arg(listen.Process().state() == QProcess::Running ? QStringLiteral("runs")
                                                               : QStringLiteral("has ended"))
            .arg(QString::fromUtf8(listen.Errors()))
            .toStdString();
    };
    for (int n = 0; n < 3; ++n) {
        EXPECT_EQ(HonestNote(listen.Port()), "39") << "note " << n << "; " << state();
        EXPECT_EQ(send(), "127.0.0.1: Send successful\n") << "send " << n;
    }
    // Past the time the system holds a silent connection: the server has met
    // them all now, and has closed those there was no room for.
    Wait(9s);
    EXPECT_GT(silent.ClosedByServer(), 1000);
    for (int n = 0; n < 3; ++n) {
        EXPECT_EQ(HonestNote(listen.Port()), "39")
            << "note " << n << " after the deferral; " << state();
        EXPECT_EQ(send(), "127.0.0.1: Send successful\n") << "send " << n;
    }
    EXPECT_FALSE(listen.Errors().contains("Cannot accept")) << listen.Errors().constData();
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), 12);
    EXPECT_EQ(RunCli({QStringLiteral("history")}).strOut.count('\n'), 12);
}

TEST(ListenUnderAttack, AddressesThatComeBackAtOnceNeverCostAnHonestNote)
{
    if (!EnoughDescriptorsForAttackers(2000))
        GTEST_SKIP() << "the attackers need 2,200 descriptors in this process";
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    CCliInShell listen(ListenWithDescriptors(1024, QStringLiteral("--history")));
    ASSERT_NE(listen.Port(), 0) << listen.Errors().constData();
    // More addresses than the server has descriptors, each coming back as soon
    // as it is closed: the server is out of descriptors all the time, and
    // which connection gives way must never be the honest one.
    CHostilePeers speaking({.nPort = listen.Port(),
                            .strFrom = "127.3.0.1",
                            .nAddresses = 1500,
                            .nTrickling = 1500,
                            .strFirst = "bob/$0",
                            .trickleEvery = 1s,
                            .bReconnect = true});
    CHostilePeers silent({.nPort = listen.Port(),
                          .strFrom = "127.4.0.1",
                          .nAddresses = 500,
                          .nIdle = 500,
                          .bReconnect = true});
    ASSERT_TRUE(SpinUntil([&] { return speaking.ClosedByServer() > 1000; }));
    for (int nRound = 0; nRound < 3; ++nRound) {
        for (int n = 0; n < 5; ++n)
            EXPECT_EQ(HonestNote(listen.Port()), "39") << "round " << nRound << ", note " << n;
        Wait(500ms);
    }
    // Each honest note kept once; of the attackers' notes cut off, none.
    EXPECT_EQ(RunCli({QStringLiteral("history"), QStringLiteral("--search"), QStringLiteral("go")})
                  .strOut.count('\n'),
              15);
}

TEST(ListenUnderAttack, AtAFewDescriptorsPeersThatHoldThemAllMakeRoomForANote)
{
    // A tool that may hold 48 descriptors, and two addresses that would hold
    // them all with notes they never finish: one gives way to a new peer's note.
    CCliInShell listen(ListenWithDescriptors(48));
    ASSERT_NE(listen.Port(), 0) << listen.Errors().constData();
    CHostilePeers first(
        {.nPort = listen.Port(), .nTrickling = 200, .strFirst = "bob/$0", .trickleEvery = 1s});
    CHostilePeers second({.nPort = listen.Port(),
                          .strFrom = "127.0.0.3",
                          .nTrickling = 30,
                          .strFirst = "bob/$0",
                          .trickleEvery = 1s});
    ASSERT_TRUE(SpinUntil([&] { return first.ClosedByServer() >= 200 - 48; }));
    for (int n = 0; n < 20; ++n)
        ASSERT_EQ(HonestNote(listen.Port()), "39") << "note " << n;
    EXPECT_FALSE(listen.Errors().contains("Cannot accept")) << listen.Errors().constData();
}

TEST(ListenUnderAttack, AnIPv6PrefixCountsAsOnePeer)
{
    if (qEnvironmentVariableIsEmpty("BLIPNOTE_TEST_NAMESPACE"))
        GTEST_SKIP() << "needs a network namespace of its own with fd00:b1::/64 (run as root)";
    CCliInShell listen(ListenWithDescriptors(1024, QStringLiteral("--address ::")));
    ASSERT_NE(listen.Port(), 0) << listen.Errors().constData();
    // 3,000 connections from one /64, each from an address of its own, with
    // notes they never finish: they share one peer's share of 32 (each new one
    // takes the place of the slowest of its own).
    CHostilePeers prefix({.nPort = listen.Port(),
                          .strFrom = "fd00:b1::100",
                          .nAddresses = 3000,
                          .strTo = "::1",
                          .nTrickling = 3000,
                          .strFirst = "bob/$0",
                          .trickleEvery = 1s});
    ASSERT_TRUE(SpinUntil([&] { return prefix.ClosedByServer() >= 3000 - 32 - 64; }))
        << prefix.ClosedByServer();
    EXPECT_EQ(HonestNote(listen.Port()), "39") << "from IPv4, on the same socket";
    // A peer of another /64 is a peer of its own; a neighbour in the same /64
    // takes a place of its own prefix's.
    EXPECT_EQ(Loopback::ExchangeFrom("fd00:b2::7", "::1", listen.Port(), SampleNotes::Lunch), "39");
    for (int n = 0; n < 5; ++n)
        EXPECT_EQ(Loopback::ExchangeFrom("fd00:b1::2", "::1", listen.Port(), SampleNotes::Lunch),
                  "39")
            << "neighbour's note " << n;
}

TEST(ListenUnderAttack, AStalledReaderOfItsOutputHoldsUpNoSignalAndNoAnswerIsEarly)
{
    // Its notes go into a pipe that this test reads only when it wants to.
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    CCliInShell listen(QStringLiteral("exec \"$0\" listen --port 0 >&3 3>&-"), {}, "Listening ...",
                       ends[1]);
    ::close(ends[1]);
    ASSERT_NE(listen.Port(), 0) << listen.Errors().constData();
    const QByteArray strLarge =
        TaggedText::Compose({"ann", QByteArray(60000, 'x'), "PC7", "Large", 0});
    const QByteArray strCount = QByteArray::number(strLarge.size());
    const auto fillThePipe = [&] {
        // The notes that fit are answered; the one whose line must wait is
        // not, and its sender gives up.
        for (int nAnswered = 0;; ++nAnswered) {
            const std::optional<QByteArray> answer =
                Loopback::Exchange(listen.Port(), strLarge, 2s);
            if (!answer || *answer != strCount) {
                EXPECT_FALSE(answer) << "answered early: " << answer.value_or("").constData();
                return nAnswered;
            }
        }
    };
    EXPECT_GE(fillThePipe(), 1);

    // A note that comes meanwhile waits with the system, and is answered once
    // the reader takes the lines before it.
    CRawClientScript script;
    script.nPort = listen.Port();
    script.strFirst = strLarge;
    auto waiting = RunRawClient(script);
    Wait(300ms);
    EXPECT_EQ(waiting.wait_for(0s), std::future_status::timeout);
    ::fcntl(ends[0], F_SETFL, O_NONBLOCK);
    qint64 nRead = 0;
    ASSERT_TRUE(SpinUntil([&] {
        char buffer[65536];
        for (ssize_t n = 0; (n = ::read(ends[0], buffer, sizeof(buffer))) > 0;)
            nRead += n;
        return waiting.wait_for(0s) == std::future_status::ready;
    }));
    EXPECT_EQ(waiting.get().strAnswer, strCount);

    // Stalled again, the tool still hears its signals.
    fillThePipe();
    ::kill(static_cast<pid_t>(listen.Process().processId()), SIGTERM);
    EXPECT_TRUE(SpinUntil([&] { return listen.Process().state() == QProcess::NotRunning; }, 5s));
    ::close(ends[0]);
}
