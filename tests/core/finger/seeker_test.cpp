// The seek engine over loopback, where every 127.x address is this machine: a
// finger server of ours, another finger server, a refused port, a host that
// accepts and never answers, and one whose connections hang.
#include "core/finger/finger_daemon_socket.h"
#include "core/finger/finger_query_log.h"
#include "core/finger/seeker.h"
#include "core/interfaces/sound_player.h"
#include "core/settings/app_settings.h"
#include "core/settings/memory_settings_store.h"
#include "core/settings/system_info.h"
#include "tests/support/event_log.h"
#include "tests/support/event_loop.h"
#include "tests/support/finger_server.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <map>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace std::chrono_literals;
using SeekRow::EKind;

namespace {

class CSilentSound : public ISoundPlayer
{
public:
    void Play(const QString&) override {}
};

// A listening socket on the address and port whose queue is full: a further
// connection's handshake is never answered, so connecting to it hangs.
class CFullQueue
{
public:
    CFullQueue(const char* pszAddress, quint16 nPort)
    {
        m_nListening = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(nPort);
        ::inet_pton(AF_INET, pszAddress, &address.sin_addr);
        if (::bind(m_nListening, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) !=
                0 ||
            ::listen(m_nListening, 0) != 0)
            return;
        for (int n = 0; n < 4; ++n) {
            const int nSocket = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            ::connect(nSocket, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
            m_fillers.push_back(nSocket);
        }
        m_bReady = true;
    }
    ~CFullQueue()
    {
        for (const int nSocket : m_fillers)
            ::close(nSocket);
        ::close(m_nListening);
    }
    bool Ready() const { return m_bReady; }

private:
    int m_nListening = -1;
    std::vector<int> m_fillers;
    bool m_bReady = false;
};

class SeekerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_settings.Load();
        m_system.strComputerName = "PC-Z\xFCrich";
        m_system.strPlatform = "Linux";
        m_system.strUserName = "ann";
        m_pFinger = StartLoopbackFingerServer(m_settings, m_system, m_queries, m_prompts, m_sound);
        ASSERT_TRUE(m_pFinger);
        m_nPort = m_pFinger->ServerPort();
        QObject::connect(&m_seeker, &CSeeker::RowReady,
                         [this](const SeekRow::CRow& row) { m_rows[row.strAddress] = row; });
    }

    CSeeker::CPlan Plan(const QList<QByteArray>& addresses)
    {
        CSeeker::CPlan plan;
        for (const QByteArray& strAddress : addresses)
            plan.targets.append({strAddress, "nick-" + strAddress});
        plan.strNickname = "bob";
        plan.nPort = m_nPort;
        plan.connectLimit = plan.answerLimit = plan.downAfter = 700ms;
        return plan;
    }

    bool SeekDone()
    {
        return SpinUntil([this] { return !m_seeker.IsSeeking(); });
    }

    CMemorySettingsStore m_store;
    SystemInfo::CSystemInfo m_system;
    CAppSettings m_settings{m_store};
    CFingerQueryLog m_queries;
    CEventLog m_prompts;
    CSilentSound m_sound;
    std::unique_ptr<CFingerDaemonSocket> m_pFinger;
    quint16 m_nPort = 0;
    CSeeker m_seeker;
    std::map<QByteArray, SeekRow::CRow> m_rows;
};

} // namespace

