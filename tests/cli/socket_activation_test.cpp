// A listening socket passed the way systemd's socket activation passes it
// (descriptor 3, LISTEN_PID and LISTEN_FDS): fingerd and listen serve it instead
// of opening a port of their own, so that a service manager can give them port
// 79 while they run without privileges.
#include "tests/support/cli_listener.h"
#include "tests/support/event_loop.h"
#include "tests/support/raw_client.h"

#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// A socket listening on a free loopback port, as the service manager opens it.
class CListeningSocket
{
public:
    CListeningSocket()
    {
        m_nSocket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t nLength = sizeof(address);
        if (m_nSocket < 0 ||
            ::bind(m_nSocket, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
            ::listen(m_nSocket, 16) != 0 ||
            ::getsockname(m_nSocket, reinterpret_cast<sockaddr*>(&address), &nLength) != 0)
            return;
        m_nPort = ntohs(address.sin_port);
    }
    ~CListeningSocket()
    {
        if (m_nSocket >= 0)
            ::close(m_nSocket);
    }
    int Descriptor() const { return m_nSocket; }
    quint16 Port() const { return m_nPort; }

private:
    int m_nSocket = -1;
    quint16 m_nPort = 0;
};

// The shell hands descriptor 3 on to the tool, under its own process number.
const QString kActivated = QStringLiteral("LISTEN_PID=$$ LISTEN_FDS=1 exec \"$0\" \"$@\"");

} // namespace

TEST(SocketActivation, FingerdServesThePassedSocket)
{
    CListeningSocket socket;
    ASSERT_NE(socket.Port(), 0);
    CCliInShell fingerd(kActivated, {QStringLiteral("fingerd")}, "finger server on port",
                        socket.Descriptor());
    ASSERT_EQ(fingerd.Port(), socket.Port()) << fingerd.Errors().constData();
    EXPECT_TRUE(fingerd.Errors().contains("(passed by the service manager)"));
    const QByteArray strReply = AskRawClient(socket.Port(), "ann\r\n");
    EXPECT_TRUE(strReply.contains("User:")) << strReply.constData();
    ASSERT_TRUE(SpinUntil([&fingerd] {
        fingerd.Process().waitForReadyRead(10);
        return fingerd.Process().bytesAvailable() > 0;
    }));
    EXPECT_TRUE(fingerd.Process().readAllStandardOutput().contains("\"query\":\"ann\""));
}

TEST(SocketActivation, ListenServesThePassedSocket)
{
    CListeningSocket socket;
    ASSERT_NE(socket.Port(), 0);
    CCliInShell listen(kActivated, {QStringLiteral("listen")}, "passed by the service manager",
                       socket.Descriptor());
    ASSERT_EQ(listen.Port(), socket.Port()) << listen.Errors().constData();
    EXPECT_EQ(AskRawClient(socket.Port(), "ann/$0hi/$1PC7/$2T/$30/$4"), "25");
    ASSERT_TRUE(SpinUntil([&listen] {
        listen.Process().waitForReadyRead(10);
        return listen.Process().bytesAvailable() > 0;
    }));
    EXPECT_TRUE(listen.Process().readAllStandardOutput().contains("\"body\":\"hi\""));
}

TEST(SocketActivation, VariablesMeantForAnotherProcessAreLeftAlone)
{
    CListeningSocket socket;
    ASSERT_NE(socket.Port(), 0);
    // A parent's variables that were not cleared: the tool opens its own port.
    CCliInShell listen(QStringLiteral("LISTEN_PID=1 LISTEN_FDS=1 exec \"$0\" listen --port 0"), {},
                       "port ", socket.Descriptor());
    EXPECT_NE(listen.Port(), 0) << listen.Errors().constData();
    EXPECT_NE(listen.Port(), socket.Port());
    EXPECT_FALSE(listen.Errors().contains("service manager"));
}

TEST(SocketActivation, ADescriptorThatIsNoListeningSocketIsRefused)
{
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    CCliInShell fingerd(kActivated, {QStringLiteral("fingerd")}, "not a listening TCP socket",
                        static_cast<int>(file.handle()));
    // (It may have ended already, which waitForFinished does not count.)
    ASSERT_TRUE(SpinUntil([&fingerd] {
        return fingerd.Process().state() == QProcess::NotRunning ||
               fingerd.Process().waitForFinished(10);
    }));
    EXPECT_EQ(fingerd.Process().exitCode(), 1);
    EXPECT_TRUE(fingerd.Errors().contains("not a listening TCP socket"))
        << fingerd.Errors().constData();
}

TEST(SocketActivation, ACountThatIsNoNumberEndsTheToolAndAHugeOneIsBounded)
{
    CListeningSocket socket;
    ASSERT_NE(socket.Port(), 0);
    CCliInShell garbage(QStringLiteral("LISTEN_PID=$$ LISTEN_FDS=abc exec \"$0\" fingerd"), {},
                        "LISTEN_FDS", socket.Descriptor());
    ASSERT_TRUE(SpinUntil([&garbage] {
        return garbage.Process().state() == QProcess::NotRunning ||
               garbage.Process().waitForFinished(10);
    }));
    EXPECT_EQ(garbage.Process().exitCode(), 1);
    EXPECT_TRUE(garbage.Errors().contains("LISTEN_FDS=abc is not a number of sockets"))
        << garbage.Errors().constData();

    // Far more sockets than a process can hold: the first is served at once.
    CCliInShell huge(QStringLiteral("LISTEN_PID=$$ LISTEN_FDS=2147483647 exec \"$0\" fingerd"), {},
                     "finger server on port", socket.Descriptor());
    EXPECT_EQ(huge.Port(), socket.Port()) << huge.Errors().constData();
    EXPECT_FALSE(AskRawClient(socket.Port(), "\r\n").isEmpty());
}
