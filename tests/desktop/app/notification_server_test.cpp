// The desktop program on a display of its own, with a real tray and a real
// notification server on a private session bus, as a user's desktop runs them:
// notes sent with the command-line tool are told of by the notification server,
// which is read back with its own control tool.
#include "tests/support/event_loop.h"
#include "tests/support/raw_client.h"
#include "tests/support/sample_notes.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <vector>

using namespace std::chrono_literals;

namespace {

// What the notification server shows, with the urgency before it.
constexpr char kDunstConfig[] = R"([global]
    format = "%s|%b"
[urgency_low]
    format = "low|%s|%b"
[urgency_normal]
    format = "normal|%s|%b"
    timeout = 0
[urgency_critical]
    format = "critical|%s|%b"
    timeout = 0
)";

class NotificationServerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* pszTool : {"Xvfb", "dunst", "dunstctl", "xdotool", "trayer"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(pszTool)).isEmpty())
                GTEST_SKIP() << pszTool << " is not installed (scripts/install-deps.sh)";
        }
        if (!QDBusConnection::sessionBus().isConnected())
            GTEST_SKIP() << "no session bus: run in dbus-run-session";
        ASSERT_TRUE(m_home.isValid());
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        m_environment.insert(QStringLiteral("HOME"), m_home.path());
        m_environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                             m_home.filePath(QStringLiteral("config")));
        StartDisplay();
    }

    void TearDown() override
    {
        // The program first: it must not outlive the display it shows on. Asked
        // to end, so that the X server takes its lock and socket with it.
        for (auto it = m_processes.rbegin(); it != m_processes.rend(); ++it) {
            (*it)->terminate();
            if (!(*it)->waitForFinished(3000)) {
                (*it)->kill();
                (*it)->waitForFinished(3000);
            }
        }
    }

    QProcess& Launch(const QString& strProgram, const QStringList& arguments)
    {
        auto& process = *m_processes.emplace_back(std::make_unique<QProcess>());
        process.setProcessEnvironment(m_environment);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(strProgram, arguments);
        EXPECT_TRUE(process.waitForStarted()) << qPrintable(strProgram);
        return process;
    }

    // Runs a tool to its end; its output.
    QByteArray Run(const QString& strProgram, const QStringList& arguments)
    {
        QProcess process;
        process.setProcessEnvironment(m_environment);
        process.start(strProgram, arguments);
        if (!process.waitForFinished(10000))
            ADD_FAILURE() << "no end: " << qPrintable(strProgram);
        return process.readAllStandardOutput();
    }

    void StartDisplay()
    {
        // The X server picks a free display and says which; it is kept as it
        // is when the tools that look at it come and go (no reset).
        QProcess& xvfb =
            Launch(QStringLiteral("Xvfb"),
                   {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-noreset"),
                    QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("1024x600x24"),
                    QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        ASSERT_TRUE(SpinUntil([&] { return xvfb.canReadLine(); }, 10s));
        m_environment.insert(QStringLiteral("DISPLAY"),
                             u':' + QString::fromLatin1(xvfb.readLine().trimmed()));
        // The tray, started again should it not get hold of the display at once.
        QProcess* pTray = nullptr;
        ASSERT_TRUE(SpinUntil(
            [&] {
                if (!pTray || pTray->state() == QProcess::NotRunning)
                    pTray = &Launch(QStringLiteral("trayer"),
                                    {QStringLiteral("--edge"), QStringLiteral("bottom")});
                return !Run(QStringLiteral("xdotool"),
                            {QStringLiteral("search"), QStringLiteral("--class"),
                             QStringLiteral("trayer")})
                            .isEmpty();
            },
            10s));
    }

    QProcess& StartNotificationServer()
    {
        const QString strConfig = m_home.filePath(QStringLiteral("dunstrc"));
        QFile config(strConfig);
        EXPECT_TRUE(config.open(QIODevice::WriteOnly));
        config.write(kDunstConfig);
        config.close();
        QProcess& dunst = Launch(QStringLiteral("dunst"), {QStringLiteral("-config"), strConfig});
        EXPECT_TRUE(SpinUntil(
            [] {
                return QDBusConnection::sessionBus().interface()->isServiceRegistered(
                    QStringLiteral("org.freedesktop.Notifications"));
            },
            10s));
        return dunst;
    }

    // The desktop program, started as at login, with its notes on a free port.
    void StartProgram()
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
        m_nPort = probe.serverPort();
        probe.close();
        const QString strFolder = m_home.filePath(QStringLiteral("config/Tessaro"));
        ASSERT_TRUE(QDir().mkpath(strFolder));
        QFile settings(strFolder + QStringLiteral("/Blipnote.conf"));
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
        // Neither pop-up nor priority box: the notes wait unread.
        settings.write(
            "[Settings]\nversion=2\ngreetings=1\nIP Port=" + QByteArray::number(m_nPort) +
            "\nUse Sound=0\nUse PopUp=0\nUse Priority=0\nUse TrayArea=1\n\n"
            "[FingerD-Settings]\nUse FingerD=0\n");
        settings.close();
        m_pProgram = &Launch(QStringLiteral(BLIPNOTE_DESKTOP_PATH), {QStringLiteral("--hidden")});
        ASSERT_TRUE(SpinUntil(
            [&] {
                QTcpSocket socket;
                socket.connectToHost(QHostAddress::LocalHost, m_nPort);
                return socket.waitForConnected(200);
            },
            10s));
    }

    QByteArray Send(const QStringList& options)
    {
        return Run(QStringLiteral(BLIPNOTE_CLI_PATH),
                   QStringList{QStringLiteral("send"), QStringLiteral("--port"),
                               QString::number(m_nPort)} +
                       options + QStringList{QStringLiteral("127.0.0.1")});
    }

    int Displayed()
    {
        return Run(QStringLiteral("dunstctl"),
                   {QStringLiteral("count"), QStringLiteral("displayed")})
            .trimmed()
            .toInt();
    }

    // The notifications the server has closed, newest first, each as a map of
    // its fields' texts.
    QList<QVariantMap> History()
    {
        const QJsonObject history =
            QJsonDocument::fromJson(Run(QStringLiteral("dunstctl"), {QStringLiteral("history")}))
                .object();
        QList<QVariantMap> entries;
        for (const QJsonValue& entry :
             history.value(QStringLiteral("data")).toArray().at(0).toArray()) {
            QVariantMap fields;
            const QJsonObject object = entry.toObject();
            for (auto it = object.begin(); it != object.end(); ++it)
                fields.insert(it.key(),
                              it.value().toObject().value(QStringLiteral("data")).toVariant());
            entries.append(fields);
        }
        return entries;
    }

    // The program's windows that are on the screen.
    QByteArray ShownWindows()
    {
        return Run(QStringLiteral("xdotool"),
                   {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                    QStringLiteral("--name"), QStringLiteral("^Blipnote"),
                    QStringLiteral("getwindowname"), QStringLiteral("%@")});
    }

    QTemporaryDir m_home;
    QProcessEnvironment m_environment;
    std::vector<std::unique_ptr<QProcess>> m_processes;
    QProcess* m_pProgram = nullptr;
    quint16 m_nPort = 0;
};

} // namespace

