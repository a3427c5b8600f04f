// Both servers meet hostile peers in this process: connections that say
// nothing, that trickle, that stream without a line end, that come by the
// thousand or end in a reset. The next honest peer still gets through, and
// nothing is left open once the attackers have gone. The system hands every
// connection over at once here (no deferral), so that what is tried is the
// servers' own bounds.
#include "core/finger/finger_daemon_socket.h"
#include "core/finger/finger_query.h"
#include "core/finger/finger_query_log.h"
#include "core/interfaces/sound_player.h"
#include "core/messaging/note_listen_socket.h"
#include "core/settings/app_settings.h"
#include "core/settings/memory_settings_store.h"
#include "core/settings/system_info.h"
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
        m_pNotes->SetAcceptDeferral(0s);
        QObject::connect(m_pNotes.get(), &CNoteListenSocket::NoteReceived,
                         [this](const QByteArray& strText) { m_received.append(strText); });
        ASSERT_TRUE(m_pNotes->Open(0, QHostAddress::LocalHost));
    }

    void StartFinger()
    {
        m_settings.Load();
        m_system.strUserName = "ann";
        m_pFinger = MakeFingerServer(m_settings, m_system, m_queries, m_prompts, m_sound);
        m_pFinger->SetAcceptDeferral(0s);
        ASSERT_EQ(m_pFinger->Open(0, QHostAddress::LocalHost), CConnectionServer::EOpen::Opened);
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
    SystemInfo::CSystemInfo m_system;
    CAppSettings m_settings{m_store};
    CFingerQueryLog m_queries;
    CEventLog m_prompts;
    CSilentSound m_sound;
    std::unique_ptr<CFingerDaemonSocket> m_pFinger;
};

} // namespace

TEST_F(ServingUnderAttackTest, WithEveryPlaceTakenTheSlowestGivesWayAndSilentOnesWaitAside)
{
    StartNotes();
    const int nDescriptors = OpenDescriptors();
    {
        // 16 addresses fill their shares with notes that never end: every one
        // of the 512 places is taken.
        std::vector<std::unique_ptr<CHostilePeers>> trickling;
        for (int nHost = 1; nHost <= 16; ++nHost)
            trickling.push_back(std::make_unique<CHostilePeers>(
                CHostilePlan{.nPort = m_pNotes->ServerPort(),
                             .strFrom = "127.0.1." + QByteArray::number(nHost),
                             .nTrickling = 32,
                             .strFirst = "bob/$0",
                             .trickleEvery = 1s}));
        ASSERT_TRUE(SpinUntil([&] { return m_pNotes->ServedConnections() == 512; }));

        // Connections that say nothing wait aside, taking no place.
        CHostilePeers silent({.nPort = m_pNotes->ServerPort(),
                              .strFrom = "127.0.3.1",
                              .nAddresses = 20,
                              .nIdle = 200});
        ASSERT_TRUE(SpinUntil(
            [&] { return silent.Connected() == 200 && m_pNotes->OpenConnections() == 512 + 200; }));
        EXPECT_EQ(silent.ClosedByServer(), 0);

        // An honest note takes the place of the slowest, at once (the notes
        // after it find that place free again). It is seen here as soon as it
        // is connected, maybe before its text: it waits aside until it speaks.
        for (int n = 0; n < 3; ++n)
            EXPECT_EQ(Honest(*m_pNotes, SampleNotes::Lunch, "a note with every place taken"), "39");
        ASSERT_TRUE(SpinUntil([&] { return m_received.size() == 3; }, 1s));
        // The attackers see their close in their own time.
        const auto gaveWay = [&] {
            int nGaveWay = 0;
            for (const auto& pTrickling : trickling)
                nGaveWay += pTrickling->ClosedByServer();
            return nGaveWay;
        };
        SpinUntil([&] { return gaveWay() > 0; }, 3s);
        EXPECT_EQ(gaveWay(), 1);
        EXPECT_EQ(m_pNotes->ServedConnections(), 511);
    }
    ExpectNothingLeftOpen(*m_pNotes, nDescriptors);
    // The trickled text opens as notes once its peers close, as every text a
    // peer sent does, but for the note that gave its place away: it was
    // answered 0, and opens nothing. The silent connections open nothing.
    EXPECT_EQ(std::count_if(m_received.begin(), m_received.end(),
                            [](const QByteArray& strText) { return strText.startsWith("bob/$0"); }),
              511);
}

