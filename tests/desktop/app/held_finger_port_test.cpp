// The finger port bound once at the start, as the program started with the
// capability to bind port 79 does: switched off, the server refuses connections
// while the port stays bound; switched on, the same socket listens again, with
// no second bind (which the program could not do any more).
#include "core/finger/finger_daemon_socket.h"
#include "core/net/held_port.h"
#include "desktop/app/blipnote_app.h"
#include "desktop/app/main_frame.h"
#include "desktop/app/main_menus.h"
#include "tests/support/desktop_app_fixture.h"
#include "tests/support/event_loop.h"
#include "tests/support/raw_client.h"

#include <QAction>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

sockaddr_in Loopback(quint16 nPort)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(nPort);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// The error of a blocking connect to the port (0: it connected).
int ConnectError(quint16 nPort)
{
    const int nSocket = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = Loopback(nPort);
    const int nResult =
        ::connect(nSocket, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0
            ? 0
            : errno;
    ::close(nSocket);
    return nResult;
}

// The error of a plain bind (without SO_REUSEADDR) to the port, as another
// program would try it (0: the port was free).
int BindError(quint16 nPort)
{
    const int nSocket = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = Loopback(nPort);
    const int nResult =
        ::bind(nSocket, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0 ? 0
                                                                                           : errno;
    ::close(nSocket);
    return nResult;
}

class HeldFingerPortTest : public CDesktopAppFixture
{
protected:
    void SetUp() override
    {
        // A port free now, bound by number as 79 is (one bound as port 0
        // would give its port back when it stops listening).
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
        m_nPort = probe.serverPort();
        probe.close();
        ASSERT_TRUE(m_port.Bind(m_nPort)) << m_port.FailedStep();
        m_pFingerPort = &m_port;
        Installed();
    }

    void TearDown() override { m_pApp.reset(); }

    bool Answers() { return !AskRawClient(m_nPort, "ann\r\n").isEmpty(); }

    void Toggle() { m_pApp->MainFrame().Menus().Action(CMainMenus::FingerDActive)->trigger(); }

    CHeldPort m_port;
    quint16 m_nPort = 0;
};

TEST_F(HeldFingerPortTest, SwitchedOffItRefusesAtOnceAndSwitchedOnItAnswersOnTheSamePort)
{
    ASSERT_TRUE(Start()); // "Use FingerD" is on by default
    CFingerDaemonSocket& finger = m_pApp->FingerServer();
    ASSERT_TRUE(finger.IsListening());
    EXPECT_EQ(finger.ServerPort(), m_nPort);
    EXPECT_TRUE(Answers());

    // A client the server has not taken yet (its accepting paused) is in the
    // system's queue when the server is switched off: it is reset, not left
    // waiting for an answer that never comes.
    finger.SetAcceptPaused(true);
    QTcpSocket queued;
    queued.connectToHost(QHostAddress::LocalHost, m_nPort);
    ASSERT_TRUE(queued.waitForConnected(5000));
    queued.write("ann\r\n");
    ASSERT_TRUE(queued.waitForBytesWritten(5000));
    Toggle();
    EXPECT_FALSE(finger.IsListening());
    EXPECT_FALSE(m_pApp->Settings().UseFingerD());
    EXPECT_TRUE(SpinUntil([&] { return queued.state() == QAbstractSocket::UnconnectedState; }));
    EXPECT_TRUE(queued.readAll().isEmpty());
    finger.SetAcceptPaused(false);
    // New clients are refused, and the port stays this program's.
    EXPECT_EQ(ConnectError(m_nPort), ECONNREFUSED);
    EXPECT_EQ(BindError(m_nPort), EADDRINUSE);

    Toggle();
    EXPECT_TRUE(finger.IsListening());
    EXPECT_EQ(finger.ServerPort(), m_nPort);
    EXPECT_TRUE(Answers());
    EXPECT_TRUE(m_prompts.Boxes().isEmpty()) << qPrintable(m_prompts.Boxes().join(u'|'));
    // Once the program and its socket have gone, another server may have the
    // port (the queries answered leave it in TIME_WAIT, which it allows).
    m_pApp.reset();
    m_port = CHeldPort();
    QTcpServer next;
    EXPECT_TRUE(next.listen(QHostAddress::AnyIPv4, m_nPort));
}

TEST_F(HeldFingerPortTest, OffAtTheStartThePortIsKeptForLaterAndTakenOverOnlyAsToday)
{
    m_store.WriteInt(QStringLiteral("FingerD-Settings"), QStringLiteral("Use FingerD"), 0);
    ASSERT_TRUE(Start());
    CFingerDaemonSocket& finger = m_pApp->FingerServer();
    EXPECT_FALSE(finger.IsListening());
    EXPECT_EQ(ConnectError(m_nPort), ECONNREFUSED);
    EXPECT_EQ(BindError(m_nPort), EADDRINUSE);

    Toggle();
    ASSERT_TRUE(finger.IsListening());
    EXPECT_TRUE(Answers());
    EXPECT_TRUE(m_pApp->MainFrame().Menus().Action(CMainMenus::FingerDActive)->isChecked());
    Toggle();
    EXPECT_EQ(ConnectError(m_nPort), ECONNREFUSED);

    // Another program that allows reuse can take the port while it does not
    // listen; switching on then finds it taken, as a port another program
    // holds at the start: told, and "Use FingerD" goes off for the next start.
    QTcpServer other;
    ASSERT_TRUE(other.listen(QHostAddress::AnyIPv4, m_nPort));
    Toggle();
    EXPECT_FALSE(finger.IsListening());
    EXPECT_EQ(m_prompts.Boxes(),
              QStringList({QStringLiteral(
                  "Cannot create serversocket for FingerDaemon.\nFingerDaemon disabled.")}));
    EXPECT_FALSE(m_pApp->Settings().UseFingerD());
    EXPECT_EQ(m_store.ReadInt(QStringLiteral("FingerD-Settings"), QStringLiteral("Use FingerD")),
              0);
    // Once the other has gone, the kept socket serves again.
    other.close();
    Toggle();
    EXPECT_TRUE(finger.IsListening());
    EXPECT_TRUE(Answers());
}

} // namespace
