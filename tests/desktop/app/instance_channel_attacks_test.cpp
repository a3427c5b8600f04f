// Another local user against the hand-over between starts: folders, links,
// sockets and locks put in the user's way, and servers that answer as the
// user's running copy. The other user is nobody, in a child forked from this
// test, so these scenarios need root.
#include "core/documents/blipnote_doc.h"
#include "core/documents/doc_manager.h"
#include "core/notes/note_file.h"
#include "desktop/app/blipnote_app.h"
#include "desktop/app/instance_channel.h"
#include "tests/support/desktop_app_fixture.h"
#include "tests/support/event_loop.h"
#include "tests/support/sample_notes.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>

#include <cstring>
#include <fcntl.h>
#include <functional>
#include <future>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/fsuid.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

constexpr uid_t kNobody = 65534;
const QByteArray kListening = "listening\n";

// A process of the user nobody, forked from this test. Its work may use plain
// system calls only (the test's other threads are not in the child) and tells
// the test what it saw through a pipe.
class COtherUser
{
public:
    enum class EReach
    {
        OwnFolders,  // nobody in every respect
        EveryFolder, // nobody to sockets, but root to the file system, as
                     // only root could reach into a private folder
    };

    explicit COtherUser(const std::function<int(int nReport)>& work,
                        EReach eReach = EReach::OwnFolders)
    {
        int pipe[2];
        if (::pipe2(pipe, O_CLOEXEC) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(pipe[0]);
            const bool bNobody =
                ::setgroups(0, nullptr) == 0 && ::setresgid(kNobody, kNobody, kNobody) == 0 &&
                (eReach == EReach::OwnFolders ? ::setresuid(kNobody, kNobody, kNobody)
                                              : ::setresuid(0, kNobody, 0)) == 0;
            if (eReach == EReach::EveryFolder)
                ::setfsuid(0);
            ::_exit(bNobody ? work(pipe[1]) : 99);
        }
        ::close(pipe[1]);
        m_nReport = pipe[0];
        ::fcntl(m_nReport, F_SETFL, O_NONBLOCK);
    }
    ~COtherUser()
    {
        if (!Ended()) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, &m_nStatus, 0);
        }
        ::close(m_nReport);
    }

    bool Ended()
    {
        return m_pid <= 0 || m_bEnded ||
               (m_bEnded = ::waitpid(m_pid, &m_nStatus, WNOHANG) == m_pid);
    }
    int ExitCode()
    {
        return SpinUntil([this] { return Ended(); }) ? WEXITSTATUS(m_nStatus) : -1;
    }
    QByteArray Report()
    {
        char buffer[4096];
        for (ssize_t n; (n = ::read(m_nReport, buffer, sizeof(buffer))) > 0;)
            m_strReport.append(buffer, n);
        return m_strReport;
    }
    bool IsListening()
    {
        return SpinUntil([this] { return Report().startsWith(kListening); });
    }
    // What the user's starts sent to it.
    QByteArray Received() { return Report().mid(kListening.size()); }

private:
    pid_t m_pid = -1;
    int m_nReport = -1;
    int m_nStatus = 0;
    bool m_bEnded = false;
    QByteArray m_strReport;
};

sockaddr_un Address(const char* pszPath)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, pszPath, sizeof(address.sun_path) - 1);
    return address;
}

