#include "core/messaging/note_listen_socket.h"
#include "core/messaging/send_jobs.h"
#include "core/messaging/send_note_job.h"
#include "core/notes/sendable_note.h"
#include "core/notes/tagged_text.h"
#include "tests/support/event_log.h"
#include "tests/support/event_loop.h"
#include "tests/support/hostile_peers.h"
#include "tests/support/loopback.h"
#include "tests/support/recording_status_sink.h"
#include "tests/support/sample_notes.h"

#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace std::chrono_literals;

namespace {

// A note server on one loopback address that records what it received.
struct CListener
{
    explicit CListener(qsizetype nSizeLimit = NoteLimits::NoteSizeLimit,
                       std::chrono::milliseconds timeLimit = 20s)
        : server(sink, timeLimit, nSizeLimit)
    {
        QObject::connect(&server, &CNoteListenSocket::NoteReceived,
                         [this](const QByteArray& strText, qint64 nAck) {
                             texts.append(strText);
                             acks.append(nAck);
                         });
    }

    CRecordingStatusSink sink;
    CNoteListenSocket server;
    QList<QByteArray> texts;
    QList<qint64> acks;
};

class SendJobsTest : public ::testing::Test
{
protected:
    SendJobsTest()
    {
        QObject::connect(&m_jobs, &CSendJobs::JobFinished,
                         [this](const QByteArray& strAddress, int nResult, const QString&) {
                             m_results.emplace_back(strAddress, nResult);
                         });
        m_settings.nMultiSendDelay = 0;
        m_settings.strNickname = "ann";
        m_settings.strComputerName = "PC7";
        m_note.m_strBody = "Shall we go?";
        m_note.SetTitle("Lunch");
        m_note.m_nPriority = 1;
    }

    // Starts a listener on 127.0.0.nHost; all listeners share one port, as every
    // copy of the program listens on the same "IP Port".
    CListener& Listen(int nHost, qsizetype nSizeLimit = NoteLimits::NoteSizeLimit,
                      std::chrono::milliseconds timeLimit = 20s)
    {
        auto& listener =
            m_listeners.emplace_back(std::make_unique<CListener>(nSizeLimit, timeLimit));
        const QHostAddress address(QStringLiteral("127.0.0.%1").arg(nHost));
        EXPECT_TRUE(
            listener->server.Open(m_settings.nPort == 7777 ? 0 : m_settings.nPort, address));
        m_settings.nPort = listener->server.ServerPort();
        return *listener;
    }

    void Send(const QByteArray& strList)
    {
        m_note.m_strAddress = strList;
        m_jobs.StartSendJobs(m_note, m_settings);
    }

    bool WaitForJobs(std::size_t nCount)
    {
        return SpinUntil([&] { return m_results.size() >= nCount && m_jobs.RunningJobs() == 0; });
    }

    // A port on which nothing listens.
    static quint16 ClosedPort() { return Loopback::UnusedPort(); }

    CEventLog m_log;
    CSendJobs m_jobs{m_log, m_log};
    CSendSettings m_settings;
    CSendableNote m_note;
    std::vector<std::unique_ptr<CListener>> m_listeners;
    std::vector<std::pair<QByteArray, int>> m_results;
};

} // namespace

TEST_F(SendJobsTest, DeliversToOneListener)
{
    CListener& listener = Listen(1);
    Send("127.0.0.1/$0");
    ASSERT_TRUE(WaitForJobs(1));
    ASSERT_TRUE(SpinUntil([&] { return listener.texts.size() == 1; }));
    EXPECT_EQ(listener.texts[0], SampleNotes::Lunch + "/$5127.0.0.1/$6");
    EXPECT_EQ(m_results[0].second, CSendNoteJob::Delivered);
    EXPECT_EQ(m_note.m_nSendState, 1);
    EXPECT_EQ(m_note.m_strAddress, "127.0.0.1");
    EXPECT_EQ(m_note.m_strSubject, "Lunch");
    EXPECT_EQ(
        m_log.Events(),
        QStringList({QStringLiteral("parsing msg:(1)"), QStringLiteral("creating socket ..."),
                     QStringLiteral("Looking server .."), QStringLiteral("sending ..."),
                     QStringLiteral("verifying ..."), QStringLiteral("closing ..."),
                     QStringLiteral("deleting document"), QStringLiteral("Send successful")}));
}