TEST_F(SeekerTest, EachKindOfHostGivesItsRow)
{
    // Another finger server on 127.0.0.4, one that never answers on 127.0.0.5,
    // one whose queue is full on 127.0.0.6, nothing on 127.0.0.3.
    QTcpServer other;
    ASSERT_TRUE(other.listen(QHostAddress(QStringLiteral("127.0.0.4")), m_nPort));
    QObject::connect(&other, &QTcpServer::newConnection, [&other] {
        QTcpSocket* pSocket = other.nextPendingConnection();
        pSocket->write("Login: root\r\nUser: root\r\n");
        pSocket->disconnectFromHost();
    });
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress(QStringLiteral("127.0.0.5")), m_nPort));
    const CFullQueue hanging("127.0.0.6", m_nPort);
    ASSERT_TRUE(hanging.Ready());
    // One that answers and then keeps the connection open.
    QTcpServer lingering;
    ASSERT_TRUE(lingering.listen(QHostAddress(QStringLiteral("127.0.0.7")), m_nPort));
    QObject::connect(&lingering, &QTcpServer::newConnection, [&lingering] {
        lingering.nextPendingConnection()->write("\nSystem:    PC9\nUser:      eve\n");
    });

    int nDone = 0;
    QObject::connect(&m_seeker, &CSeeker::SeekDone, [&nDone] { ++nDone; });
    ASSERT_TRUE(m_seeker.Start(
        Plan({"127.0.0.1", "127.0.0.3", "127.0.0.4", "127.0.0.5", "127.0.0.6:7782", "127.0.0.7"})));
    EXPECT_EQ(m_seeker.Probes(), 6);
    EXPECT_FALSE(m_seeker.Start(Plan({"127.0.0.1"}))) << "a seek runs already";
    ASSERT_TRUE(SeekDone());
    EXPECT_EQ(nDone, 1);
    ASSERT_EQ(m_rows.size(), 6u);

    const SeekRow::CRow& ours = m_rows["127.0.0.1"];
    EXPECT_EQ(ours.eKind, EKind::Up);
    EXPECT_EQ(ours.strUser, "ann");
    EXPECT_EQ(ours.strMappedTo, "nick-127.0.0.1");
    EXPECT_EQ(ours.strSystem, "PC-Z\xFCrich"); // whole, with its letter from 0x80 on
    EXPECT_EQ(ours.strPlatform, "Linux");
    EXPECT_NE(ours.strUptime, "???");
    EXPECT_TRUE(ours.strLocaltime.contains("  ")) << ours.strLocaltime.constData();
    // Our server logged the query the seek sent.
    ASSERT_FALSE(m_queries.Rows().isEmpty());
    EXPECT_EQ(m_queries.Rows().last().strQuery, "seek-ping from bob");

    EXPECT_EQ(m_rows["127.0.0.3"].eKind, EKind::Unknown); // refused at once
    EXPECT_EQ(m_rows["127.0.0.3"].strSystem, "???");
    EXPECT_EQ(m_rows["127.0.0.4"].eKind, EKind::Unknown);
    EXPECT_EQ(m_rows["127.0.0.4"].strUser, "root");
    EXPECT_EQ(m_rows["127.0.0.4"].strSystem, "???");
    EXPECT_EQ(m_rows["127.0.0.5"].eKind, EKind::Down); // accepted, never answered
    EXPECT_EQ(m_rows["127.0.0.5"].strUser, "");
    // An address with a note port is fingered on the finger port of its host.
    EXPECT_EQ(m_rows["127.0.0.6:7782"].eKind, EKind::Down); // connecting hangs
    EXPECT_GE(m_rows["127.0.0.6:7782"].nMilliseconds, 700);
    // What came before the time limit counts.
    EXPECT_EQ(m_rows["127.0.0.7"].eKind, EKind::Up);
    EXPECT_EQ(m_rows["127.0.0.7"].strUser, "eve");
}

TEST_F(SeekerTest, ASeekWithoutTargetsIsDoneAtOnce)
{
    int nDone = 0;
    QObject::connect(&m_seeker, &CSeeker::SeekDone, [&nDone] { ++nDone; });
    ASSERT_TRUE(m_seeker.Start(Plan({})));
    EXPECT_EQ(nDone, 1);
    EXPECT_FALSE(m_seeker.IsSeeking());
}

