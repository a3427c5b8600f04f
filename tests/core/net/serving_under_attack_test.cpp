// Both servers meet hostile peers: connections that say nothing, that trickle,
// that come by the thousand or end in a reset. The next honest peer still gets
// through, and nothing is left open once the attackers have gone.
#include "core/finger/finger_daemon_socket.h"
#include "core/interfaces/sound_player.h"
#include "core/messaging/note_listen_socket.h"
#include "core/settings/app_settings.h"
#include "core/settings/memory_settings_store.h"
#include "tests/support/event_log.h"
#include "tests/support/event_loop.h"
#include "tests/support/finger_server.h"
#include "tests/support/hostile_peers.h"
#include "tests/support/raw_client.h"
#include "tests/support/recording_status_sink.h"
#include "tests/support/sample_notes.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sys/resource.h>

using namespace std::chrono_literals;

namespace {

int OpenDescriptors()
{
    const std::filesystem::directory_iterator entries("/proc/self/fd");
    return static_cast<int>(std::distance(begin(entries), end(entries)));
}

class CSilentSound : public ISoundPlayer
{
public:
    void Play(const QString&) override {}
};

class ServingUnderAttackTest : public ::testing::Test
{
protected:
    void StartNotes(std::chrono::milliseconds timeLimit = CNoteListenSocket::DefaultTimeLimit)
    {
        m_pNotes = std::make_unique<CNoteListenSocket>(m_sink, timeLimit);
        QObject::connect(m_pNotes.get(), &CNoteListenSocket::NoteReceived,
                         [this](const QByteArray& strText) { m_received.append(strText); });
        ASSERT_TRUE(m_pNotes->StartListening(0, QHostAddress::LocalHost));
    }

    void StartFinger()
    {
        m_settings.Load();
        m_settings.m_strUserName = "ann";
        m_pFinger = StartLoopbackFingerServer(m_settings, m_prompts, m_sound);
        ASSERT_TRUE(m_pFinger);
    }

    // An honest peer from 127.0.0.1: its answer, and how long it took to come.
    QByteArray Honest(const CConnectionServer& server, const QByteArray& strRequest,
                      const char* pszWhat)
    {
        QElapsedTimer timer;
        timer.start();
        CRawClientScript script;
        script.nPort = server.ServerPort();
        script.strFirst = strRequest;
        auto result = RunRawClient(script);
        // Far below the time limits the attackers hold their connections for.
        EXPECT_TRUE(
            SpinUntil([&] { return result.wait_for(0s) == std::future_status::ready; }, 5s));
        std::printf("%s answered after %lld ms\n", pszWhat,
                    static_cast<long long>(timer.elapsed()));
        return result.wait_for(0s) == std::future_status::ready ? result.get().strAnswer
                                                                : QByteArray();
    }

    // Once the attackers have gone, every connection and descriptor is closed.
    void ExpectNothingLeftOpen(const CConnectionServer& server, int nDescriptorsBefore)
    {
        EXPECT_TRUE(SpinUntil([&] {
            return server.OpenConnections() == 0 && OpenDescriptors() <= nDescriptorsBefore;
        })) << server.OpenConnections()
            << " connections and " << OpenDescriptors() - nDescriptorsBefore
            << " descriptors left open";
    }

    CRecordingStatusSink m_sink;
    std::unique_ptr<CNoteListenSocket> m_pNotes;
    QList<QByteArray> m_received;
    CMemorySettingsStore m_store;
    CAppSettings m_settings{m_store};
    CEventLog m_prompts;
    CSilentSound m_sound;
    std::unique_ptr<CFingerDaemonSocket> m_pFinger;
};

} // namespace