TEST_F(SendJobsTest, DeliversToSeveralListenersAndResolvesNames)
{
    CListener& first = Listen(1);
    CListener& second = Listen(2);
    CListener& third = Listen(3);
    Send("localhost/$0127.0.0.2/$1127.0.0.3/$2");
    ASSERT_TRUE(WaitForJobs(3));
    for (const CListener* pListener : {&first, &second, &third}) {
        ASSERT_TRUE(SpinUntil([&] { return pListener->texts.size() == 1; }));
        EXPECT_TRUE(pListener->texts[0].startsWith(SampleNotes::Lunch));
    }
    EXPECT_EQ(m_note.m_nSendState, 1);
    EXPECT_EQ(m_note.m_strAddress, "127.0.0.3"); // the address last started
    const QStringList events = m_log.Events();
    EXPECT_LT(events.indexOf(QStringLiteral("parsing msg:(1)")),
              events.indexOf(QStringLiteral("parsing msg:(2)")));
    EXPECT_LT(events.indexOf(QStringLiteral("parsing msg:(2)")),
              events.indexOf(QStringLiteral("parsing msg:(3)")));
    EXPECT_EQ(events.count(QStringLiteral("Send successful")), 3);
}

TEST_F(SendJobsTest, MultiSendOffServesOnlyTheFirst)
{
    CListener& first = Listen(1);
    CListener& second = Listen(2);
    m_settings.bMultiSend = false;
    Send("127.0.0.1/$0127.0.0.2/$1");
    ASSERT_TRUE(WaitForJobs(1));
    ASSERT_TRUE(SpinUntil([&] { return first.texts.size() == 1; }));
    EXPECT_TRUE(second.texts.isEmpty());
    EXPECT_EQ(m_results.size(), 1u);
}

TEST_F(SendJobsTest, AnEmptyFirstAddressIsSkipped)
{
    CListener& second = Listen(2);
    Send("/$0127.0.0.2/$1");
    ASSERT_TRUE(WaitForJobs(1));
    ASSERT_TRUE(SpinUntil([&] { return second.texts.size() == 1; }));
    EXPECT_EQ(m_log.Events().first(), QStringLiteral("parsing msg:(2)"));
    EXPECT_FALSE(m_log.Events().contains(QStringLiteral("parsing msg:(1)")));
}

TEST_F(SendJobsTest, AListWithoutTagsStartsNothing)
{
    Send("127.0.0.1");
    EXPECT_EQ(m_jobs.RunningJobs(), 0);
    EXPECT_EQ(m_jobs.PendingStarts(), 0);
    EXPECT_TRUE(m_log.Events().isEmpty());
    EXPECT_EQ(m_note.m_nSendState, 0);
}

TEST_F(SendJobsTest, StartsAtMost250JobsAndWarnsAfterwards)
{
    CListener& listener = Listen(1);
    QList<QByteArray> addresses(300, "127.0.0.1");
    Send(RecipientList::Compose(addresses));
    ASSERT_TRUE(WaitForJobs(250));
    ASSERT_TRUE(SpinUntil([&] { return m_log.Boxes().size() == 1; }));
    EXPECT_EQ(m_results.size(), 250u);
    EXPECT_EQ(listener.texts.size(), 250);
    EXPECT_EQ(m_log.Boxes(),
              QStringList({QStringLiteral("Warning!\n\nOnly 250 messages can be send parallel")}));
    const QStringList events = m_log.Events();
    EXPECT_GT(events.indexOf(m_log.Events().filter(QStringLiteral("box:")).first()),
              events.indexOf(QStringLiteral("parsing msg:(250)")));
    EXPECT_FALSE(events.contains(QStringLiteral("parsing msg:(251)")));
}

TEST_F(SendJobsTest, Exactly250DoNotWarn)
{
    Listen(1);
    QList<QByteArray> addresses(250, "127.0.0.1");
    bool bAllStarted = false;
    QObject::connect(&m_jobs, &CSendJobs::AllJobsStarted, [&] { bAllStarted = true; });
    Send(RecipientList::Compose(addresses));
    ASSERT_TRUE(WaitForJobs(250));
    ASSERT_TRUE(SpinUntil([&] { return bAllStarted; }));
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_log.Boxes().isEmpty());
}

