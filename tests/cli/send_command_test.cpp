#include "core/messaging/note_listen_socket.h"
#include "core/settings/app_settings.h"
#include "core/settings/system_info.h"
#include "tests/support/cli_listener.h"
#include "tests/support/event_loop.h"
#include "tests/support/loopback.h"
#include "tests/support/recording_status_sink.h"

#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>

using namespace std::chrono_literals;

TEST(SendCommand, TwoCopiesExchangeNotes)
{
    CCliListener listener;
    const quint16 nPort = listener.Start();
    ASSERT_NE(nPort, 0);
    const QString strPort = QString::number(nPort);

    const CCliRun run = RunCli(
        {QStringLiteral("send"), QStringLiteral("--port"), strPort, QStringLiteral("--nick"),
         QStringLiteral("ann"), QStringLiteral("--system"), QStringLiteral("PC7"),
         QStringLiteral("--title"), QStringLiteral("Lunch"), QStringLiteral("--priority"),
         QStringLiteral("--text"), QStringLiteral("Shall we go? €5"), QStringLiteral("127.0.0.1")});
    EXPECT_EQ(run.nExitCode, 0) << run.strErr.constData();
    EXPECT_EQ(run.strOut, "127.0.0.1: Send successful\n");

    const QJsonObject note = listener.NextNote();
    EXPECT_EQ(note.value(QStringLiteral("nickname")).toString(), QStringLiteral("ann"));
    EXPECT_EQ(note.value(QStringLiteral("body")).toString(), QStringLiteral("Shall we go? €5"));
    EXPECT_EQ(note.value(QStringLiteral("system")).toString(), QStringLiteral("PC7"));
    EXPECT_EQ(note.value(QStringLiteral("title")).toString(), QStringLiteral("Lunch"));
    EXPECT_EQ(note.value(QStringLiteral("priority")).toInt(), 1);
    EXPECT_EQ(note.value(QStringLiteral("bytes")).toInt(), 42);
}

TEST(SendCommand, ReadsTheTextFromStandardInputWithNoteLineBreaks)
{
    CCliListener listener;
    const QString strPort = QString::number(listener.Start());
    const CCliRun run = RunCli({QStringLiteral("send"), QStringLiteral("--port"), strPort,
                                QStringLiteral("--delay"), QStringLiteral("0"),
                                QStringLiteral("127.0.0.1"), QStringLiteral("localhost")},
                               "first line\nsecond line\n");
    EXPECT_EQ(run.nExitCode, 0) << run.strErr.constData();
    EXPECT_EQ(run.strOut, "127.0.0.1: Send successful\nlocalhost: Send successful\n");
    for (int n = 0; n < 2; ++n) {
        const QJsonObject note = listener.NextNote();
        EXPECT_EQ(note.value(QStringLiteral("body")).toString(),
                  QStringLiteral("first line\r\nsecond line\r\n"));
        EXPECT_EQ(note.value(QStringLiteral("title")).toString(), QStringLiteral("MessageOut1"));
        EXPECT_EQ(note.value(QStringLiteral("priority")).toInt(), 0);
    }
}

TEST(SendCommand, ReportsEachRecipientAndFailsWhenOneFails)
{
    CCliListener listener;
    const QString strPort = QString::number(listener.Start());
    const CCliRun run = RunCli({QStringLiteral("send"), QStringLiteral("--port"), strPort,
                                QStringLiteral("--text"), QStringLiteral("hi"),
                                QStringLiteral("127.0.0.1"), QStringLiteral("no such host!")});
    EXPECT_EQ(run.nExitCode, 1);
    EXPECT_EQ(run.strOut, "127.0.0.1: Send successful\n"
                          "no such host!: Error during Send ! Cannot connect to no such host!\n");
    // The error is not printed a second time as a message.
    EXPECT_FALSE(run.strErr.contains("Cannot connect"));
}

