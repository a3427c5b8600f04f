// The connection server's contract with its sessions, through a small echo
// server over real sockets: how reading ends (a whole request, the peer's
// close, the time limit), an answer given at once or later, a large answer
// written whole to a small reader, one the peer never takes, and what each
// session hears at its end.
#include "core/net/connection_server.h"
#include "tests/support/event_loop.h"
#include "tests/support/raw_client.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <map>

using namespace std::chrono_literals;

namespace {

// Echoes a line: "echo:LINE" once its line feed is in; what ended otherwise
// is answered with how it ended. "later" is answered a moment later, "big"
// with four parts of a megabyte each.
class CEchoServer : public CConnectionServer
{
public:
    CEchoServer() : CConnectionServer({.timeLimit = 500ms}, 16, nullptr) { SetAcceptDeferral(0s); }

    // What each session read, and whether its answer went out whole.
    std::map<QByteArray, bool> m_answered;

protected:
    class CEchoSession : public CSession
    {
    public:
        explicit CEchoSession(CEchoServer& server) : m_server(server) {}

        char* ReadRoom(qsizetype nMax) override
        {
            m_nBefore = m_strRead.size();
            m_strRead.resize(m_nBefore + nMax);
            return m_strRead.data() + m_nBefore;
        }
        bool TookRead(qsizetype nLength) override
        {
            m_strRead.resize(m_nBefore + nLength);
            return m_strRead.contains('\n');
        }
        std::optional<QByteArrayList> Answer(EEnd eEnd, const CAnswerLater& later) override
        {
            const QByteArray strLine = m_strRead.trimmed();
            if (eEnd == EEnd::PeerClosed)
                return QByteArrayList{"closed:" + strLine};
            if (eEnd == EEnd::TimeLimit)
                return QByteArrayList{"late:" + strLine};
            if (eEnd != EEnd::Done)
                return QByteArrayList{};
            if (strLine == "later") {
                QTimer::singleShot(50ms, [later] { later({"echo:", "later"}); });
                return std::nullopt;
            }
            if (strLine == "big")
                return QByteArrayList(4, QByteArray(1 << 20, 'b'));
            return QByteArrayList{"echo:" + strLine};
        }
        void Answered(bool bSent) override { m_server.m_answered[m_strRead.trimmed()] = bSent; }

    private:
        CEchoServer& m_server;
        QByteArray m_strRead;
        qsizetype m_nBefore = 0;
    };

    std::unique_ptr<CSession> NewSession(const QByteArray&) override
    {
        return std::make_unique<CEchoSession>(*this);
    }
};

CRawClientScript Script(const CEchoServer& server, const QByteArray& strRequest)
{
    CRawClientScript script;
    script.nPort = server.ServerPort();
    script.strFirst = strRequest;
    return script;
}

// Runs the client to its end (the server on this thread meanwhile).
CRawClientResult RunToEnd(const CRawClientScript& script)
{
    auto future = RunRawClient(script);
    EXPECT_TRUE(SpinUntil([&] { return future.wait_for(0s) == std::future_status::ready; }, 10s));
    return future.get();
}

} // namespace

TEST(ConnectionServer, EachWayAReadingEndsIsAnsweredAndToldToItsSession)
{
    CEchoServer server;
    ASSERT_EQ(server.Open(0, QHostAddress::LocalHost), CConnectionServer::EOpen::Opened);

    // A request in many small reads (16 bytes each), answered once its line is in.
    const QByteArray strLong(100, 'x');
    EXPECT_EQ(RunToEnd(Script(server, strLong + "\n")).strAnswer, "echo:" + strLong);
    // The peer says all it will say: answered with what came.
    CRawClientScript half = Script(server, "half");
    half.bHalfClose = true;
    EXPECT_EQ(RunToEnd(half).strAnswer, "closed:half");
    // Nothing more within the time limit: answered with what came.
    EXPECT_EQ(RunToEnd(Script(server, "slow")).strAnswer, "late:slow");
    // An answer given later, in two parts, arrives as one.
    EXPECT_EQ(RunToEnd(Script(server, "later\n")).strAnswer, "echo:later");
    // Four megabytes to a reader with a small buffer: whole.
    CRawClientScript big = Script(server, "big\n");
    big.nReceiveBuffer = 4096;
    const QByteArray strBig = RunToEnd(big).strAnswer;
    EXPECT_EQ(strBig.size(), 4 << 20);
    EXPECT_EQ(strBig.count('b'), 4 << 20);

    EXPECT_TRUE(SpinUntil([&] { return server.OpenConnections() == 0; }, 5s));
    const std::map<QByteArray, bool> expected{
        {strLong, true}, {"half", true}, {"slow", true}, {"later", true}, {"big", true}};
    EXPECT_EQ(server.m_answered, expected);
}

TEST(ConnectionServer, AnAnswerThePeerDoesNotTakeEndsWithItsTimeLimit)
{
    CEchoServer server;
    ASSERT_EQ(server.Open(0, QHostAddress::LocalHost), CConnectionServer::EOpen::Opened);
    // The reader does not read: the answer stops where the buffers are full,
    // and after the time limit the connection is given up, its session told.
    std::promise<void> release;
    CRawClientScript script = Script(server, "big\n");
    script.strSecond = "x";
    script.gate = release.get_future().share();
    script.nReceiveBuffer = 4096;
    auto future = RunRawClient(script);
    EXPECT_TRUE(SpinUntil([&] { return server.m_answered.count("big") == 1; }, 5s));
    EXPECT_FALSE(server.m_answered["big"]);
    EXPECT_EQ(server.OpenConnections(), 0);
    release.set_value();
    SpinUntil([&] { return future.wait_for(0s) == std::future_status::ready; }, 5s);
}