TEST_F(SendJobsTest, AReceiverThatCutsTheNoteIsASizeMismatch)
{
    // Small notes fit in the socket buffers; the large ones are still being
    // written when the receiver answers and closes.
    for (const int nBody : {30000, 100000}) {
        m_listeners.clear();
        m_results.clear();
        m_settings.nPort = 7777;
        CEventLog log;
        CSendJobs jobs(log, log);
        CListener& listener = Listen(1, 100);
        m_note.m_strBody = QByteArray(nBody, 'x');
        m_note.m_strAddress = "127.0.0.1/$0";
        int nResult = -1;
        QObject::connect(&jobs, &CSendJobs::JobFinished,
                         [&nResult](const QByteArray&, int n, const QString&) { nResult = n; });
        jobs.StartSendJobs(m_note, m_settings);
        ASSERT_TRUE(SpinUntil([&] { return nResult >= 0 && listener.acks.size() == 1; }));
        const qsizetype nSent =
            nBody + SampleNotes::Lunch.size() - QByteArray("Shall we go?").size();
        ASSERT_LT(listener.acks[0], nSent);
        EXPECT_EQ(nResult, CSendNoteJob::ReplyMismatch) << nBody;
        EXPECT_EQ(m_note.m_nSendState, -1);
        ASSERT_TRUE(SpinUntil([&] { return log.Boxes().size() == 1; }));
        EXPECT_EQ(log.Boxes()[0], QStringLiteral("Error during send !\n\nReply size mismatch. I "
                                                 "Sent:%1 bytes but 127.0.0.1 say it received "
                                                 "%2 bytes")
                                      .arg(nSent)
                                      .arg(listener.acks[0]));
        EXPECT_TRUE(log.Events().contains(QStringLiteral("Error during send")));
    }
}

TEST_F(SendJobsTest, ARecipientThatIsNotListening)
{
    m_settings.nPort = ClosedPort();
    Send("127.0.0.1/$0");
    ASSERT_TRUE(WaitForJobs(1));
    EXPECT_EQ(m_results[0].second, CSendNoteJob::NotConnected);
    EXPECT_EQ(m_note.m_nSendState, -1);
    ASSERT_TRUE(SpinUntil([&] { return m_log.Boxes().size() == 1; }));
    EXPECT_EQ(m_log.Boxes()[0],
              QStringLiteral("Error during Send !\n\nCannot connect to 127.0.0.1"));
    const QStringList events = m_log.Events();
    EXPECT_TRUE(events.contains(QStringLiteral("closing ...")));
    EXPECT_TRUE(events.contains(QStringLiteral("Error during send")));
    EXPECT_FALSE(events.contains(QStringLiteral("sending ...")));
}

TEST_F(SendJobsTest, WithoutAPortNothingIsSentAnywhere)
{
    // What a stored port out of range gives: the send fails at once, and an
    // address with its own port is still served.
    CListener& listener = Listen(1);
    const quint16 nListening = listener.server.ServerPort();
    m_settings.nPort = 0;
    Send("127.0.0.1/$0127.0.0.1:" + QByteArray::number(nListening) + "/$1");
    ASSERT_TRUE(WaitForJobs(2));
    EXPECT_EQ(m_results[0].second, CSendNoteJob::NotConnected);
    EXPECT_EQ(m_results[1].second, CSendNoteJob::Delivered);
    ASSERT_TRUE(SpinUntil([&] { return m_log.Boxes().size() == 1; }));
    EXPECT_EQ(m_log.Boxes()[0],
              QStringLiteral("Error during Send !\n\nCannot connect to 127.0.0.1"));
}

TEST_F(SendJobsTest, AnAddressMayNameItsOwnPort)
{
    CListener& listener = Listen(1);
    const quint16 nListening = listener.server.ServerPort();
    m_settings.nPort = ClosedPort();
    Send("127.0.0.1:" + QByteArray::number(nListening) + "/$0");
    ASSERT_TRUE(WaitForJobs(1));
    EXPECT_EQ(m_results[0].second, CSendNoteJob::Delivered);
    ASSERT_TRUE(SpinUntil([&] { return listener.texts.size() == 1; }));
}

TEST_F(SendJobsTest, AnAddressThatDoesNotResolve)
{
    m_settings.nPort = ClosedPort();
    Send("no such host!/$0");
    ASSERT_TRUE(WaitForJobs(1));
    EXPECT_EQ(m_results[0].second, CSendNoteJob::NotConnected);
    ASSERT_TRUE(SpinUntil([&] { return m_log.Boxes().size() == 1; }));
    EXPECT_EQ(m_log.Boxes()[0],
              QStringLiteral("Error during Send !\n\nCannot connect to no such host!"));
}

TEST_F(SendJobsTest, AReceiverThatNeverAnswersIsGivenUp)
{
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    m_settings.nPort = silent.serverPort();
    m_settings.replyTimeLimit = 2 * 400ms;
    Send("127.0.0.1/$0");
    ASSERT_TRUE(WaitForJobs(1));
    EXPECT_EQ(m_results[0].second, CSendNoteJob::ReplyMismatch);
    ASSERT_TRUE(SpinUntil([&] { return m_log.Boxes().size() == 1; }));
    EXPECT_EQ(m_log.Boxes()[0], QStringLiteral("Error during send !\n\nReply size mismatch. I "
                                               "Sent:39 bytes but 127.0.0.1 say it received 0 "
                                               "bytes"));
}