TEST(SendCommand, SingleSendsToTheFirstOnly)
{
    CCliListener listener;
    const QString strPort = QString::number(listener.Start());
    const CCliRun run =
        RunCli({QStringLiteral("send"), QStringLiteral("--port"), strPort,
                QStringLiteral("--single"), QStringLiteral("--text"), QStringLiteral("hi"),
                QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.2")});
    EXPECT_EQ(run.nExitCode, 0);
    EXPECT_EQ(run.strOut, "127.0.0.1: Send successful\n");
}

TEST(SendCommand, RefusesTextsTheCodePageCannotHold)
{
    const CCliRun run = RunCli({QStringLiteral("send"), QStringLiteral("--text"),
                                QStringLiteral("Привет"), QStringLiteral("127.0.0.1")});
    EXPECT_EQ(run.nExitCode, 2);
    EXPECT_TRUE(run.strOut.isEmpty());
    EXPECT_TRUE(run.strErr.contains("cannot carry")) << run.strErr.constData();
    EXPECT_EQ(
        RunCli({QStringLiteral("send"), QStringLiteral("--text"), QStringLiteral("x")}).nExitCode,
        2);
}

TEST(SendCommand, TakesPortNicknameAndRecipientsFromTheSettings)
{
    CTestSettingsFile file;
    CCliListener listener;
    const quint16 nPort = listener.Start();
    ASSERT_NE(nPort, 0);
    CAppSettings& settings = file.Settings();
    settings.SetIpPort(nPort);
    settings.SetNickname("zed");
    settings.SetMultiSendDelay(0);
    file.Hosts().Replace(
        {{"ann", "127.0.0.1", "lab"}, {"bob", "127.0.0.2", "lab"}, {"eve", "127.0.0.3", "other"}});
    const QByteArray strFile = file.Write();

    const CCliRun group = RunCli({QStringLiteral("send"), QStringLiteral("--text"),
                                  QStringLiteral("hi all"), QStringLiteral("Group lab")});
    EXPECT_EQ(group.nExitCode, 0) << group.strErr.constData();
    // One line per address, in the order the sends ended.
    QList<QByteArray> lines = group.strOut.trimmed().split('\n');
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines,
              QList<QByteArray>({"127.0.0.1: Send successful", "127.0.0.2: Send successful"}));
    for (int n = 0; n < 2; ++n)
        EXPECT_EQ(listener.NextNote().value(QStringLiteral("nickname")).toString(),
                  QStringLiteral("zed"));

    const CCliRun nick = RunCli({QStringLiteral("send"), QStringLiteral("--text"),
                                 QStringLiteral("hi"), QStringLiteral("eve")});
    EXPECT_EQ(nick.strOut, "127.0.0.3: Send successful\n");
    EXPECT_EQ(listener.NextNote().value(QStringLiteral("body")).toString(), QStringLiteral("hi"));

    // The tools never write the settings.
    QFile after(file.Path());
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), strFile);
}

TEST(SendCommand, AClearedNicknameSendsUnderTheAccountName)
{
    // "Nickname=" stored: a note must not begin with its first tag, which a
    // receiver reads as untagged text.
    CTestSettingsFile file;
    CCliListener listener;
    file.Settings().SetIpPort(listener.Start());
    file.Settings().SetNickname({});
    file.Write();
    const CCliRun run = RunCli({QStringLiteral("send"), QStringLiteral("--text"),
                                QStringLiteral("hi"), QStringLiteral("127.0.0.1")});
    EXPECT_EQ(run.nExitCode, 0) << run.strErr.constData();
    const QJsonObject note = listener.NextNote();
    EXPECT_EQ(note.value(QStringLiteral("nickname")).toString().toUtf8(), SystemInfo::UserName());
    EXPECT_EQ(note.value(QStringLiteral("body")).toString(), QStringLiteral("hi"));
}

TEST(SendCommand, MultiSendOffInTheSettingsServesTheFirstAddress)
{
    CTestSettingsFile file;
    CCliListener listener;
    const quint16 nPort = listener.Start();
    file.Settings().SetIpPort(nPort);
    file.Settings().SetMultiSend(false);
    file.Hosts().Replace({{"ann", "127.0.0.1", "lab"}, {"bob", "127.0.0.2", "lab"}});
    file.Write();
    const CCliRun run = RunCli({QStringLiteral("send"), QStringLiteral("--text"),
                                QStringLiteral("hi"), QStringLiteral("Group lab")});
    EXPECT_EQ(run.nExitCode, 0);
    EXPECT_EQ(run.strOut, "127.0.0.1: Send successful\n");
}