TEST_F(NotificationServerTest, NotesAreToldOfClickedOpenAndNeverFloodTheDesktop)
{
    QProcess& dunst = StartNotificationServer();
    StartProgram();
    // Started as at login: in the tray, no window on the screen.
    EXPECT_EQ(ShownWindows(), QByteArray());

    EXPECT_TRUE(Send({QStringLiteral("--nick"), QStringLiteral("ann"), QStringLiteral("--title"),
                      QStringLiteral("Lunch"), QStringLiteral("--text"),
                      QStringLiteral("Lunch <b>at</b> noon & more?\nThe new place.")})
                    .contains("Send successful"));
    ASSERT_TRUE(SpinUntil([&] { return Displayed() == 1; }, 10s));
    QTest::qWait(1000);
    EXPECT_EQ(Displayed(), 1); // one note, one notification

    // A click on it: the note's window comes up, the notification goes.
    Run(QStringLiteral("dunstctl"), {QStringLiteral("action"), QStringLiteral("0")});
    ASSERT_TRUE(SpinUntil([&] { return ShownWindows().contains("Blipnote - Lunch"); }, 10s));
    ASSERT_TRUE(SpinUntil([&] { return Displayed() == 0; }, 10s));
    QList<QVariantMap> history = History();
    ASSERT_EQ(history.size(), 1);
    EXPECT_EQ(history[0].value(QStringLiteral("summary")).toString(),
              QStringLiteral("ann (127.0.0.1)"));
    EXPECT_EQ(history[0].value(QStringLiteral("body")).toString(),
              QStringLiteral("Lunch &lt;b&gt;at&lt;/b&gt; noon &amp; more?\nThe new place."));
    EXPECT_TRUE(history[0]
                    .value(QStringLiteral("message"))
                    .toString()
                    .startsWith(QStringLiteral("normal|")));
    EXPECT_EQ(history[0].value(QStringLiteral("category")).toString(),
              QStringLiteral("im.received"));
    EXPECT_EQ(history[0].value(QStringLiteral("appname")).toString(), QStringLiteral("Blipnote"));

    // The user goes elsewhere (the window leaves the screen); a high-priority note.
    Run(QStringLiteral("xdotool"),
        {QStringLiteral("search"), QStringLiteral("--name"), QStringLiteral("^Blipnote"),
         QStringLiteral("windowunmap"), QStringLiteral("%@")});
    QTest::qWait(300);
    EXPECT_TRUE(Send({QStringLiteral("--nick"), QStringLiteral("bob"), QStringLiteral("--priority"),
                      QStringLiteral("--text"), QStringLiteral("Server room is on fire")})
                    .contains("Send successful"));
    ASSERT_TRUE(SpinUntil([&] { return Displayed() == 1; }, 10s));
    Run(QStringLiteral("dunstctl"), {QStringLiteral("close-all")});
    ASSERT_TRUE(SpinUntil([&] { return History().size() == 2; }, 10s));
    EXPECT_EQ(History()[0].value(QStringLiteral("message")).toString(),
              QStringLiteral("critical|bob (127.0.0.1)|Server room is on fire"));

    // 200 notes in one burst: a handful of notifications at most, each in the
    // place of the one before.
    std::vector<std::future<CRawClientResult>> senders;
    for (int n = 0; n < 200; ++n) {
        CRawClientScript script;
        script.nPort = m_nPort;
        script.strFirst = SampleNotes::Numbered(n);
        senders.push_back(RunRawClient(script));
    }
    for (auto& sender : senders)
        EXPECT_FALSE(sender.get().strAnswer.isEmpty());
    EXPECT_TRUE(SpinUntil([&] { return Displayed() == 1; }, 10s));
    QTest::qWait(5000); // past the last replacement
    EXPECT_EQ(Displayed(), 1);
    Run(QStringLiteral("dunstctl"), {QStringLiteral("close-all")});
    ASSERT_TRUE(SpinUntil([&] { return History().size() >= 3; }, 10s));
    history = History();
    EXPECT_EQ(history.size(), 3);
    EXPECT_EQ(history[0].value(QStringLiteral("summary")).toString(),
              QStringLiteral("200 new notes from ann (127.0.0.1)"));

    // The notification server dies: notes still come in, the program runs on.
    dunst.kill();
    dunst.waitForFinished();
    for (int n = 0; n < 3; ++n)
        EXPECT_TRUE(
            Send({QStringLiteral("--text"), QStringLiteral("after")}).contains("Send successful"));
    EXPECT_EQ(m_pProgram->state(), QProcess::Running);
}