TEST_F(SeekerTest, NoMoreProbesRunThanItsBound)
{
    // 600 addresses, nothing listening on most: never more than 16 at a time,
    // and every one of them gets its row.
    QList<QByteArray> addresses;
    for (int n = 0; n < 600; ++n)
        addresses.append("127.0.2" + QByteArray::number(n / 250) + "." +
                         QByteArray::number(n % 250 + 1));
    CSeeker::CPlan plan = Plan(addresses);
    plan.nMaxInFlight = 16;
    int nMost = 0;
    QObject::connect(&m_seeker, &CSeeker::RowReady,
                     [&] { nMost = std::max(nMost, m_seeker.InFlight()); });
    ASSERT_TRUE(m_seeker.Start(plan));
    nMost = std::max(nMost, m_seeker.InFlight());
    ASSERT_TRUE(SeekDone());
    EXPECT_LE(nMost, 16);
    EXPECT_EQ(m_rows.size(), 600u);
}

TEST_F(SeekerTest, EndingInTheMiddleOfASeekLeavesNothingBehind)
{
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress(QStringLiteral("127.0.0.5")), m_nPort));
    auto pSeeker = std::make_unique<CSeeker>();
    CSeeker::CPlan plan = Plan({"127.0.0.1", "127.0.0.5", "127.0.0.3"});
    plan.connectLimit = plan.answerLimit = 10s;
    int nRows = 0;
    QObject::connect(pSeeker.get(), &CSeeker::RowReady, [&nRows] { ++nRows; });
    ASSERT_TRUE(pSeeker->Start(plan));
    SpinUntil([&] { return nRows >= 2; }, 2s);
    EXPECT_TRUE(pSeeker->IsSeeking());
    pSeeker.reset(); // as at exit: the silent host's probe ends quietly
    SpinUntil([] { return false; }, 100ms);
    EXPECT_EQ(nRows, 2);
}

TEST_F(SeekerTest, AHostWhoseConnectionsHangIsDownAfterTenSeconds)
{
    // The real bounds: the system alone would go on trying for minutes.
    const CFullQueue hanging("127.0.0.6", m_nPort);
    ASSERT_TRUE(hanging.Ready());
    CSeeker::CPlan plan = Plan({"127.0.0.6"});
    plan.connectLimit = plan.answerLimit = std::chrono::seconds(10);
    plan.downAfter = SeekRow::DownAfter;
    ASSERT_TRUE(m_seeker.Start(plan));
    ASSERT_TRUE(SpinUntil([this] { return !m_seeker.IsSeeking(); }, 15s));
    EXPECT_EQ(m_rows["127.0.0.6"].eKind, EKind::Down);
    EXPECT_GE(m_rows["127.0.0.6"].nMilliseconds, 10000);
    EXPECT_LT(m_rows["127.0.0.6"].nMilliseconds, 12000);
}

TEST_F(SeekerTest, ProbesThatFailAtOnceAreTakenOneAfterTheOther)
{
    // No descriptor is free: every probe fails inside its own start. 65,536 of
    // them are reported in order, not each from within the one before.
    QList<QByteArray> addresses;
    for (int n = 0; n < 65536; ++n)
        addresses.append("127.4." + QByteArray::number(n / 256) + "." +
                         QByteArray::number(n % 256));
    std::vector<QByteArray> order;
    QObject::connect(&m_seeker, &CSeeker::RowReady,
                     [&order](const SeekRow::CRow& row) { order.push_back(row.strAddress); });
    rlimit before{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &before), 0);
    const int nHighest = ::dup(0);
    ASSERT_GE(nHighest, 0);
    ::close(nHighest);
    rlimit none = before;
    none.rlim_cur = static_cast<rlim_t>(nHighest); // the lowest free descriptor is out of reach
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &none), 0);
    const bool bStarted = m_seeker.Start(Plan(addresses));
    const bool bDone = SeekDone();
    ::setrlimit(RLIMIT_NOFILE, &before);
    ASSERT_TRUE(bStarted);
    ASSERT_TRUE(bDone);
    ASSERT_EQ(order.size(), 65536u);
    EXPECT_EQ(order.front(), "127.4.0.0");
    EXPECT_EQ(order.back(), "127.4.255.255");
    EXPECT_EQ(m_rows["127.4.9.9"].eKind, EKind::Unknown);
}
