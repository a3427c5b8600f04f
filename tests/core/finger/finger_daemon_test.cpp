#include "core/finger/finger_daemon_socket.h"
#include "core/finger/finger_query_log.h"
#include "core/finger/finger_reply.h"
#include "core/interfaces/sound_player.h"
#include "core/settings/app_settings.h"
#include "core/settings/memory_settings_store.h"
#include "core/settings/system_info.h"
#include "tests/support/event_log.h"
#include "tests/support/event_loop.h"
#include "tests/support/finger_server.h"
#include "tests/support/raw_client.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

class CCountingSound : public ISoundPlayer
{
public:
    void Play(const QString& strFile) override { m_played.append(strFile); }
    QStringList m_played;
};

class FingerDaemonTest : public ::testing::Test
{
protected:
    FingerDaemonTest()
    {
        m_settings.Load(); // the defaults: every line on
        m_system.strComputerName = "PC7";
        m_system.strUserName = "ann";
        m_system.strPlatform = "";
        m_settings.SetPlan("Out to lunch.\r\nBack at two.");
        m_settings.SetFingerSoundFile("knock.wav");
    }

    void Start(std::chrono::milliseconds timeLimit = 20s)
    {
        m_pDaemon = MakeDaemon(timeLimit);
        m_pDaemon->SetClock([] { return QDateTime(QDate(2026, 12, 7), QTime(12, 30, 5)); });
        ASSERT_EQ(m_pDaemon->Open(0, QHostAddress::LocalHost), CConnectionServer::EOpen::Opened);
    }

    std::unique_ptr<CFingerDaemonSocket> MakeDaemon(std::chrono::milliseconds timeLimit = 20s)
    {
        return MakeFingerServer(m_settings, m_system, m_queries, m_prompts, m_sound, timeLimit);
    }

    QByteArray Query(const QByteArray& strQuery, bool bHalfClose = false)
    {
        CRawClientScript script;
        script.nPort = m_pDaemon->ServerPort();
        script.strFirst = strQuery;
        script.bHalfClose = bHalfClose;
        auto result = RunRawClient(script);
        EXPECT_TRUE(SpinUntil([&] { return result.wait_for(0s) == std::future_status::ready; }));
        SpinUntil([&] { return m_pDaemon->ServedConnections() == 0; });
        return result.get().strAnswer;
    }

    void SetAllLines(int nOn)
    {
        for (const ESetting eLine : {ESetting::SendSystem, ESetting::SendOs, ESetting::SendUser,
                                     ESetting::SendUptime, ESetting::SendTime, ESetting::SendPlan})
            m_settings.SetFlag(eLine, nOn != 0);
    }

    QByteArray LastQuery() const { return m_queries.Rows().last().strQuery; }

    CMemorySettingsStore m_store;
    SystemInfo::CSystemInfo m_system;
    CAppSettings m_settings{m_store};
    CFingerQueryLog m_queries;
    CEventLog m_prompts;
    CCountingSound m_sound;
    std::unique_ptr<CFingerDaemonSocket> m_pDaemon;
};

} // namespace

TEST_F(FingerDaemonTest, WithEveryLineOffTheReplyIsOneLineFeed)
{
    SetAllLines(0);
    Start();
    EXPECT_EQ(Query("user\r\n"), "\n");
    ASSERT_EQ(m_queries.Rows().size(), 1);
    const CFingerQueryLog::CRow& row = m_queries.Rows()[0];
    EXPECT_EQ(row.strQuery, "user");
    EXPECT_EQ(row.strFrom, "127.0.0.1");
    EXPECT_EQ(row.strTime,
              FingerReply::TimeStamp(QDateTime(QDate(2026, 12, 7), QTime(12, 30, 5))).Text());
    EXPECT_EQ(m_sound.m_played, QStringList({QStringLiteral("knock.wav")}));
}

