#include "tests/support/cli_listener.h"
#include "tests/support/event_loop.h"
#include "tests/support/raw_client.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

TEST(NoteFilesCommands, AReceivedNoteIsKeptAndShown)
{
    QTemporaryDir folder;
    CCliListener listener;
    ASSERT_TRUE(listener.StartWith({QStringLiteral("--port"), QStringLiteral("0"),
                                    QStringLiteral("--save-dir"), folder.path()},
                                   QStringLiteral("^port \\d+$")));
    const QString strPort =
        QString::fromUtf8(listener.StandardError()).section(QStringLiteral("port "), 1).trimmed();

    for (int n = 0; n < 2; ++n) {
        const CCliRun run =
            RunCli({QStringLiteral("send"), QStringLiteral("--port"), strPort,
                    QStringLiteral("--nick"), QStringLiteral("ann"), QStringLiteral("--system"),
                    QStringLiteral("PC7"), QStringLiteral("--title"), QStringLiteral("Lunch"),
                    QStringLiteral("--priority"), QStringLiteral("--text"),
                    QStringLiteral("Shall we go?"), QStringLiteral("127.0.0.1")});
        ASSERT_EQ(run.nExitCode, 0) << run.strErr.constData();
    }
    const QString strFirst = listener.NextNote().value(QStringLiteral("file")).toString();
    const QString strSecond = listener.NextNote().value(QStringLiteral("file")).toString();
    ASSERT_FALSE(strFirst.isEmpty());
    EXPECT_NE(strFirst, strSecond); // a second note never replaces the first
    EXPECT_TRUE(strFirst.endsWith(QStringLiteral(".bni")));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), 2);

    const CCliRun show = RunCli({QStringLiteral("show"), strFirst});
    ASSERT_EQ(show.nExitCode, 0) << show.strErr.constData();
    const QJsonObject note = QJsonDocument::fromJson(show.strOut).object();
    EXPECT_EQ(note.value(QStringLiteral("nickname")).toString(), QStringLiteral("ann"));
    EXPECT_EQ(note.value(QStringLiteral("body")).toString(), QStringLiteral("Shall we go?"));
    EXPECT_EQ(note.value(QStringLiteral("system")).toString(), QStringLiteral("PC7"));
    EXPECT_EQ(note.value(QStringLiteral("subject")).toString(), QStringLiteral("Lunch"));
    EXPECT_EQ(note.value(QStringLiteral("priority")).toInt(), 1);
    EXPECT_EQ(note.value(QStringLiteral("address")).toString(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(note.value(QStringLiteral("sendState")).toInt(), 0);
    EXPECT_EQ(note.value(QStringLiteral("reserved")).toInt(), 0);
    EXPECT_EQ(note.value(QStringLiteral("time")).toString().size(), 18); // dd.mm.yy  hh:mm:ss
}

TEST(NoteFilesCommands, ShowReportsFilesThatAreNoNotes)
{
    QTemporaryDir folder;
    const QString strPath = folder.filePath(QStringLiteral("fake.bno"));
    QFile file(strPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a note");
    file.close();
    const CCliRun run = RunCli({QStringLiteral("show"), strPath});
    EXPECT_EQ(run.nExitCode, 1);
    EXPECT_TRUE(run.strOut.isEmpty());
    EXPECT_TRUE(run.strErr.contains("Unexpected file format.")) << run.strErr.constData();
    EXPECT_EQ(
        RunCli({QStringLiteral("show"), folder.filePath(QStringLiteral("none.bni"))}).nExitCode, 1);
    EXPECT_EQ(RunCli({QStringLiteral("show")}).nExitCode, 2);
}

TEST(NoteFilesCommands, ListenTakesItsPortFromTheSettings)
{
    quint16 nPort = 0;
    {
        QTcpServer probe; // a port that is free right now
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        nPort = probe.serverPort();
    }
    CTestSettingsFile file;
    file.Settings().m_nIpPort = nPort;
    file.Write();
    CCliListener listener;
    ASSERT_TRUE(listener.StartWith({})) << listener.StandardError().constData();
    const CCliRun run = RunCli({QStringLiteral("send"), QStringLiteral("--text"),
                                QStringLiteral("hi"), QStringLiteral("127.0.0.1")});
    EXPECT_EQ(run.strOut, "127.0.0.1: Send successful\n");
    EXPECT_EQ(listener.NextNote().value(QStringLiteral("body")).toString(), QStringLiteral("hi"));
}

TEST(FingerdCommand, AnswersAndPrintsEachQuery)
{
    CTestSettingsFile file;
    file.Settings().m_strPlan = "Gone fishing.";
    file.Write();
    QProcess fingerd;
    fingerd.start(QStringLiteral(BLIPNOTE_CLI_PATH),
                  {QStringLiteral("fingerd"), QStringLiteral("--port"), QStringLiteral("0")});
    QByteArray strErr;
    ASSERT_TRUE(SpinUntil([&] {
        strErr += fingerd.readAllStandardError();
        return strErr.contains("finger server on port ");
    }));
    const quint16 nPort =
        static_cast<quint16>(strErr.mid(strErr.indexOf("port ") + 5).trimmed().toUInt());
    CRawClientScript script;
    script.nPort = nPort;
    script.strFirst = "ann\r\n";
    auto result = RunRawClient(script);
    ASSERT_TRUE(SpinUntil(
        [&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
    EXPECT_TRUE(result.get().strAnswer.endsWith("Gone fishing.\n"));
    QByteArray strOut;
    ASSERT_TRUE(SpinUntil([&] {
        strOut += fingerd.readAllStandardOutput();
        return strOut.contains('\n');
    }));
    const QJsonObject query = QJsonDocument::fromJson(strOut.left(strOut.indexOf('\n'))).object();
    EXPECT_EQ(query.value(QStringLiteral("query")).toString(), QStringLiteral("ann"));
    EXPECT_EQ(query.value(QStringLiteral("from")).toString(), QStringLiteral("127.0.0.1"));
    fingerd.kill();
    fingerd.waitForFinished();
}

TEST(ShowCommand, AFifoIsRefusedAtOnce)
{
    QTemporaryDir dir;
    const QString strFifo = dir.filePath(QStringLiteral("pipe.bni"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(strFifo).constData(), 0600), 0);
    const CCliRun run = RunCli({QStringLiteral("show"), strFifo});
    EXPECT_EQ(run.nExitCode, 1);
    EXPECT_EQ(run.strErr,
              "blipnote-cli show: " + QFile::encodeName(strFifo) + ": Failed to open document.\n");
}