// In the child: answers every connection as the running copy does, and reports
// what came.
int ServeAsTheCopy(const char* pszPath, int nReport)
{
    const int nListener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const sockaddr_un address = Address(pszPath);
    if (::bind(nListener, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(nListener, 16) != 0)
        return 2;
    ::write(nReport, kListening.constData(), kListening.size());
    for (;;) {
        const int nConnection = ::accept(nListener, nullptr, nullptr);
        pollfd ready{nConnection, POLLIN, 0};
        char buffer[4096];
        ssize_t nRead = 0;
        if (::poll(&ready, 1, 5000) > 0 &&
            (nRead = ::read(nConnection, buffer, sizeof(buffer))) > 0)
            ::write(nReport, buffer, nRead);
        ::send(nConnection, "ok\n", 3, MSG_NOSIGNAL);
        ::close(nConnection);
    }
}

QByteArray Native(const QString& strPath)
{
    return QFile::encodeName(strPath);
}

struct SEntry
{
    bool bExists = false;
    uid_t nOwner = 0;
    mode_t nMode = 0;
};

SEntry Entry(const QString& strPath)
{
    struct stat info
    {};
    if (::lstat(Native(strPath).constData(), &info) != 0)
        return {};
    return {true, info.st_uid, info.st_mode};
}

class InstanceChannelAttacksTest : public CDesktopAppFixture
{
protected:
    void SetUp() override
    {
        if (::geteuid() != 0)
            GTEST_SKIP() << "acting as another local user needs root";
        // As /tmp: anyone may add to it, the sticky bit keeps each entry to its owner.
        ASSERT_EQ(::chmod(Native(m_shared.path()).constData(), 01777), 0);
        // A start without a runtime folder (su, ssh, containers).
        qunsetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", Native(m_shared.path()));
        m_strSettings = m_config.filePath(QStringLiteral("Tessaro/Blipnote.conf"));
    }
    void TearDown() override
    {
        qunsetenv("TMPDIR");
        qunsetenv("XDG_RUNTIME_DIR");
    }

    QString Shared(const QString& strName) const { return m_shared.filePath(strName); }
    // Where the user's copies meet without a runtime folder: a name anyone can guess.
    QString Fallback() const { return Shared(QStringLiteral("blipnote-0")); }
    // The socket's name, computed from the settings path as an attacker would.
    QString SocketName() const
    {
        return QStringLiteral("blipnote-") +
               QString::fromLatin1(
                   QCryptographicHash::hash(m_strSettings.toUtf8(), QCryptographicHash::Sha1)
                       .toHex()
                       .left(16));
    }

    // nobody waits where this program once met its running copy: Qt's runtime
    // folder taken (so Qt gives none), the socket in the shared folder answered.
    std::unique_ptr<COtherUser> SquatWhereItWas()
    {
        const QByteArray strRuntime = Native(Shared(QStringLiteral("runtime-root")));
        const QByteArray strSocket = Native(Shared(SocketName()));
        auto pSquatter = std::make_unique<COtherUser>([strRuntime, strSocket](int nReport) {
            ::mkdir(strRuntime.constData(), 0700);
            return ServeAsTheCopy(strSocket.constData(), nReport);
        });
        EXPECT_TRUE(pSquatter->IsListening());
        return pSquatter;
    }

    QTemporaryDir m_shared;
    QTemporaryDir m_config;
    QString m_strSettings;
};

} // namespace

TEST_F(InstanceChannelAttacksTest, WhatAnotherUserPutsInTheSharedFolderIsNeverUsed)
{
    QTemporaryDir ownPrivate; // a folder of the user's, mode 0700
    const QByteArray strFallback = Native(Fallback());
    const QByteArray strInFallback = Native(Fallback() + QLatin1Char('/') + SocketName());
    const QByteArray strElsewhere = Native(Shared(QStringLiteral("elsewhere")));
    const QByteArray strInElsewhere = strElsewhere + '/' + Native(SocketName());
    const QByteArray strOwnPrivate = Native(ownPrivate.path());
    const QByteArray strDecoy = Native(Shared(QStringLiteral("decoy")));
    struct SCase
    {
        const char* pszName;
        std::function<int(int)> squat; // as nobody; serves where it hopes the user connects
        std::function<void()> squatAsRoot;
        QString strWhy;
    };
    const QList<SCase> cases = {
        {"another user's folder open to all",
         [&](int nReport) {
             ::mkdir(strFallback.constData(), 0777);
             ::chmod(strFallback.constData(), 0777);
             return ServeAsTheCopy(strInFallback.constData(), nReport);
         },
         {},
         QStringLiteral("%1 belongs to user nobody (uid 65534)").arg(Fallback())},
        {"another user's folder closed to others",
         [&](int nReport) {
             ::mkdir(strFallback.constData(), 0700);
             return ServeAsTheCopy(strInFallback.constData(), nReport);
         },
         {},
         QStringLiteral("%1 belongs to user nobody (uid 65534)").arg(Fallback())},
        {"a link to another user's folder",
         [&](int nReport) {
             ::mkdir(strElsewhere.constData(), 0777);
             ::symlink(strElsewhere.constData(), strFallback.constData());
             return ServeAsTheCopy(strInElsewhere.constData(), nReport);
         },
         {},
         QStringLiteral("%1 is a symbolic link").arg(Fallback())},
        {"a link to a private folder of the user's own, which nobody may point elsewhere",
         [&](int nReport) {
             ::symlink(strOwnPrivate.constData(), strFallback.constData());
             return ServeAsTheCopy(strDecoy.constData(), nReport);
         },
         {},
         QStringLiteral("%1 is a symbolic link").arg(Fallback())},
        {"a file",
         [&](int nReport) {
             ::close(::open(strFallback.constData(), O_CREAT | O_WRONLY, 0644));
             return ServeAsTheCopy(strDecoy.constData(), nReport);
         },
         {},
         QStringLiteral("%1 is not a folder").arg(Fallback())},
        {"the user's own folder, open to all",
         [&](int nReport) { return ServeAsTheCopy(strInFallback.constData(), nReport); },
         [&] {
             ::mkdir(strFallback.constData(), 0700);
             ::chmod(strFallback.constData(), 0777);
         },
         QStringLiteral("%1 has mode 0777, not 0700").arg(Fallback())},
        {"the user's own folder in a shared folder without the sticky bit",
         [&](int nReport) { return ServeAsTheCopy(strDecoy.constData(), nReport); },
         [&] {
             ::mkdir(strFallback.constData(), 0700);
             ::chmod(Native(m_shared.path()).constData(), 0777);
         },
         QStringLiteral("%1 lies in %2, where other users may replace it")
             .arg(Fallback(), m_shared.path())},
    };
    for (const SCase& attack : cases) {
        SCOPED_TRACE(attack.pszName);
        ::chmod(Native(m_shared.path()).constData(), 01777);
        const auto pWhereItWas = SquatWhereItWas();
        if (attack.squatAsRoot)
            attack.squatAsRoot();
        COtherUser squatter(attack.squat);
        ASSERT_TRUE(squatter.IsListening());

        CInstanceChannel channel(m_strSettings);
        EXPECT_EQ(channel.Start({.strOpenFile = QStringLiteral("/home/ann/plans.bno")}, 1s),
                  CInstanceChannel::EStart::RunsAlone);
        EXPECT_EQ(channel.Problem(), attack.strWhy);
        EXPECT_EQ(pWhereItWas->Received(), QByteArray());
        EXPECT_EQ(squatter.Received(), QByteArray());
        // Nothing of the user's was left there either.
        EXPECT_FALSE(
            Entry(QString::fromLocal8Bit(strInFallback) + QStringLiteral(".lock")).bExists);
        EXPECT_FALSE(
            Entry(QString::fromLocal8Bit(strInElsewhere) + QStringLiteral(".lock")).bExists);

        // Cleared away for the next attack.
        ::chmod(Native(m_shared.path()).constData(), 01777);
        const auto entries = QDir(m_shared.path())
                                 .entryInfoList(QDir::AllEntries | QDir::System | QDir::Hidden |
                                                QDir::NoDotAndDotDot);
        for (const QFileInfo& entry : entries) {
            if (entry.isDir() && !entry.isSymLink())
                QDir(entry.filePath()).removeRecursively();
            else
                QFile::remove(entry.filePath());
        }
    }
}