TEST_F(FingerDaemonTest, WithEveryLineOnTheReplyHasThemAllInOrder)
{
    Start();
    const QByteArray strReply = Query("\r\n");
    const FingerReply::CTimeStamp time =
        FingerReply::TimeStamp(QDateTime(QDate(2026, 12, 7), QTime(12, 30, 5)));
    EXPECT_TRUE(strReply.startsWith("\nSystem:    PC7\nPlatform:  \nUser:      ann\nUptime:    "))
        << strReply.constData();
    EXPECT_TRUE(strReply.endsWith("\nLocaltime: " + time.strDay + "  " + time.strTime +
                                  "\n\nOut to lunch.\r\nBack at two.\n"))
        << strReply.constData();
    // "ddd " and the short date: the day name, a blank, the date.
    EXPECT_TRUE(time.strDay.startsWith(
        QLocale().toString(QDate(2026, 12, 7), QStringLiteral("ddd ")).toLatin1()));
    EXPECT_EQ(strReply.count('\r'), 1); // only the plan's own line break
}

TEST_F(FingerDaemonTest, TheLocalTimeIsReadableWhateverTheLocale)
{
    SetAllLines(0);
    m_settings.SetSendTime(true);
    const QLocale previous;
    // A locale the code page carries keeps its own names; one it cannot
    // carry (Cyrillic or Japanese names, Arabic digits) writes the C locale's.
    const std::pair<const char*, QByteArray> cases[] = {
        {"de_DE", "\nLocaltime: Mo. 07.12.26  12:30:05\n\n"},
        {"ru_RU", "\nLocaltime: Mon 7 Dec 2026  12:30:05\n\n"},
        {"ja_JP", "\nLocaltime: Mon 7 Dec 2026  12:30:05\n\n"},
        {"ar_EG", "\nLocaltime: Mon 7 Dec 2026  12:30:05\n\n"},
    };
    for (const auto& [pszLocale, strExpected] : cases) {
        QLocale::setDefault(QLocale(QString::fromLatin1(pszLocale)));
        Start();
        EXPECT_EQ(Query("ann\r\n"), strExpected) << pszLocale;
        EXPECT_EQ("\nLocaltime: " + m_queries.Rows().last().strTime + "\n\n", strExpected);
    }
    // Of a time zone taken out, nothing stays behind.
    for (const char* pszLocale : {"ca_ES", "es_ES", "sq_AL"}) {
        QLocale::setDefault(QLocale(QString::fromLatin1(pszLocale)));
        const QByteArray strTime =
            FingerReply::TimeStamp(QDateTime(QDate(2026, 12, 7), QTime(14, 2, 24))).strTime;
        EXPECT_FALSE(strTime.contains("()") || strTime.endsWith(',') || strTime.endsWith(' '))
            << pszLocale << ": " << strTime.constData();
    }
    QLocale::setDefault(previous);
}

TEST_F(FingerDaemonTest, AnEmptyPlanStillEndsWithALineFeed)
{
    SetAllLines(0);
    m_settings.SetSendPlan(true);
    m_settings.SetPlan({});
    Start();
    EXPECT_EQ(Query("x\n"), "\n\n");
}

TEST_F(FingerDaemonTest, TheQueryIsCutAtTheFirstCharacterOutsideTheNameTable)
{
    SetAllLines(0);
    Start();
    const std::pair<QByteArray, QByteArray> cases[] = {
        {"user\r\n", "user"},
        {"\r\n", ""},
        {"/W user\r\n", ""},
        {"ann@host.example\r\n", "ann"},
        {"\xE5\xE4\xF6 \xC5\xC4\xD6-Ola 42\r\n", "\xE5\xE4\xF6 \xC5\xC4\xD6-Ola 42"},
        {"seek-ping from ann.b\n", "seek-ping from ann"},
    };
    for (const auto& [strSent, strLogged] : cases) {
        EXPECT_EQ(Query(strSent), "\n");
        EXPECT_EQ(LastQuery(), strLogged) << strSent.constData();
    }
    EXPECT_EQ(m_queries.Rows().size(), 6);
}