TEST(SendCommand, AddressesBeyondTheLimitAreReportedNotDropped)
{
    // A group of 300 hosts, and the same 300 addresses typed: 250 get the note,
    // each of the other 50 gets a line saying it was not sent, and the status
    // says that not every address got the note.
    CTestSettingsFile file;
    CCliListener listener;
    const quint16 nPort = listener.Start();
    ASSERT_NE(nPort, 0);
    file.Settings().SetIpPort(nPort);
    file.Settings().SetMultiSendDelay(0);
    QList<CHostEntry> hosts;
    QStringList typed;
    QList<QByteArray> expectedNotSent;
    for (int n = 0; n < 300; ++n) {
        const QByteArray strAddress =
            "127.0." + QByteArray::number(n / 200) + '.' + QByteArray::number(n % 200 + 1);
        hosts.append({"h" + QByteArray::number(n), strAddress, "lab"});
        typed.append(QString::fromLatin1(strAddress));
        if (n >= 250)
            expectedNotSent.append(strAddress + ": not sent: more than 250 recipients");
    }
    file.Hosts().Replace(hosts);
    file.Write();

    for (const QStringList& recipients : {QStringList{QStringLiteral("Group lab")}, typed}) {
        const CCliRun run = RunCli(
            QStringList{QStringLiteral("send"), QStringLiteral("--text"), QStringLiteral("hi")} +
            recipients);
        EXPECT_EQ(run.nExitCode, 1) << recipients.size();
        EXPECT_TRUE(run.strErr.isEmpty()) << run.strErr.constData();
        QList<QByteArray> notSent;
        int nSuccessful = 0;
        for (const QByteArray& strLine : run.strOut.trimmed().split('\n')) {
            if (strLine.endsWith(": Send successful"))
                ++nSuccessful;
            else
                notSent.append(strLine);
        }
        EXPECT_EQ(nSuccessful, 250);
        EXPECT_EQ(notSent, expectedNotSent);
        for (int n = 0; n < 250; ++n)
            ASSERT_FALSE(listener.NextNote().isEmpty()) << n;
    }
}

TEST(HostsCommand, PrintsTheHostList)
{
    CTestSettingsFile file;
    file.Hosts().Replace({{"ann", "10.0.0.5", "lab"}, {"b\xE9la", "10.0.0.6", "default"}});
    file.Write();
    const CCliRun run = RunCli({QStringLiteral("hosts")});
    EXPECT_EQ(run.nExitCode, 0);
    EXPECT_EQ(
        QString::fromUtf8(run.strOut),
        QStringLiteral("{\"address\":\"10.0.0.5\",\"group\":\"lab\",\"nickname\":\"ann\"}\n"
                       "{\"address\":\"10.0.0.6\",\"group\":\"default\",\"nickname\":\"béla\"}\n"));
}