TEST_F(ServingUnderAttackTest, ANoteGetsThroughIdleAndTricklingConnections)
{
    StartNotes();
    const int nDescriptors = OpenDescriptors();
    {
        // From one address, and 30 each from ten more.
        std::vector<std::unique_ptr<CHostilePeers>> attackers;
        attackers.push_back(
            std::make_unique<CHostilePeers>(CHostilePlan{.nPort = m_pNotes->ServerPort(),
                                                         .nIdle = 300,
                                                         .nTrickling = 10,
                                                         .strFirst = "bob/$0"}));
        for (int nHost = 3; nHost <= 12; ++nHost)
            attackers.push_back(std::make_unique<CHostilePeers>(
                CHostilePlan{.nPort = m_pNotes->ServerPort(),
                             .strFrom = "127.0.0." + QByteArray::number(nHost),
                             .nIdle = 30}));
        // Each address has as many read as it may, and waiting as many as it may.
        ASSERT_TRUE(SpinUntil([&] {
            return m_pNotes->ServedConnections() == 32 + 10 * 30 &&
                   m_pNotes->WaitingConnections() == 64 &&
                   attackers.front()->ClosedByServer() == 310 - 32 - 64;
        }));

        EXPECT_EQ(Honest(*m_pNotes, SampleNotes::Lunch, "a note among 620 hostile connections"),
                  "39");
        ASSERT_TRUE(SpinUntil([&] { return m_received.size() == 1; }, 1s));
        EXPECT_TRUE(m_received[0].startsWith(SampleNotes::Lunch));
        // The attackers still hold theirs.
        EXPECT_EQ(m_pNotes->ServedConnections(), 32 + 10 * 30);
        EXPECT_EQ(attackers.front()->Answered(), 0);
    }
    ExpectNothingLeftOpen(*m_pNotes, nDescriptors);
    // The trickled text opens as notes once its peers close, as every text a
    // peer sent does; the silent connections open nothing.
    EXPECT_EQ(m_received.size(), 10 + 1);
    EXPECT_EQ(std::count_if(m_received.begin(), m_received.end(),
                            [](const QByteArray& strText) { return strText.startsWith("bob/$0"); }),
              10);
}

TEST_F(ServingUnderAttackTest, PeersFromManyAddressesDoNotKeepANewPeerWaitingBehindThem)
{
    // 48 addresses hold every connection they may: 512 read, 64 each waiting.
    // A new peer takes the first place that comes free, however many wait; in
    // arrival order it would wait six time limits and more.
    StartNotes(2s);
    const int nDescriptors = OpenDescriptors();
    {
        std::vector<std::unique_ptr<CHostilePeers>> attackers;
        for (int nHost = 0; nHost < 48; ++nHost)
            attackers.push_back(std::make_unique<CHostilePeers>(
                CHostilePlan{.nPort = m_pNotes->ServerPort(),
                             .strFrom = "127.0.1." + QByteArray::number(nHost + 1),
                             .nIdle = 32 + 64}));
        ASSERT_TRUE(SpinUntil([&] {
            return std::all_of(attackers.begin(), attackers.end(),
                               [](const auto& p) { return p->AllStarted(); }) &&
                   m_pNotes->ServedConnections() == 512 &&
                   m_pNotes->WaitingConnections() == 48 * 64;
        })) << m_pNotes->ServedConnections()
            << " served, " << m_pNotes->WaitingConnections() << " waiting, "
            << m_pNotes->OpenConnections() << " open";
        QElapsedTimer timer;
        timer.start();
        EXPECT_EQ(Honest(*m_pNotes, SampleNotes::Lunch, "a note behind 3,072 waiting"), "39");
        // The first place came free when the first time limit ran out.
        EXPECT_LT(timer.elapsed(), 4000);
    }
    ExpectNothingLeftOpen(*m_pNotes, nDescriptors);
}

