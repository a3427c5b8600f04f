// One running copy per settings file: later starts hand their files over.
#include "core/documents/blipnote_doc.h"
#include "core/documents/doc_manager.h"
#include "core/notes/note_file.h"
#include "desktop/app/blipnote_app.h"
#include "desktop/app/instance_channel.h"
#include "tests/support/desktop_app_fixture.h"
#include "tests/support/event_loop.h"
#include "tests/support/sample_notes.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstring>
#include <future>
#include <memory>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

class InstanceChannelTest : public CDesktopAppFixture
{
protected:
    InstanceChannelTest()
    {
        // The user's runtime folder, and a settings file of this test's own.
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toUtf8());
        m_strSettings = m_config.filePath(QStringLiteral("Tessaro/Blipnote.conf"));
    }

    // Hands a request over from another thread, as a second start does.
    CInstanceChannel::EHandOver HandOverElsewhere(const CStartupRequest& request,
                                                  std::chrono::milliseconds timeLimit = 5s)
    {
        auto handOver = std::async(std::launch::async, [this, request, timeLimit] {
            return CInstanceChannel(m_strSettings).HandOver(request, timeLimit);
        });
        EXPECT_TRUE(SpinUntil([&] { return handOver.wait_for(0s) == std::future_status::ready; }));
        return handOver.get();
    }

    QTemporaryDir m_runtime;
    QTemporaryDir m_config;
    QString m_strSettings;
};

} // namespace

TEST_F(InstanceChannelTest, ALaterStartHandsItsFileToTheRunningCopy)
{
    CInstanceChannel running(m_strSettings);
    ASSERT_EQ(running.Listen(), CInstanceChannel::EListen::Listening);
    QList<CStartupRequest> requests;
    QObject::connect(&running, &CInstanceChannel::Requested,
                     [&requests](const CStartupRequest& request) { requests.append(request); });

    EXPECT_EQ(HandOverElsewhere({.strOpenFile = QStringLiteral("relative/note.bno")}),
              CInstanceChannel::EHandOver::Taken);
    EXPECT_EQ(HandOverElsewhere({.strPrintFile = QStringLiteral("/tmp/print me.bni")}),
              CInstanceChannel::EHandOver::Taken);
    EXPECT_EQ(HandOverElsewhere({}), CInstanceChannel::EHandOver::Taken);
    ASSERT_TRUE(SpinUntil([&] { return requests.size() == 3; }));
    EXPECT_EQ(requests[0].strOpenFile,
              QDir::current().absoluteFilePath(QStringLiteral("relative/note.bno")));
    EXPECT_EQ(requests[1].strPrintFile, QStringLiteral("/tmp/print me.bni"));
    EXPECT_TRUE(requests[2].strOpenFile.isEmpty() && requests[2].strPrintFile.isEmpty());

    // A second copy with the same settings cannot listen; one with settings of
    // its own can.
    EXPECT_EQ(CInstanceChannel(m_strSettings).Listen(), CInstanceChannel::EListen::OtherCopy);
    EXPECT_EQ(CInstanceChannel(m_config.filePath(QStringLiteral("other.conf"))).Listen(),
              CInstanceChannel::EListen::Listening);
}

