#include "tests/support/cli_listener.h"
#include "tests/support/event_loop.h"
#include "tests/support/loopback.h"
#include "tests/support/raw_client.h"
#include "tests/support/sample_notes.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

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
    const quint16 nPort = Loopback::UnusedPort();
    ASSERT_NE(nPort, 0);
    CTestSettingsFile file;
    file.Settings().SetIpPort(nPort);
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
    file.Settings().SetPlan("Gone fishing.");
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

namespace {

// A listener with a save folder, and a plain peer that sends it a note.
class SaveDirTest : public ::testing::Test
{
protected:
    void StartListener()
    {
        ASSERT_TRUE(m_listener.StartWith({QStringLiteral("--port"), QStringLiteral("0"),
                                          QStringLiteral("--save-dir"), m_folder.path()},
                                         QStringLiteral("^port \\d+$")));
        m_nPort = QString::fromUtf8(m_listener.StandardError())
                      .section(QStringLiteral("port "), 1)
                      .trimmed()
                      .toUShort();
    }

    // The answer the note server gave.
    QByteArray SendNote()
    {
        CRawClientScript script;
        script.nPort = m_nPort;
        script.strFirst = SampleNotes::Lunch;
        auto result = RunRawClient(script);
        EXPECT_TRUE(SpinUntil(
            [&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
        return result.get().strAnswer;
    }

    QTemporaryDir m_folder;
    CCliListener m_listener;
    quint16 m_nPort = 0;
};

} // namespace

TEST_F(SaveDirTest, ANoteIsAnsweredOnlyOnceItIsKept)
{
    StartListener();
    EXPECT_EQ(SendNote(), "39");
    EXPECT_FALSE(m_listener.NextNote().value(QStringLiteral("file")).toString().isEmpty());

    // The folder goes away: the note cannot be kept, its sender is told 0 and
    // the error names the file and the reason.
    ASSERT_TRUE(QDir(m_folder.path()).removeRecursively());
    EXPECT_EQ(SendNote(), "0");
    ASSERT_TRUE(SpinUntil([&] { return m_listener.StandardError().contains("cannot keep"); }));
    const QString strError = QString::fromUtf8(m_listener.StandardError());
    EXPECT_TRUE(strError.contains(
        QStringLiteral("blipnote-cli listen: cannot keep the note from 127.0.0.1 in %1/MessageIn-")
            .arg(m_folder.path())))
        << strError.toStdString();
    EXPECT_TRUE(strError.contains(QStringLiteral("No such file or directory")))
        << strError.toStdString();
}

TEST(ListenCommand, AClosedOutputEndsTheToolBeforeTheNextAnswer)
{
    // The reader of its output goes away at once ("| true"): the next note is
    // neither kept nor answered as received, and the tool ends.
    QTemporaryDir folder;
    CCliInShell tool(
        QStringLiteral("set -o pipefail; \"$0\" listen --port 0 --save-dir \"$1\" | true"),
        {folder.path()}, "port ");
    const quint16 nPort = tool.Port();
    ASSERT_NE(nPort, 0);
    CRawClientScript script;
    script.nPort = nPort;
    script.strFirst = SampleNotes::Lunch;
    auto result = RunRawClient(script);
    ASSERT_TRUE(SpinUntil(
        [&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
    EXPECT_EQ(result.get().strAnswer, "0");
    // The tool may well have ended while the answer was awaited above.
    ASSERT_TRUE(SpinUntil([&] { return tool.Process().state() == QProcess::NotRunning; }));
    EXPECT_EQ(tool.Process().exitCode(), 1);
    EXPECT_TRUE(tool.Errors().contains("blipnote-cli listen: standard output is closed"))
        << tool.Errors().constData();
    EXPECT_TRUE(QDir(folder.path()).entryList(QDir::Files).isEmpty());
}

TEST(ListenCommand, ASaveFolderThatCannotBeUsedIsNamedWithTheReason)
{
    QTemporaryDir dir;
    const QString strFile = dir.filePath(QStringLiteral("plain"));
    QFile file(strFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QString strMissing = dir.filePath(QStringLiteral("missing"));
    for (const auto& [strFolder, strReason] : {std::pair{strMissing, QByteArray("no such folder")},
                                               std::pair{strFile, QByteArray("not a folder")}}) {
        const CCliRun run = RunCli({QStringLiteral("listen"), QStringLiteral("--port"),
                                    QStringLiteral("0"), QStringLiteral("--save-dir"), strFolder});
        EXPECT_EQ(run.nExitCode, 2);
        EXPECT_EQ(run.strErr, "blipnote-cli listen: cannot save notes in '" +
                                  QFile::encodeName(strFolder) + "': " + strReason + "\n");
    }
}

TEST(ListenCommand, ANoteThatCannotBeWrittenWholeIsAnsweredWithZero)
{
    // Files may grow to 4 KiB only, as on a disk that fills up.
    QTemporaryDir folder;
    CCliInShell tool(QStringLiteral("ulimit -f 4; exec \"$0\" listen --port 0 --save-dir \"$1\""),
                     {folder.path()});
    const quint16 nPort = tool.Port();
    ASSERT_NE(nPort, 0);
    CRawClientScript script;
    script.nPort = nPort;
    script.strFirst = "ann/$0" + QByteArray(8000, 'x') + "/$1PC/$2T/$30/$4";
    auto result = RunRawClient(script);
    ASSERT_TRUE(SpinUntil(
        [&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
    EXPECT_EQ(result.get().strAnswer, "0");
    ASSERT_TRUE(SpinUntil([&] { return tool.Errors().contains("cannot keep"); }));
    EXPECT_TRUE(tool.Errors().contains("File too large")) << tool.Errors().constData();
    EXPECT_TRUE(QDir(folder.path()).entryList(QDir::Files).isEmpty());
}

TEST(ListenCommand, ANoteOnAFullDiskIsAnsweredZeroWithTheSystemsReason)
{
    // A small file system of its own, mounted in a mount namespace of the tool
    // (as an unprivileged user through a user namespace), and nearly filled:
    // a short note still fits, a long one fits only in part.
    QTemporaryDir folder;
    CCliInShell tool(
        QStringLiteral("exec unshare -m%1 --propagation private bash -c 'mount -t tmpfs -o "
                       "size=64k blipnote-test \"$2\" && head -c 45056 /dev/zero > \"$2/fill\" && "
                       "exec \"$1\" listen --port 0 --save-dir \"$2\"' - \"$0\" \"$1\"")
            .arg(::geteuid() == 0 ? QString() : QStringLiteral("r")),
        {folder.path()});
    const quint16 nPort = tool.Port();
    if (nPort == 0)
        GTEST_SKIP() << "cannot mount a small file system here: " << tool.Errors().constData();
    // The folder as the tool sees it, inside its namespace.
    const QDir seen(
        QStringLiteral("/proc/%1/root%2").arg(tool.Process().processId()).arg(folder.path()));

    EXPECT_EQ(AskRawClient(nPort, "ann/$0short/$1PC/$2T/$30/$4"), "27");
    const QByteArray strLong = "ann/$0" + QByteArray(40000, 'x') + "/$1PC/$2T/$30/$4";
    EXPECT_EQ(AskRawClient(nPort, strLong), "0");
    ASSERT_TRUE(SpinUntil([&] { return tool.Errors().contains("cannot keep"); }));
    EXPECT_TRUE(tool.Errors().contains(": No space left on device\n")) << tool.Errors().constData();
    // Nothing is left of the note that did not fit.
    EXPECT_EQ(seen.entryList(QDir::Files).size(), 2)
        << seen.entryList(QDir::Files).join(u' ').toStdString();
}