TEST_F(SendJobsTest, AutoDeleteClosesTheNoteWhileOtherJobsRun)
{
    CListener& listener = Listen(1);
    QTcpServer silent; // the second recipient answers only after the note is gone
    ASSERT_TRUE(silent.listen(QHostAddress(QStringLiteral("127.0.0.2")), m_settings.nPort));
    m_settings.replyTimeLimit = 300ms;
    m_settings.bAutoDelete = true;

    auto* pNote = new CSendableNote;
    pNote->m_strBody = "bye";
    QPointer<CSendableNote> guard(pNote);
    int nCloseRequests = 0;
    QObject::connect(pNote, &CSendableNote::CloseRequested, [&] {
        ++nCloseRequests;
        delete pNote;
    });
    pNote->m_strAddress = "127.0.0.1/$0127.0.0.2/$1";
    m_jobs.StartSendJobs(*pNote, m_settings);

    ASSERT_TRUE(SpinUntil([&] { return guard.isNull(); }));
    EXPECT_EQ(m_jobs.RunningJobs(), 1); // the second job still runs
    ASSERT_TRUE(WaitForJobs(2));
    EXPECT_EQ(nCloseRequests, 1);
    EXPECT_EQ(listener.texts.size(), 1);
}

TEST_F(SendJobsTest, AnOverlongBodyIsWarnedAboutAndCut)
{
    m_note.m_strBody = QByteArray(NoteLimits::NoteSizeLimit + 5, 'x');
    Send("");
    EXPECT_EQ(m_log.Boxes(),
              QStringList({QStringLiteral(
                  "Warning !!!\n\nMessage too long! It Was truncated to 110000 kt.")}));
    EXPECT_EQ(m_note.m_strBody.size(), NoteLimits::NoteSizeLimit);
}

TEST_F(SendJobsTest, JobsEndedWhileTheyWaitForTheAnswerSayNothingMore)
{
    // Exit during a send: the jobs go while a receiver still owes its answer.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    m_settings.nPort = silent.serverPort();
    CEventLog log;
    auto pJobs = std::make_unique<CSendJobs>(log, log);
    int nFinished = 0;
    QObject::connect(pJobs.get(), &CSendJobs::JobFinished, [&nFinished] { ++nFinished; });
    m_note.m_strAddress = "127.0.0.1/$0";
    pJobs->StartSendJobs(m_note, m_settings);
    ASSERT_TRUE(SpinUntil([&] { return log.Events().contains(QStringLiteral("verifying ...")); }));
    const QStringList before = log.Events();
    pJobs.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(log.Events(), before);
    EXPECT_EQ(nFinished, 0);
    EXPECT_EQ(m_note.m_nSendState, 0);
}

TEST_F(SendJobsTest, AServerFullOfStalledPeersStillTakesTheNoteBeforeItsSenderGivesUp)
{
    // A note that waits for a place waits at most one server time limit, and
    // has one more to be read: a sender that waits for both reports as failed
    // only what was not received.
    static_assert(CSendSettings::DefaultReplyTimeLimit >= 2 * CNoteListenSocket::DefaultTimeLimit);
    // Every connection the server reads at once is taken by a peer that began
    // a note and stalls; the note takes the place of one of them.
    CListener& listener = Listen(1, NoteLimits::NoteSizeLimit, 400ms);
    m_settings.replyTimeLimit = 2 * 400ms;
    std::vector<std::unique_ptr<CHostilePeers>> stalled;
    for (int nHost = 2; nHost < 2 + 16; ++nHost)
        stalled.push_back(std::make_unique<CHostilePeers>(
            CHostilePlan{.nPort = m_settings.nPort,
                         .strFrom = "127.0.0." + QByteArray::number(nHost),
                         .nTrickling = 32,
                         .strFirst = "bob/$0",
                         .trickleEvery = 1s}));
    ASSERT_TRUE(SpinUntil([&] { return listener.server.ServedConnections() == 512; }));

    Send("127.0.0.1/$0");
    ASSERT_TRUE(WaitForJobs(1));
    EXPECT_EQ(m_results[0].second, CSendNoteJob::Delivered);
    // (The stalled notes open too, cut, as their time runs out.)
    EXPECT_EQ(std::count_if(
                  listener.texts.begin(), listener.texts.end(),
                  [](const QByteArray& strText) { return strText.startsWith(SampleNotes::Lunch); }),
              1);
}
