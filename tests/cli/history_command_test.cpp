#include "core/notes/note_file.h"
#include "core/notes/tagged_text.h"
#include "tests/support/cli_listener.h"
#include "tests/support/event_loop.h"
#include "tests/support/loopback.h"
#include "tests/support/raw_client.h"
#include "tests/support/sample_notes.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <thread>

namespace {

// Every test keeps its history in a data folder of its own; the tools it
// starts find it there.
class HistoryCommandTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_data.path()));
        m_strHistory = m_data.filePath(QStringLiteral("Tessaro/Blipnote/history.db"));
    }

    std::vector<QJsonObject> History(const QStringList& options = {})
    {
        const CCliRun run = RunCli(QStringList{QStringLiteral("history")} + options);
        EXPECT_EQ(run.nExitCode, 0) << run.strErr.constData();
        std::vector<QJsonObject> notes;
        for (const QByteArray& strLine : run.strOut.split('\n')) {
            if (!strLine.isEmpty())
                notes.push_back(QJsonDocument::fromJson(strLine).object());
        }
        return notes;
    }
    QStringList Bodies(const QStringList& options = {})
    {
        QStringList bodies;
        for (const QJsonObject& note : History(options))
            bodies << note.value(QStringLiteral("body")).toString();
        return bodies;
    }

    QTemporaryDir m_data;
    QString m_strHistory;
};

