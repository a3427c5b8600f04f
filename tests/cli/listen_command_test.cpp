#include "tests/support/cli_listener.h"
#include "tests/support/event_loop.h"
#include "tests/support/raw_client.h"

#include <QTcpServer>

#include <gtest/gtest.h>

#include <csignal>

using namespace std::chrono_literals;

TEST(ListenCommand, PrintsEachNoteAsOneJsonLine)
{
    CCliListener listener;
    const quint16 nPort = listener.Start();
    ASSERT_NE(nPort, 0) << listener.StandardError().constData();

    EXPECT_EQ(AskRawClient(nPort, "  ann \x80/$0Caf\xE9?/$1PC7/$2Lunch/$31/$4"), "36");
    const QJsonObject note = listener.NextNote();
    EXPECT_EQ(note.value(QStringLiteral("nickname")).toString(), QStringLiteral("ann \u20AC"));
    EXPECT_EQ(note.value(QStringLiteral("body")).toString(), QStringLiteral("Café?"));
    EXPECT_EQ(note.value(QStringLiteral("system")).toString(), QStringLiteral("PC7"));
    EXPECT_EQ(note.value(QStringLiteral("title")).toString(), QStringLiteral("Lunch"));
    EXPECT_EQ(note.value(QStringLiteral("priority")).toInt(), 1);
    EXPECT_EQ(note.value(QStringLiteral("address")).toString(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(note.value(QStringLiteral("bytes")).toInt(), 36);

    EXPECT_EQ(AskRawClient(nPort, "plain words"), "11");
    EXPECT_EQ(listener.NextNote().value(QStringLiteral("body")).toString(),
              QStringLiteral("plain words"));

    // No control character of a peer reaches the terminal raw: not ESC, not DEL,
    // not the C1 controls that the code page's unassigned bytes stand for.
    EXPECT_EQ(AskRawClient(nPort, "eve\x9d/$0\x1b]2;x\x07\x90\x7f\x81\x8d\x8f\x9b/$1PC/$2T/$30/$4"),
              "35");
    const QByteArray strLine = listener.NextLine();
    EXPECT_TRUE(strLine.contains("\"body\":\"\\u001b]2;x\\u0007\\u0090\\u007f\\u0081\\u008d\\u008f"
                                 "\xE2\x80\xBA\""))
        << strLine.constData();
    EXPECT_TRUE(strLine.contains("\"nickname\":\"eve\\u009d\"")) << strLine.constData();

    listener.Signal(SIGTERM);
    ASSERT_TRUE(listener.WaitForExit());
    EXPECT_EQ(listener.Process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(listener.Process().exitCode(), 0);
    const QByteArray strErr = listener.StandardError();
    EXPECT_TRUE(strErr.contains("Listening ...\n"));
    EXPECT_TRUE(strErr.contains("Incoming ...\nListening\n"));
}

TEST(ListenCommand, EndsCleanlyOnInterrupt)
{
    CCliListener listener;
    ASSERT_NE(listener.Start(), 0);
    listener.Signal(SIGINT);
    ASSERT_TRUE(listener.WaitForExit());
    EXPECT_EQ(listener.Process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(listener.Process().exitCode(), 0);
}

TEST(CommandLine, HelpVersionAndMistakes)
{
    const CCliRun version = RunCli({QStringLiteral("--version")});
    EXPECT_EQ(version.nExitCode, 0);
    EXPECT_EQ(version.strOut, "blipnote-cli 2.11\n");
    const CCliRun help = RunCli({QStringLiteral("--help")});
    EXPECT_EQ(help.nExitCode, 0);
    EXPECT_TRUE(help.strOut.contains("listen"));
    EXPECT_TRUE(help.strOut.contains("send"));
    EXPECT_EQ(RunCli({QStringLiteral("listen"), QStringLiteral("--help")}).nExitCode, 0);
    EXPECT_EQ(RunCli({QStringLiteral("send"), QStringLiteral("--help")}).nExitCode, 0);
    EXPECT_EQ(RunCli({}).nExitCode, 2);
    EXPECT_EQ(RunCli({QStringLiteral("frobnicate")}).nExitCode, 2);
    EXPECT_EQ(RunCli({QStringLiteral("listen"), QStringLiteral("--port"), QStringLiteral("70000")})
                  .nExitCode,
              2);
    EXPECT_EQ(RunCli({QStringLiteral("listen"), QStringLiteral("--port")}).nExitCode, 2);
}

TEST(CommandLine, EveryCommandShowsItsHelpAndRefusesWhatItDoesNotTake)
{
    for (const char* pszCommand : {"listen", "send", "hosts", "show", "fingerd", "help"}) {
        const QString strCommand = QString::fromLatin1(pszCommand);
        const CCliRun help = RunCli({strCommand, QStringLiteral("--help")});
        EXPECT_EQ(help.nExitCode, 0) << pszCommand;
        EXPECT_TRUE(help.strOut.startsWith("Usage: blipnote-cli " + QByteArray(pszCommand)))
            << help.strOut.constData();
        EXPECT_TRUE(help.strOut.contains("--help")) << pszCommand;
        const CCliRun wrong = RunCli({strCommand, QStringLiteral("--no-such-option")});
        EXPECT_EQ(wrong.nExitCode, 2) << pszCommand;
        EXPECT_EQ(wrong.strErr, "blipnote-cli " + QByteArray(pszCommand) +
                                    ": Unknown option 'no-such-option'.\n");
        EXPECT_TRUE(wrong.strOut.isEmpty()) << pszCommand;
    }
    const CCliRun extra = RunCli({QStringLiteral("hosts"), QStringLiteral("extra")});
    EXPECT_EQ(extra.nExitCode, 2);
    EXPECT_EQ(extra.strErr, "blipnote-cli hosts: unexpected argument 'extra'\n");
    const CCliRun two = RunCli({QStringLiteral("show"), QStringLiteral("a"), QStringLiteral("b")});
    EXPECT_EQ(two.nExitCode, 2);
    EXPECT_EQ(two.strErr, "blipnote-cli show: name one note file\n");
}

TEST(CommandLine, HelpCommandShowsWhatTheHelpOptionShows)
{
    const CCliRun usage = RunCli({QStringLiteral("help")});
    EXPECT_EQ(usage.nExitCode, 0);
    EXPECT_EQ(usage.strOut, RunCli({QStringLiteral("--help")}).strOut);
    EXPECT_TRUE(usage.strOut.contains("\n  help ")) << usage.strOut.constData();
    for (const char* pszCommand : {"listen", "send", "hosts", "show", "fingerd", "seek", "help"}) {
        const QString strCommand = QString::fromLatin1(pszCommand);
        const CCliRun help = RunCli({QStringLiteral("help"), strCommand});
        EXPECT_EQ(help.nExitCode, 0) << pszCommand;
        EXPECT_TRUE(help.strErr.isEmpty()) << help.strErr.constData();
        EXPECT_TRUE(help.strOut.startsWith("Usage: blipnote-cli " + QByteArray(pszCommand)))
            << help.strOut.constData();
        EXPECT_EQ(help.strOut, RunCli({strCommand, QStringLiteral("--help")}).strOut) << pszCommand;
    }
    const CCliRun unknown = RunCli({QStringLiteral("help"), QStringLiteral("nosuch")});
    EXPECT_EQ(unknown.nExitCode, 2);
    EXPECT_EQ(unknown.strErr,
              "blipnote-cli help: unknown command 'nosuch'\nTry 'blipnote-cli --help'.\n");
    EXPECT_TRUE(unknown.strOut.isEmpty());
    const CCliRun two =
        RunCli({QStringLiteral("help"), QStringLiteral("send"), QStringLiteral("listen")});
    EXPECT_EQ(two.nExitCode, 2);
    EXPECT_EQ(two.strErr, "blipnote-cli help: unexpected argument 'listen'\n");
}

TEST(ListenCommand, APlaceItCannotListenOnIsNamedWithTheReason)
{
    QTcpServer taken;
    ASSERT_TRUE(taken.listen(QHostAddress::AnyIPv4));
    const CCliRun busy = RunCli(
        {QStringLiteral("listen"), QStringLiteral("--port"), QString::number(taken.serverPort())});
    EXPECT_EQ(busy.nExitCode, 1);
    EXPECT_TRUE(busy.strErr.endsWith("blipnote-cli listen: cannot listen on port " +
                                     QByteArray::number(taken.serverPort()) +
                                     ": Address already in use\n"))
        << busy.strErr.constData();
    // An address of no interface of this machine (binding sends nothing).
    const CCliRun elsewhere =
        RunCli({QStringLiteral("fingerd"), QStringLiteral("--address"), QStringLiteral("192.0.2.1"),
                QStringLiteral("--port"), QStringLiteral("0")});
    EXPECT_EQ(elsewhere.nExitCode, 1);
    EXPECT_TRUE(elsewhere.strErr.endsWith("blipnote-cli fingerd: cannot listen on 192.0.2.1 port "
                                          "0: Cannot assign requested address\n"))
        << elsewhere.strErr.constData();
    EXPECT_EQ(
        RunCli({QStringLiteral("listen"), QStringLiteral("--address"), QStringLiteral("localhost")})
            .strErr,
        "blipnote-cli listen: invalid address 'localhost'\n");
}