TEST_F(FingerDaemonTest, AQueryInTwoPiecesIsReadWhole)
{
    SetAllLines(0);
    Start();
    std::promise<void> gate;
    CRawClientScript script;
    script.nPort = m_pDaemon->ServerPort();
    script.strFirst = "us";
    script.strSecond = "er\r\n";
    script.gate = gate.get_future().share();
    script.pFirstWritten = std::make_shared<std::promise<void>>();
    auto written = script.pFirstWritten->get_future();
    auto result = RunRawClient(script);
    ASSERT_TRUE(SpinUntil([&] { return written.wait_for(0s) == std::future_status::ready; }));
    for (int n = 0; n < 10; ++n)
        SpinUntil([] { return false; }, 5ms);
    EXPECT_TRUE(m_queries.Rows().isEmpty()); // still waiting for the line
    gate.set_value();
    ASSERT_TRUE(SpinUntil([&] { return result.wait_for(0s) == std::future_status::ready; }));
    EXPECT_EQ(result.get().strAnswer, "\n");
    ASSERT_TRUE(SpinUntil([&] { return !m_queries.Rows().isEmpty(); }));
    EXPECT_EQ(LastQuery(), "user");
}

TEST_F(FingerDaemonTest, ASilentClientIsAnsweredAfterTheTimeLimit)
{
    SetAllLines(0);
    Start(200ms);
    // The system holds a connection that says nothing for some seconds before
    // the server sees it; then its time limit runs.
    EXPECT_EQ(Query(""), "\n");
    EXPECT_EQ(LastQuery(), "");
    // A client that closes before its line ends is answered at once.
    m_pDaemon.reset();
    Start(20s);
    EXPECT_EQ(Query("partial", true), "\n");
    EXPECT_EQ(LastQuery(), "partial");
}

TEST_F(FingerDaemonTest, APortThatIsTakenIsToldToTheUser)
{
    Start();
    const std::unique_ptr<CFingerDaemonSocket> pSecond = MakeDaemon();
    EXPECT_EQ(pSecond->Open(m_pDaemon->ServerPort(), QHostAddress::LocalHost),
              CConnectionServer::EOpen::NotCreated);
    EXPECT_FALSE(pSecond->IsListening());
    EXPECT_EQ(m_prompts.Boxes(),
              QStringList({QStringLiteral(
                  "Cannot create serversocket for FingerDaemon.\nFingerDaemon disabled.")}));
}

TEST_F(FingerDaemonTest, TheLogKeepsTheNewestRows)
{
    CFingerQueryLog log;
    for (int n = 0; n <= CFingerQueryLog::MaxRows; ++n)
        log.Append({"t", QByteArray::number(n), "127.0.0.1"});
    EXPECT_EQ(log.Rows().size(), CFingerQueryLog::MaxRows);
    EXPECT_EQ(log.Rows().first().strQuery, "1");
    log.Clear();
    EXPECT_TRUE(log.Rows().isEmpty());
}

TEST_F(FingerDaemonTest, TheDebianFingerClientShowsTheReply)
{
    // The client always asks port 79: this needs the right to bind it.
    if (!QFileInfo::exists(QStringLiteral("/usr/bin/finger")))
        GTEST_SKIP() << "the finger client is not installed";
    m_pDaemon = MakeDaemon();
    if (m_pDaemon->Open(79, QHostAddress(QStringLiteral("127.0.0.79"))) !=
        CConnectionServer::EOpen::Opened)
        GTEST_SKIP() << "port 79 cannot be bound here";
    const auto Finger = [](const QStringList& arguments) {
        QProcess process;
        process.start(QStringLiteral("/usr/bin/finger"), arguments);
        SpinUntil([&] { return process.state() == QProcess::NotRunning; });
        return QString::fromLocal8Bit(process.readAllStandardOutput());
    };
    for (const QStringList& arguments :
         {QStringList{QStringLiteral("@127.0.0.79")}, QStringList{QStringLiteral("ann@127.0.0.79")},
          QStringList{QStringLiteral("-l"), QStringLiteral("ann@127.0.0.79")}}) {
        const QString strOutput = Finger(arguments);
        EXPECT_TRUE(strOutput.contains(QStringLiteral("System:    PC7")))
            << strOutput.toStdString();
        EXPECT_TRUE(strOutput.contains(QStringLiteral("Back at two."))) << strOutput.toStdString();
    }
    ASSERT_EQ(m_queries.Rows().size(), 3);
    EXPECT_EQ(m_queries.Rows()[0].strQuery, "");
    EXPECT_EQ(m_queries.Rows()[1].strQuery, "ann");
    EXPECT_EQ(m_queries.Rows()[2].strQuery, ""); // "/W ann"
}