TEST_F(InstanceChannelAttacksTest, TheRuntimeFolderIsUsedOnlyWhenItIsTheUsersOwn)
{
    QTemporaryDir runtime;
    const QByteArray strRuntime = Native(runtime.path());
    const QString strLink = Shared(QStringLiteral("runtime-link"));
    struct SCase
    {
        const char* pszName;
        std::function<void()> prepare;
        QString strVariable;
        bool bUsed;
    };
    const QList<SCase> cases = {
        {"the user's own with mode 0700", [] {}, runtime.path(), true},
        {"another user's (kept by su)", [&] { ::chown(strRuntime.constData(), kNobody, kNobody); },
         runtime.path(), false},
        {"open to others", [&] { ::chmod(strRuntime.constData(), 0755); }, runtime.path(), false},
        {"a link to the user's own",
         [&] { ::symlink(strRuntime.constData(), Native(strLink).constData()); }, strLink, false},
        {"a relative path", [] {}, QStringLiteral("run/user"), false},
    };
    for (const SCase& runtimeFolder : cases) {
        SCOPED_TRACE(runtimeFolder.pszName);
        runtimeFolder.prepare();
        qputenv("XDG_RUNTIME_DIR", runtimeFolder.strVariable.toUtf8());

        CInstanceChannel running(m_strSettings);
        ASSERT_EQ(running.Start({}), CInstanceChannel::EStart::ThisCopyRuns);
        QList<CStartupRequest> requests;
        QObject::connect(&running, &CInstanceChannel::Requested,
                         [&requests](const CStartupRequest& request) { requests.append(request); });
        const QString strFolder = QFileInfo(CInstanceChannel::SocketPath(m_strSettings)).path();
        EXPECT_EQ(strFolder, runtimeFolder.bUsed ? runtime.path() : Fallback());
        const SEntry folder = Entry(strFolder);
        EXPECT_EQ(folder.nOwner, 0u);
        EXPECT_EQ(folder.nMode & 07777, 0700u);

        // A later start with the same environment finds it.
        auto later = std::async(std::launch::async, [this] {
            return CInstanceChannel(m_strSettings).Start({.strOpenFile = QStringLiteral("/a.bno")});
        });
        ASSERT_TRUE(SpinUntil([&] { return requests.size() == 1; }));
        EXPECT_EQ(later.get(), CInstanceChannel::EStart::HandedOver);
        EXPECT_EQ(requests[0].strOpenFile, QStringLiteral("/a.bno"));

        ::chown(strRuntime.constData(), 0, 0);
        ::chmod(strRuntime.constData(), 0700);
        QFile::remove(strLink);
    }
}