TEST(SendCommand, InterruptedWhileWaitingForTheAnswer)
{
    // Ctrl-C while the receiver still owes its answer: the tool ends at once,
    // reports nothing for the address and says it was interrupted.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    QProcess send;
    send.start(QStringLiteral(BLIPNOTE_CLI_PATH),
               {QStringLiteral("send"), QStringLiteral("--port"),
                QString::number(silent.serverPort()), QStringLiteral("--text"),
                QStringLiteral("hello"), QStringLiteral("127.0.0.1")});
    ASSERT_TRUE(send.waitForStarted());
    ASSERT_TRUE(silent.waitForNewConnection(20000));
    QTcpSocket* pPeer = silent.nextPendingConnection();
    ASSERT_TRUE(SpinUntil([&] {
        pPeer->waitForReadyRead(10);
        return pPeer->bytesAvailable() > 0;
    }));
    ::kill(static_cast<pid_t>(send.processId()), SIGINT);
    ASSERT_TRUE(send.waitForFinished(20000));
    EXPECT_EQ(send.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(send.exitCode(), 130);
    EXPECT_TRUE(send.readAllStandardOutput().isEmpty());
    EXPECT_TRUE(send.readAllStandardError().isEmpty());
}

TEST(SendCommand, RefusesATextHoldingAZeroByte)
{
    const CCliRun run = RunCli({QStringLiteral("send"), QStringLiteral("--port"),
                                QStringLiteral("9"), QStringLiteral("127.0.0.1")},
                               QByteArray("before\0after", 12));
    EXPECT_EQ(run.nExitCode, 2);
    EXPECT_EQ(run.strErr, "blipnote-cli send: the text holds a zero byte, which a note "
                          "cannot carry\n");
    EXPECT_TRUE(run.strOut.isEmpty());
}

TEST(SendCommand, ReadsAPipeToItsEndHoweverItArrives)
{
    // The writer pauses between pieces: the note still carries all of them.
    CCliListener listener;
    const QString strPort = QString::number(listener.Start());
    QProcess shell;
    shell.start(QStringLiteral("bash"),
                {QStringLiteral("-c"),
                 QStringLiteral("for n in 0 1 2 3; do head -c 20000 /dev/zero | tr '\\0' $n; "
                                "sleep 0.1; done | \"$0\" send --port \"$1\" 127.0.0.1"),
                 QStringLiteral(BLIPNOTE_CLI_PATH), strPort});
    ASSERT_TRUE(SpinUntil([&] { return shell.state() == QProcess::NotRunning; }));
    EXPECT_EQ(shell.exitCode(), 0) << shell.readAllStandardError().constData();
    EXPECT_EQ(shell.readAllStandardOutput(), "127.0.0.1: Send successful\n");
    const QString strBody = listener.NextNote().value(QStringLiteral("body")).toString();
    EXPECT_EQ(strBody.size(), 80000);
    EXPECT_TRUE(strBody.endsWith(QStringLiteral("33333")));
}

TEST(SendCommand, ATextBeyondTheLimitFromAPipeIsCutNotRefused)
{
    // Far more than any note, in two-byte letters: the text is cut at the
    // limit with the warning, even where the reading stopped inside a letter.
    CCliListener listener;
    const QString strPort = QString::number(listener.Start());
    QProcess shell;
    shell.start(QStringLiteral("bash"),
                {QStringLiteral("-c"),
                 QStringLiteral("{ printf a; yes \u00e9 | head -n 300000 | tr -d '\\n'; } | "
                                "\"$0\" send --port \"$1\" 127.0.0.1"),
                 QStringLiteral(BLIPNOTE_CLI_PATH), strPort});
    ASSERT_TRUE(SpinUntil([&] { return shell.state() == QProcess::NotRunning; }));
    const QByteArray strErr = shell.readAllStandardError();
    EXPECT_EQ(shell.exitCode(), 0) << strErr.constData();
    EXPECT_TRUE(strErr.contains("truncated to 110000")) << strErr.constData();
    const QString strBody = listener.NextNote().value(QStringLiteral("body")).toString();
    EXPECT_EQ(strBody.size(), 110000);
    EXPECT_TRUE(strBody.endsWith(QChar(0xE9)));
}

TEST(CommandLine, HelpAllIsHelpForEveryCommand)
{
    for (const char* pszCommand : {"listen", "send", "hosts", "show", "fingerd", "seek", "help"}) {
        const CCliRun run = RunCli({QString::fromLatin1(pszCommand), QStringLiteral("--help-all")});
        EXPECT_EQ(run.nExitCode, 0) << pszCommand << run.strErr.constData();
        EXPECT_TRUE(run.strOut.startsWith("Usage: blipnote-cli")) << pszCommand;
    }
}

TEST(SendCommand, WaitUpReachesAHostThatComesUpAndGivesUpAfterItsDuration)
{
    // The host comes up a second after the send began: the note reaches it,
    // once, and the line says so.
    const quint16 nPort = Loopback::UnusedPort();
    const QString strPort = QString::number(nPort);
    CRecordingStatusSink sink;
    CNoteListenSocket host(sink);
    QList<QByteArray> received;
    QObject::connect(&host, &CNoteListenSocket::NoteReceived,
                     [&](const QByteArray& strText, qint64) { received.append(strText); });
    QTimer::singleShot(1000ms, &host,
                       [&] { EXPECT_TRUE(host.Open(nPort, QHostAddress::LocalHost)); });
    const CCliRun reached =
        RunCli({QStringLiteral("send"), QStringLiteral("--port"), strPort,
                QStringLiteral("--wait-up"), QStringLiteral("1m"), QStringLiteral("--text"),
                QStringLiteral("hi"), QStringLiteral("127.0.0.1")});
    EXPECT_EQ(reached.nExitCode, 0) << reached.strErr.constData();
    EXPECT_EQ(reached.strOut, "127.0.0.1: Send successful\n");
    // Not a terminal: no progress line, and the first failure is not told.
    EXPECT_EQ(reached.strErr, "");
    ASSERT_EQ(received.size(), 1);
    EXPECT_TRUE(received.front().contains("hi"));

    // Nobody comes: after its duration the error it met, and status 1; an
    // address that is up is served at once beside it.
    const quint16 nDownPort = Loopback::UnusedPort();
    host.Close();
    ASSERT_TRUE(host.Open(nDownPort, QHostAddress(QStringLiteral("127.0.0.1"))));
    const CCliRun givenUp =
        RunCli({QStringLiteral("send"), QStringLiteral("--port"), QString::number(nDownPort),
                QStringLiteral("--wait-up"), QStringLiteral("2s"), QStringLiteral("--text"),
                QStringLiteral("hi"), QStringLiteral("127.0.0.2"), QStringLiteral("127.0.0.1")});
    EXPECT_EQ(givenUp.nExitCode, 1);
    EXPECT_EQ(givenUp.strOut, "127.0.0.1: Send successful\n"
                              "127.0.0.2: Error during Send ! Cannot connect to 127.0.0.2\n");
    EXPECT_EQ(received.size(), 2);

    // A duration that does not read is a mistake on the command line.
    const CCliRun bad =
        RunCli({QStringLiteral("send"), QStringLiteral("--wait-up"), QStringLiteral("soon"),
                QStringLiteral("--text"), QStringLiteral("hi"), QStringLiteral("127.0.0.1")});
    EXPECT_EQ(bad.nExitCode, 2);
    EXPECT_TRUE(bad.strErr.contains("invalid duration 'soon'")) << bad.strErr.constData();
}