TEST_F(ServingUnderAttackTest, AFingerQueryGetsThroughIdleAndTricklingConnections)
{
    StartFinger();
    const int nDescriptors = OpenDescriptors();
    {
        CHostilePeers attackers(
            {.nPort = m_pFinger->ServerPort(), .nIdle = 300, .nTrickling = 10, .strTrickle = "u"});
        ASSERT_TRUE(SpinUntil([&] {
            return m_pFinger->ServedConnections() == 32 && m_pFinger->WaitingConnections() == 64;
        }));
        const QByteArray strReply =
            Honest(*m_pFinger, "ann\r\n", "a finger query among 310 hostile connections");
        EXPECT_TRUE(strReply.contains("ann")) << strReply.constData();
        ASSERT_TRUE(SpinUntil([&] { return m_settings.m_fingerQueryLog.Rows().size() == 1; }, 1s));
        EXPECT_EQ(m_settings.m_fingerQueryLog.Rows().first().strQuery, "ann");
        EXPECT_EQ(m_pFinger->ServedConnections(), 32);
    }
    ExpectNothingLeftOpen(*m_pFinger, nDescriptors);
}

TEST_F(ServingUnderAttackTest, FiveThousandConnectionsFromOneAddressLeaveOthersServed)
{
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    if (limit.rlim_cur < 6000)
        GTEST_SKIP() << "needs 6000 descriptors, has " << limit.rlim_cur;
    StartNotes();
    const int nDescriptors = OpenDescriptors();
    int nMostOpen = 0;
    {
        CHostilePeers attackers({.nPort = m_pNotes->ServerPort(), .nIdle = 5000});
        ASSERT_TRUE(SpinUntil([&] {
            nMostOpen = std::max(nMostOpen, m_pNotes->OpenConnections());
            return attackers.AllStarted() && attackers.ClosedByServer() == 5000 - 32 - 64;
        }));
        EXPECT_EQ(Honest(*m_pNotes, SampleNotes::Lunch, "a note after 5,000 connections"), "39");
        EXPECT_EQ(m_received.size(), 1);
    }
    // The one address never held more than its share of descriptors here.
    EXPECT_LE(nMostOpen, 32 + 64);
    ExpectNothingLeftOpen(*m_pNotes, nDescriptors);
}

TEST_F(ServingUnderAttackTest, PastItsShareAPeersConnectionsAreClosedUnreadTheRestInTurn)
{
    StartNotes(300ms);
    CHostilePeers attackers({.nPort = m_pNotes->ServerPort(), .nIdle = 100});
    // 32 are read at once and 64 wait their turn; those are each answered "0"
    // when their time runs out. The 4 beyond are closed at once, unanswered.
    ASSERT_TRUE(SpinUntil([&] { return attackers.ClosedByServer() == 100; }));
    EXPECT_EQ(attackers.Answered(), 96);
    EXPECT_TRUE(m_received.isEmpty());
}

TEST_F(ServingUnderAttackTest, AResetInMidNoteOpensNothingAndTheNextNoteGetsThrough)
{
    StartNotes();
    int nFinished = 0;
    QObject::connect(m_pNotes.get(), &CConnectionServer::ServingFinished,
                     [&nFinished] { ++nFinished; });
    const int nDescriptors = OpenDescriptors();
    {
        CHostilePeers half({.nPort = m_pNotes->ServerPort(),
                            .nTrickling = 5,
                            .strFirst = "bob/$0half a no",
                            .trickleEvery = 5ms});
        ASSERT_TRUE(SpinUntil([&] { return m_pNotes->ServedConnections() == 5; }));
        SpinUntil([] { return false; }, 100ms); // some of the note has come
        half.LetGo(true);
        ASSERT_TRUE(SpinUntil([&] { return nFinished == 5; }));
    }
    EXPECT_TRUE(m_received.isEmpty());
    EXPECT_EQ(m_sink.Texts(StatusPane::Listening).count(QStringLiteral("Error in receive")), 5);
    EXPECT_EQ(Honest(*m_pNotes, SampleNotes::Lunch, "a note after five resets"), "39");
    EXPECT_EQ(m_received.size(), 1);
    ExpectNothingLeftOpen(*m_pNotes, nDescriptors);
}