TEST_F(InstanceChannelAttacksTest, ASocketOrLockOfAnotherUserIsNeverTrusted)
{
    // The user's runtime folder is fine; what lies in it is not (only root
    // could have put it there).
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", Native(runtime.path()));
    const QString strSocket = CInstanceChannel::SocketPath(m_strSettings);
    const QByteArray strBound = Native(Shared(QStringLiteral("bound")));
    COtherUser squatter(
        [strBound](int nReport) { return ServeAsTheCopy(strBound.constData(), nReport); });
    ASSERT_TRUE(squatter.IsListening());
    ASSERT_EQ(::rename(strBound.constData(), Native(strSocket).constData()), 0);

    // A socket of another user's.
    CInstanceChannel start(m_strSettings);
    EXPECT_EQ(start.HandOver({.strOpenFile = QStringLiteral("/home/ann/plans.bno")}),
              CInstanceChannel::EHandOver::Unsafe);
    EXPECT_EQ(start.Problem(),
              QStringLiteral("%1 belongs to user nobody (uid 65534)").arg(strSocket));
    EXPECT_EQ(start.Start({}), CInstanceChannel::EStart::RunsAlone);

    // The same socket made to look like the user's own: the process that answers
    // is still another user's.
    ASSERT_EQ(::chown(Native(strSocket).constData(), 0, 0), 0);
    EXPECT_EQ(start.HandOver({.strOpenFile = QStringLiteral("/home/ann/plans.bno")}),
              CInstanceChannel::EHandOver::Unsafe);
    EXPECT_EQ(
        start.Problem(),
        QStringLiteral("%1 is answered by a process of user nobody (uid 65534)").arg(strSocket));
    EXPECT_EQ(squatter.Received(), QByteArray());
    QFile::remove(strSocket);

    // A lock of another user's, naming a live process or a dead one: neither
    // believed nor taken over.
    const QString strLock = strSocket + QStringLiteral(".lock");
    for (const QByteArray& strPid : {QByteArray::number(::getpid()), QByteArray("2147483000")}) {
        QFile lock(strLock);
        ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
        lock.write(strPid + "\nblipnote\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        lock.close();
        ASSERT_EQ(::chown(Native(strLock).constData(), kNobody, kNobody), 0);
        CInstanceChannel next(m_strSettings);
        EXPECT_EQ(next.Start({}, 300ms), CInstanceChannel::EStart::RunsAlone);
        EXPECT_EQ(next.Problem(),
                  QStringLiteral("%1 belongs to user nobody (uid 65534)").arg(strLock));
        EXPECT_EQ(Entry(strLock).nOwner, kNobody);
        EXPECT_FALSE(Entry(strSocket).bExists);
        QFile::remove(strLock);
    }
}

TEST_F(InstanceChannelAttacksTest, TheRunningCopyTakesRequestsFromItsOwnUserOnly)
{
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", Native(runtime.path()));
    CInstanceChannel running(m_strSettings);
    ASSERT_EQ(running.Listen(), CInstanceChannel::EListen::Listening);
    QList<CStartupRequest> requests;
    QObject::connect(&running, &CInstanceChannel::Requested,
                     [&requests](const CStartupRequest& request) { requests.append(request); });

    // Another user who reached the socket asks the copy to open a file of theirs.
    const QByteArray strSocket = Native(CInstanceChannel::SocketPath(m_strSettings));
    COtherUser intruder(
        [strSocket](int nReport) {
            const int nSocket = ::socket(AF_UNIX, SOCK_STREAM, 0);
            const sockaddr_un address = Address(strSocket.constData());
            if (::connect(nSocket, reinterpret_cast<const sockaddr*>(&address), sizeof(address)))
                return 3;
            ::write(nSocket, "open\t/tmp/bait.bno\n", 19);
            pollfd ready{nSocket, POLLIN, 0};
            char buffer[16];
            ssize_t nRead = 0;
            if (::poll(&ready, 1, 10000) > 0 &&
                (nRead = ::read(nSocket, buffer, sizeof(buffer))) > 0)
                ::write(nReport, buffer, nRead);
            return 0;
        },
        COtherUser::EReach::EveryFolder);
    EXPECT_EQ(intruder.ExitCode(), 0);
    EXPECT_EQ(intruder.Report(), QByteArray()); // no "ok": closed at once

    // The user's own later start is taken as before.
    auto later = std::async(std::launch::async, [this] {
        return CInstanceChannel(m_strSettings).HandOver({.strOpenFile = QStringLiteral("/a.bno")});
    });
    ASSERT_TRUE(SpinUntil([&] { return later.wait_for(0s) == std::future_status::ready; }));
    EXPECT_EQ(later.get(), CInstanceChannel::EHandOver::Taken);
    ASSERT_TRUE(SpinUntil([&] { return !requests.isEmpty(); }));
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].strOpenFile, QStringLiteral("/a.bno"));
}