TEST_F(ServingUnderAttackTest, StreamingFingerClientsHoldUpNeitherServer)
{
    // The desktop program's situation: both servers on one event loop. Four
    // clients stream bytes without a line end into the finger port as fast as
    // it takes them.
    StartNotes();
    StartFinger();
    const int nDescriptors = OpenDescriptors();
    {
        CHostilePeers streams({.nPort = m_pFinger->ServerPort(),
                               .nAddresses = 4,
                               .nTrickling = 4,
                               .strTrickle = "u",
                               .bStream = true,
                               .bReconnect = true});
        ASSERT_TRUE(SpinUntil([&] { return streams.Written() > 1024 * 1024; }));
        for (int n = 0; n < 3; ++n) {
            const QByteArray strReply =
                Honest(*m_pFinger, "ann\r\n", "a finger query beside streams");
            EXPECT_TRUE(strReply.contains("User:      ann")) << strReply.constData();
            EXPECT_EQ(Honest(*m_pNotes, SampleNotes::Lunch, "a note beside finger streams"), "39");
        }
        // Each stream was answered after a few kilobytes, as a query that
        // reached its time limit is, and logged as far as a name goes.
        EXPECT_GT(streams.Answered(), 4);
        const auto& rows = m_queries.Rows();
        const auto streamed = std::find_if(rows.begin(), rows.end(),
                                           [](const auto& row) { return row.strQuery != "ann"; });
        ASSERT_NE(streamed, rows.end());
        EXPECT_EQ(streamed->strQuery, QByteArray(CFingerQueryReader::MaxQueryLength, 'u'));
    }
    ExpectNothingLeftOpen(*m_pFinger, nDescriptors);
}

TEST_F(ServingUnderAttackTest, AFingerQueryGetsThroughIdleAndTricklingConnections)
{
    StartFinger();
    const int nDescriptors = OpenDescriptors();
    {
        CHostilePeers attackers(
            {.nPort = m_pFinger->ServerPort(), .nIdle = 300, .nTrickling = 10, .strTrickle = "u"});
        // The address keeps at most 64 silent connections aside and its share
        // of 32 read: the rest are closed.
        ASSERT_TRUE(SpinUntil(
            [&] { return attackers.AllStarted() && attackers.ClosedByServer() >= 310 - 64 - 32; }));
        const QByteArray strReply =
            Honest(*m_pFinger, "ann\r\n", "a finger query among 310 hostile connections");
        EXPECT_TRUE(strReply.contains("ann")) << strReply.constData();
        ASSERT_TRUE(SpinUntil(
            [&] {
                const auto& rows = m_queries.Rows();
                return std::any_of(rows.begin(), rows.end(),
                                   [](const auto& row) { return row.strQuery == "ann"; });
            },
            1s));
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
            return attackers.AllStarted() && attackers.ClosedByServer() == 5000 - 64;
        }));
        EXPECT_EQ(Honest(*m_pNotes, SampleNotes::Lunch, "a note after 5,000 connections"), "39");
        EXPECT_EQ(m_received.size(), 1);
    }
    // The one address never held more than its share of silent connections.
    EXPECT_LE(nMostOpen, 64);
    ExpectNothingLeftOpen(*m_pNotes, nDescriptors);
}

TEST_F(ServingUnderAttackTest, APeerPastItsShareGivesWayToItselfAndItsSilentOnesWaitAside)
{
    StartNotes(300ms);
    // Held by the system until they speak, these are seen with their text.
    m_pNotes->SetAcceptDeferral(5s);
    CHostilePeers speaking(
        {.nPort = m_pNotes->ServerPort(), .nTrickling = 100, .strFirst = "bob/$0"});
    // 32 are read at once; each one beyond takes the place of the address's
    // slowest (answered 0), so every one is answered, none waits for nothing.
    ASSERT_TRUE(SpinUntil([&] { return speaking.ClosedByServer() == 100; }));
    EXPECT_EQ(speaking.Answered(), 100);
    // Of connections that say nothing, 64 wait aside and are answered when
    // their time runs out; the rest are closed unanswered.
    m_pNotes->SetAcceptDeferral(0s);
    CHostilePeers silent({.nPort = m_pNotes->ServerPort(), .nIdle = 100});
    ASSERT_TRUE(SpinUntil([&] { return silent.ClosedByServer() == 100; }));
    EXPECT_EQ(silent.Answered(), 64);
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