TEST_F(HistoryCommandTest, WhatListenAnsweredSurvivesAKillAndIsFound)
{
    CCliListener listener;
    const quint16 nListening = listener.Start({QStringLiteral("--history")});
    ASSERT_NE(nListening, 0) << listener.StandardError().constData();
    const QList<QByteArray> notes = {
        TaggedText::Compose({"ann", "Lunch at NEAR noon? \"yes\"", "PC7", "Lunch", 1}),
        TaggedText::Compose({"bob", "it's 'quoted' * and OR", "PC8", "", 0}),
        TaggedText::Compose({"chloe", "caf\xe9 cr\xe8me", "PC9", "Dessert", 0}),
    };
    for (const QByteArray& strNote : notes)
        ASSERT_EQ(AskRawClient(nListening, strNote), QByteArray::number(strNote.size()));
    // Killed the instant after the last answer: every answered note was kept.
    listener.Signal(SIGKILL);
    ASSERT_TRUE(listener.WaitForExit());

    const std::vector<QJsonObject> kept = History();
    ASSERT_EQ(kept.size(), 3u);
    const QJsonObject& lunch = kept[2];
    EXPECT_EQ(lunch.value(QStringLiteral("nickname")).toString(), QStringLiteral("ann"));
    EXPECT_EQ(lunch.value(QStringLiteral("title")).toString(), QStringLiteral("Lunch"));
    EXPECT_EQ(lunch.value(QStringLiteral("priority")).toInt(), 1);
    EXPECT_EQ(lunch.value(QStringLiteral("address")).toString(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(lunch.value(QStringLiteral("direction")).toString(), QStringLiteral("in"));
    EXPECT_EQ(lunch.value(QStringLiteral("bytes")).toInt(), notes[0].size());
    EXPECT_TRUE(
        QDateTime::fromString(lunch.value(QStringLiteral("time")).toString(), Qt::ISODateWithMs)
            .isValid());
    EXPECT_EQ(kept[0].value(QStringLiteral("body")).toString(), QStringLiteral("café crème"));

    // Searches as typed: words, never syntax.
    EXPECT_EQ(Bodies({QStringLiteral("--search"), QStringLiteral("\"near\"")}),
              QStringList{QStringLiteral("Lunch at NEAR noon? \"yes\"")});
    EXPECT_EQ(Bodies({QStringLiteral("--search"), QStringLiteral("'quoted' *")}),
              QStringList{QStringLiteral("it's 'quoted' * and OR")});
    EXPECT_EQ(Bodies({QStringLiteral("--search"), QStringLiteral("CAF")}),
              QStringList{QStringLiteral("café crème")});
    EXPECT_EQ(Bodies({QStringLiteral("--search"), QStringLiteral("OR")}).size(), 1);
    EXPECT_TRUE(Bodies({QStringLiteral("--direction"), QStringLiteral("out")}).isEmpty());
    EXPECT_EQ(Bodies({QStringLiteral("--host"), QStringLiteral("127.0.0.1"),
                      QStringLiteral("--limit"), QStringLiteral("2")})
                  .size(),
              2);
    EXPECT_TRUE(Bodies({QStringLiteral("--since"), QStringLiteral("2999-01-01")}).isEmpty());
    for (const QStringList& wrong :
         {QStringList{QStringLiteral("--since"), QStringLiteral("yesterday")},
          QStringList{QStringLiteral("--limit"), QStringLiteral("-1")},
          QStringList{QStringLiteral("--direction"), QStringLiteral("sideways")}})
        EXPECT_EQ(RunCli(QStringList{QStringLiteral("history")} + wrong).nExitCode, 2);
}

TEST_F(HistoryCommandTest, AFloodIsKeptWholeAndOnce)
{
    CCliListener listener;
    const quint16 nListening = listener.Start({QStringLiteral("--history")});
    ASSERT_NE(nListening, 0) << listener.StandardError().constData();
    // Four peers at once, 5,000 notes in all, each answered with its count.
    constexpr int kPeers = 4;
    constexpr int kEach = 1250;
    std::atomic<int> nWrong = 0;
    std::atomic<int> nDone = 0;
    std::vector<std::thread> peers;
    for (int nPeer = 0; nPeer < kPeers; ++nPeer) {
        peers.emplace_back([&, nPeer] {
            for (int n = 0; n < kEach; ++n) {
                const QByteArray strNote = TaggedText::Compose(
                    {"peer", "note " + QByteArray::number(nPeer * kEach + n), "PC", "", 0});
                if (Loopback::Exchange(nListening, strNote) != QByteArray::number(strNote.size()))
                    ++nWrong;
            }
            ++nDone;
        });
    }
    // Its lines are read meanwhile, as a reader of its output would.
    EXPECT_TRUE(SpinUntil(
        [&] {
            listener.Process().readAllStandardOutput();
            return nDone == kPeers;
        },
        std::chrono::minutes(3)));
    for (std::thread& peer : peers)
        peer.join();
    EXPECT_EQ(nWrong, 0);
    listener.Signal(SIGTERM);
    ASSERT_TRUE(listener.WaitForExit());
    const QStringList bodies = Bodies();
    EXPECT_EQ(bodies.size(), kPeers * kEach);
    EXPECT_EQ(QSet<QString>(bodies.begin(), bodies.end()).size(), kPeers * kEach);
    // And every one of them is found by its words.
    EXPECT_EQ(Bodies({QStringLiteral("--search"), QStringLiteral("note 4999")}),
              QStringList{QStringLiteral("note 4999")});
}

TEST_F(HistoryCommandTest, AFloodOfLargeNotesStaysWithinTheSizeChosen)
{
    CTestSettingsFile settings;
    settings.Settings().SetHistoryMegabytes(2);
    settings.Write();
    // Its lines go nowhere, as a reader that keeps up.
    auto pListen = std::make_unique<CCliInShell>(
        QStringLiteral("exec \"$0\" listen --port 0 --history >/dev/null"));
    ASSERT_NE(pListen->Port(), 0) << pListen->Errors().constData();
    // 20 MB of notes of 100,000 bytes: the oldest go as the bound is met.
    int nAnswered = 0;
    for (int n = 0; n < 200; ++n) {
        const QByteArray strNote = TaggedText::Compose(
            {"peer", "note " + QByteArray::number(n) + ' ' + QByteArray(99000, 'x'), "PC", "", 0});
        nAnswered +=
            Loopback::Exchange(pListen->Port(), strNote) == QByteArray::number(strNote.size()) ? 1
                                                                                               : 0;
    }
    EXPECT_EQ(nAnswered, 200);
    pListen.reset();
    const qint64 nSize = QFileInfo(m_strHistory).size();
    EXPECT_LT(nSize, 4 * 1024 * 1024) << nSize;
    // The newest stayed.
    const QStringList bodies = Bodies({QStringLiteral("--limit"), QStringLiteral("1")});
    ASSERT_EQ(bodies.size(), 1);
    EXPECT_TRUE(bodies.first().startsWith(QStringLiteral("note 199 ")));
    EXPECT_LT(Bodies().size(), 40);
}

TEST_F(HistoryCommandTest, ImportsNoteFilesOnceAndSaysWhatItCannot)
{
    QTemporaryDir files;
    const QString strIn = files.filePath(QStringLiteral("lunch.bni"));
    const QString strOut = files.filePath(QStringLiteral("draft.BNO"));
    const QString strText = files.filePath(QStringLiteral("other.txt"));
    const QString strBroken = files.filePath(QStringLiteral("broken.bni"));
    CNoteRecord record = SampleNotes::LunchRecord();
    ASSERT_TRUE(NoteFile::Save(strIn, record, "Lunch", nullptr));
    record.m_strBody = "a draft";
    ASSERT_TRUE(NoteFile::Save(strOut, record, "Draft", nullptr));
    QFile(strText).open(QIODevice::WriteOnly);
    QFile broken(strBroken);
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("\x01\x00\x00");
    broken.close();

    CCliRun run = RunCli({QStringLiteral("import"), strIn, strOut});
    EXPECT_EQ(run.nExitCode, 0) << run.strErr.constData();
    EXPECT_EQ(run.strErr, "2 notes kept in the history\n");
    run = RunCli({QStringLiteral("import"), strIn, strText, strBroken});
    EXPECT_EQ(run.nExitCode, 1);
    EXPECT_TRUE(run.strErr.contains(": not a note file (.bno or .bni)")) << run.strErr.constData();
    EXPECT_TRUE(run.strErr.contains("broken.bni: Unexpected file format."))
        << run.strErr.constData();
    EXPECT_TRUE(run.strErr.endsWith("0 notes kept in the history, 1 there already, 2 not\n"))
        << run.strErr.constData();

    const std::vector<QJsonObject> kept = History();
    ASSERT_EQ(kept.size(), 2u); // the second import of lunch.bni is the same note
    EXPECT_EQ(kept[0].value(QStringLiteral("direction")).toString(), QStringLiteral("out"));
    EXPECT_EQ(kept[0].value(QStringLiteral("body")).toString(), QStringLiteral("a draft"));
    EXPECT_EQ(kept[0].value(QStringLiteral("file")).toString(), strOut);
    EXPECT_EQ(kept[1].value(QStringLiteral("direction")).toString(), QStringLiteral("in"));
    // Kept at the note's own time, not the import's.
    EXPECT_TRUE(kept[1]
                    .value(QStringLiteral("time"))
                    .toString()
                    .startsWith(QStringLiteral("2026-12-07T12:00:00")));

    // A history file that is no database is moved aside, with a message.
    run = RunCli({QStringLiteral("history")});
    QFile damaged(m_strHistory);
    QFile::remove(m_strHistory + QStringLiteral("-wal"));
    QFile::remove(m_strHistory + QStringLiteral("-shm"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write(QByteArray(8192, 'x'));
    damaged.close();
    run = RunCli({QStringLiteral("history")});
    EXPECT_EQ(run.nExitCode, 0);
    EXPECT_TRUE(run.strErr.contains("is not a database or is damaged. It was moved to"))
        << run.strErr.constData();
    EXPECT_TRUE(run.strOut.isEmpty());
}

} // namespace