TEST_F(InstanceChannelAttacksTest, TheDesktopProgramStartedAgainNeverHandsItsNoteToAnotherUser)
{
    // Every place the program has met or would meet its running copy is taken.
    const auto pWhereItWas = SquatWhereItWas();
    const QByteArray strFallback = Native(Fallback());
    const QByteArray strInFallback = Native(Fallback() + QLatin1Char('/') + SocketName());
    COtherUser squatter([&](int nReport) {
        ::mkdir(strFallback.constData(), 0700);
        ::chmod(strFallback.constData(), 0777);
        return ServeAsTheCopy(strInFallback.constData(), nReport);
    });
    ASSERT_TRUE(squatter.IsListening());
    QTemporaryDir notes;
    const QString strNote = notes.filePath(QStringLiteral("plans.bno"));
    ASSERT_TRUE(NoteFile::Save(strNote, SampleNotes::LunchRecord(), "plans", nullptr));

    // The start, as from a file manager: the real program. With no settings yet
    // it stops at the first-run question, and in a network of its own.
    QProcess start;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    environment.insert(QStringLiteral("TMPDIR"), m_shared.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config.path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    start.setProcessEnvironment(environment);
    start.start(QStringLiteral("unshare"),
                {QStringLiteral("-n"), QStringLiteral(BLIPNOTE_DESKTOP_PATH), strNote});
    const QByteArray strSays = "blipnote: cannot look for a running Blipnote: " + strFallback +
                               " belongs to user nobody (uid 65534); this copy runs on its own\n";
    QByteArray strError;
    EXPECT_TRUE(SpinUntil([&] {
        strError += start.readAllStandardError();
        return strError.contains(strSays) || start.state() == QProcess::NotRunning;
    })) << strError.constData();
    EXPECT_TRUE(strError.contains(strSays)) << strError.constData();
    EXPECT_EQ(start.state(), QProcess::Running); // on its own, not ended with 0
    EXPECT_EQ(pWhereItWas->Received(), QByteArray());
    EXPECT_EQ(squatter.Received(), QByteArray());
    start.kill();
    start.waitForFinished();
}

TEST_F(InstanceChannelAttacksTest, AfterSuTheDesktopProgramStillFindsItsRunningCopy)
{
    // su keeps the runtime folder of the user it came from.
    QTemporaryDir otherUsers;
    ASSERT_EQ(::chown(Native(otherUsers.path()).constData(), kNobody, kNobody), 0);
    qputenv("XDG_RUNTIME_DIR", Native(otherUsers.path()));
    Installed();
    ASSERT_TRUE(Start());
    CInstanceChannel running(m_strSettings);
    ASSERT_EQ(running.Listen(), CInstanceChannel::EListen::Listening);
    QObject::connect(&running, &CInstanceChannel::Requested, m_pApp.get(),
                     &CBlipnoteApp::TakeRequest);
    QTemporaryDir dir;
    const QString strNote = dir.filePath(QStringLiteral("lunch.bni"));
    ASSERT_TRUE(NoteFile::Save(strNote, SampleNotes::LunchRecord(), "lunch", nullptr));

    QProcess second;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), otherUsers.path());
    environment.insert(QStringLiteral("TMPDIR"), m_shared.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config.path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    second.setProcessEnvironment(environment);
    second.start(QStringLiteral("unshare"),
                 {QStringLiteral("-n"), QStringLiteral(BLIPNOTE_DESKTOP_PATH), strNote});
    ASSERT_TRUE(SpinUntil([&] { return second.state() == QProcess::NotRunning; }));
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().constData();
    ASSERT_TRUE(SpinUntil([&] { return NoteWindows() == 1; }));
    EXPECT_EQ(m_pApp->Documents().Documents().first()->PathName(), strNote);
    EXPECT_TRUE(QDir(Fallback()).exists());
    EXPECT_TRUE(QDir(otherUsers.path()).isEmpty());
}