TEST_F(InstanceChannelTest, ASocketLeftByACrashedCopyBlocksNothing)
{
    // A socket file nobody listens on, as a copy that crashed leaves it.
    const QByteArray strPath = QFile::encodeName(CInstanceChannel::SocketPath(m_strSettings));
    const int nSocket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, strPath.constData(), sizeof(address.sun_path) - 1);
    ASSERT_EQ(::bind(nSocket, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
    ::close(nSocket);
    ASSERT_TRUE(QFile::exists(QString::fromLocal8Bit(strPath)));

    // And its lock, naming a process that has ended.
    QFile lock(QString::fromLocal8Bit(strPath) + QStringLiteral(".lock"));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.write("2147483000\nblipnote\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    lock.close();

    EXPECT_EQ(HandOverElsewhere({}), CInstanceChannel::EHandOver::NoneRunning);
    CInstanceChannel next(m_strSettings);
    EXPECT_EQ(next.Listen(), CInstanceChannel::EListen::Listening);
    EXPECT_EQ(HandOverElsewhere({}), CInstanceChannel::EHandOver::Taken);
}

TEST_F(InstanceChannelTest, ACopyThatDoesNotAnswerIsNotWaitedForEndlessly)
{
    QLocalServer mute;
    ASSERT_TRUE(mute.listen(CInstanceChannel::SocketPath(m_strSettings)));
    EXPECT_EQ(HandOverElsewhere({}, 300ms), CInstanceChannel::EHandOver::NoAnswer);
}

TEST_F(InstanceChannelTest, TheDesktopProgramStartedAgainOpensTheNoteInTheRunningCopy)
{
    // This test's program is the running copy.
    Installed();
    ASSERT_TRUE(Start());
    CInstanceChannel running(m_strSettings);
    ASSERT_EQ(running.Listen(), CInstanceChannel::EListen::Listening);
    QObject::connect(&running, &CInstanceChannel::Requested, m_pApp.get(),
                     &CBlipnoteApp::TakeRequest);
    QTemporaryDir dir;
    const QString strNote = dir.filePath(QStringLiteral("lunch.bni"));
    ASSERT_TRUE(NoteFile::Save(strNote, SampleNotes::LunchRecord(), "lunch", nullptr));

    // The second start, as from a file manager: the real program.
    QProcess second;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config.path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    second.setProcessEnvironment(environment);
    second.start(QStringLiteral(BLIPNOTE_DESKTOP_PATH), {strNote});
    ASSERT_TRUE(SpinUntil([&] { return second.state() == QProcess::NotRunning; }));
    EXPECT_EQ(second.exitCode(), 0);
    ASSERT_TRUE(SpinUntil([&] { return NoteWindows() == 1; }));
    EXPECT_EQ(m_pApp->Documents().Documents().first()->PathName(), strNote);
    // It never touched the settings, nor took a port.
    EXPECT_FALSE(QFile::exists(m_strSettings));
    EXPECT_TRUE(m_prompts.Boxes().isEmpty());
}

TEST_F(InstanceChannelTest, ARequestThatShowsABoxLeavesTheChannelWhole)
{
    // A request answered by a box ("There is no printer ..."): the box runs an
    // event loop of its own while the request's connection goes away.
    CInstanceChannel running(m_strSettings);
    ASSERT_EQ(running.Listen(), CInstanceChannel::EListen::Listening);
    int nRequests = 0;
    QObject::connect(&running, &CInstanceChannel::Requested, [&nRequests] {
        ++nRequests;
        QEventLoop box;
        QTimer::singleShot(200, &box, &QEventLoop::quit);
        box.exec();
    });
    for (int n = 0; n < 3; ++n)
        EXPECT_EQ(HandOverElsewhere({.strPrintFile = QStringLiteral("/tmp/x.bno")}),
                  CInstanceChannel::EHandOver::Taken);
    ASSERT_TRUE(SpinUntil([&] { return nRequests == 3; }));
}

TEST_F(InstanceChannelTest, ACopyHoldingTheLockWithoutListeningIsNotWaitedForEndlessly)
{
    // The lock of a copy that runs but never listens.
    QLockFile lock(CInstanceChannel::SocketPath(m_strSettings) + QStringLiteral(".lock"));
    ASSERT_TRUE(lock.tryLock(0));
    auto start = std::async(std::launch::async,
                            [this] { return CInstanceChannel(m_strSettings).Start({}, 300ms); });
    ASSERT_TRUE(SpinUntil([&] { return start.wait_for(0s) == std::future_status::ready; }));
    EXPECT_EQ(start.get(), CInstanceChannel::EStart::NoAnswer);
    lock.unlock();

    // Once it has ended, the next start runs.
    CInstanceChannel next(m_strSettings);
    EXPECT_EQ(next.Start({}), CInstanceChannel::EStart::ThisCopyRuns);
    EXPECT_EQ(HandOverElsewhere({}), CInstanceChannel::EHandOver::Taken);
}

TEST_F(InstanceChannelTest, ConnectionsThatHangOnDoNotKeepALaterStartOut)
{
    CInstanceChannel running(m_strSettings);
    ASSERT_EQ(running.Listen(), CInstanceChannel::EListen::Listening);
    int nRequests = 0;
    QObject::connect(&running, &CInstanceChannel::Requested, [&nRequests] { ++nRequests; });

    // Many times the connections served at once, each silent or half a request.
    std::vector<std::unique_ptr<QLocalSocket>> idle;
    for (int n = 0; n < 4 * CInstanceChannel::MaxConnections; ++n) {
        idle.push_back(std::make_unique<QLocalSocket>());
        idle.back()->connectToServer(CInstanceChannel::SocketPath(m_strSettings));
        ASSERT_TRUE(
            SpinUntil([&] { return idle.back()->state() == QLocalSocket::ConnectedState; }));
        if (n % 2)
            idle.back()->write("open\t/tmp/never-end");
    }
    EXPECT_EQ(HandOverElsewhere({.strOpenFile = QStringLiteral("/tmp/a.bno")}, 1s),
              CInstanceChannel::EHandOver::Taken);
    ASSERT_TRUE(SpinUntil([&] { return nRequests == 1; }));

    // The silent ones are closed after their time.
    ASSERT_TRUE(SpinUntil([&] {
        return std::all_of(idle.begin(), idle.end(), [](const auto& pSocket) {
            pSocket->waitForReadyRead(0);
            return pSocket->state() == QLocalSocket::UnconnectedState;
        });
    }));
    EXPECT_EQ(nRequests, 1);
}