TEST_F(FingerDaemonTest, ALongPlanReachesASlowClientWholeAndIsLogged)
{
    SetAllLines(0);
    m_settings.SetSendPlan(true);
    QByteArray strPlan;
    for (int n = 0; strPlan.size() < 300 * 1024; ++n)
        strPlan += "line " + QByteArray::number(n) + " of a long plan\r\n";
    m_settings.SetPlan(strPlan);
    Start();
    // A link that takes a few kilobytes at a time, as at an MTU of 1,500 bytes,
    // and a client that reads slower than the reply comes.
    m_pDaemon->SetSendBufferSize(4096);
    CRawClientScript script;
    script.nPort = m_pDaemon->ServerPort();
    script.strFirst = "ann\r\n";
    script.nReceiveBuffer = 2048;
    script.readPause = 1ms;
    auto result = RunRawClient(script);
    ASSERT_TRUE(SpinUntil([&] { return result.wait_for(0s) == std::future_status::ready; }));
    const QByteArray strReply = result.get().strAnswer;
    EXPECT_EQ(strReply.size(), strPlan.size() + 2);
    EXPECT_EQ(strReply, "\n" + strPlan + "\n");
    ASSERT_TRUE(SpinUntil([&] { return m_queries.Rows().size() == 1; }));
    EXPECT_EQ(LastQuery(), "ann");

    // A client that goes without taking the reply is not logged as answered.
    script.bCloseWithoutReading = true;
    auto gone = RunRawClient(script);
    ASSERT_TRUE(SpinUntil([&] { return gone.wait_for(0s) == std::future_status::ready; }));
    ASSERT_TRUE(SpinUntil([&] { return m_pDaemon->OpenConnections() == 0; }));
    EXPECT_EQ(m_queries.Rows().size(), 1);
}

namespace {

qint64 ResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& strLine : status.readAll().split('\n')) {
        if (strLine.startsWith("VmRSS:"))
            return strLine.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

} // namespace

TEST_F(FingerDaemonTest, ALongPlanIsNotCopiedForEveryClientThatHasNotTakenItYet)
{
    SetAllLines(0);
    m_settings.SetSendPlan(true);
    m_settings.SetPlan(QByteArray(2 * 1024 * 1024, 'p'));
    Start();
    m_pDaemon->SetSendBufferSize(4096);
    // 32 clients ask and do not read yet: each holds its reply on the server.
    std::promise<void> readNow;
    const std::shared_future<void> gate = readNow.get_future().share();
    const qint64 nBefore = ResidentKiB();
    std::vector<std::future<CRawClientResult>> clients;
    for (int n = 0; n < 32; ++n) {
        CRawClientScript script;
        script.nPort = m_pDaemon->ServerPort();
        script.strFirst = "ann\r\n";
        script.nReceiveBuffer = 2048;
        script.gate = gate;
        clients.push_back(RunRawClient(script));
    }
    ASSERT_TRUE(SpinUntil([&] { return m_pDaemon->ServedConnections() == 32; }));
    SpinUntil([] { return false; }, 200ms); // every reply begun
    const qint64 nGrown = ResidentKiB() - nBefore;
    std::printf("32 replies of a 2 MiB plan held: %lld KiB more memory\n",
                static_cast<long long>(nGrown));
    EXPECT_LT(nGrown, 16 * 1024) << "the plan is copied for each reply";
    readNow.set_value();
    for (auto& client : clients) {
        ASSERT_TRUE(SpinUntil([&] { return client.wait_for(0s) == std::future_status::ready; }));
        EXPECT_EQ(client.get().strAnswer.size(), 2 * 1024 * 1024 + 2);
    }
}
