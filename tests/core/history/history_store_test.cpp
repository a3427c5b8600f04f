#include "core/history/history_database.h"
#include "core/history/history_store.h"
#include "core/notes/tagged_text.h"
#include "tests/support/sample_notes.h"
#include "tests/support/small_file_system.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>

namespace {

QByteArray Received(const QByteArray& strNickname, const QByteArray& strBody,
                    const QByteArray& strFrom, const QByteArray& strTitle = "")
{
    return TaggedText::ComposeWithAddress({strNickname, strBody, "PC", strTitle, 0}, strFrom);
}

class HistoryStoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(OpenAt(m_folder.filePath(QStringLiteral("h/history.db"))));
    }

    bool OpenAt(const QString& strPath)
    {
        m_pStore.reset();
        m_pDatabase = std::make_unique<CHistoryDatabase>(strPath);
        m_strNotice.clear();
        if (!m_pDatabase->Open(&m_strNotice, &m_strError))
            return false;
        m_pStore = std::make_unique<CHistoryStore>(*m_pDatabase);
        return true;
    }

    qint64 Receive(const QByteArray& strText, qint64 nTime = 1000)
    {
        return m_pStore->RecordReceived(strText, strText.size(), nTime, &m_strError);
    }

    // The ids a filter lists.
    std::vector<qint64> Ids(const CHistoryFilter& filter)
    {
        std::vector<qint64> ids;
        const auto rows = m_pStore->Find(filter, &m_strError);
        EXPECT_TRUE(rows) << m_strError.toStdString();
        for (const CHistoryRow& row : rows.value_or(std::vector<CHistoryRow>()))
            ids.push_back(row.nId);
        return ids;
    }
    std::vector<qint64> Search(const QString& strText) { return Ids({.strSearch = strText}); }

    QTemporaryDir m_folder;
    std::unique_ptr<CHistoryDatabase> m_pDatabase;
    std::unique_ptr<CHistoryStore> m_pStore;
    QString m_strNotice;
    QString m_strError;
};

TEST_F(HistoryStoreTest, KeepsReceivedSentAndFileNotesExactly)
{
    // Every byte of the code page, as the note came.
    QByteArray strBody;
    for (int n = 1; n < 256; ++n)
        strBody += n == '/' ? 'x' : char(n);
    const QByteArray strText = Received("\xe9ve", strBody, "10.0.0.5", "caf\xe9");
    const qint64 nIn = Receive(strText, 1234);
    ASSERT_NE(nIn, 0) << m_strError.toStdString();
    const auto in = m_pStore->Get(nIn, &m_strError);
    ASSERT_TRUE(in);
    EXPECT_EQ(in->strRaw, strText);
    EXPECT_EQ(in->strBody, strBody);
    EXPECT_EQ(in->strNickname, "\xe9ve");
    EXPECT_EQ(in->strSubject, "caf\xe9");
    EXPECT_EQ(in->strHost, "10.0.0.5");
    EXPECT_EQ(in->nBytes, strText.size());
    EXPECT_EQ(in->nTime, 1234);
    EXPECT_EQ(in->eDirection, EHistoryDirection::In);

    CHistoryNote sent;
    sent.eDirection = EHistoryDirection::Out;
    sent.strHost = "alice, 127.0.0.2";
    sent.strBody = "hello";
    sent.recipients = {{"alice"}, {"127.0.0.2"}};
    const qint64 nOut = m_pStore->RecordSent(sent, &m_strError);
    ASSERT_NE(nOut, 0);
    ASSERT_TRUE(m_pStore->SetRecipientResult(nOut, 1, {{}, ERecipientResult::SizeMismatch, 40, 12},
                                             &m_strError));
    const auto out = m_pStore->Get(nOut, &m_strError);
    ASSERT_TRUE(out && out->recipients.size() == 2);
    EXPECT_EQ(out->recipients[0].eResult, ERecipientResult::Pending);
    EXPECT_EQ(out->recipients[1].strAddress, "127.0.0.2");
    EXPECT_EQ(out->recipients[1].nSent, 40);
    EXPECT_EQ(out->recipients[1].nAcknowledged, 12);
    // Listed with a sender's or a recipient's address, and by direction.
    EXPECT_EQ(Ids({.strHost = "127.0.0.2"}), std::vector<qint64>{nOut});
    EXPECT_EQ(Ids({.strHost = "10.0.0.5"}), std::vector<qint64>{nIn});
    EXPECT_EQ(Ids({.direction = EHistoryDirection::Out}), std::vector<qint64>{nOut});
    const auto rows = m_pStore->Find({.direction = EHistoryDirection::Out}, &m_strError);
    EXPECT_EQ(rows->front().nRecipients, 2);
    EXPECT_EQ(rows->front().nPending, 1);

    // A file opened twice is one note.
    const CNoteRecord record = SampleNotes::LunchRecord();
    const qint64 nFile = m_pStore->RecordFile(record, EHistoryDirection::In,
                                              QStringLiteral("/n/lunch.bni"), 5, &m_strError);
    ASSERT_NE(nFile, 0);
    EXPECT_EQ(m_pStore->RecordFile(record, EHistoryDirection::In, QStringLiteral("/n/lunch.bni"), 6,
                                   &m_strError),
              nFile);
    EXPECT_EQ(m_pStore->Get(nFile, &m_strError)->strNoteTime, record.m_strTime);
    EXPECT_EQ(Ids({}), (std::vector<qint64>{nFile, nOut, nIn}));
}

TEST_F(HistoryStoreTest, SearchTakesWhatIsTypedAsWordsNeverAsSyntax)
{
    const qint64 nLunch =
        Receive(Received("ann", "Lunch at NEAR noon? \"Quoted\" and don't", "10.0.0.5"));
    const qint64 nCode = Receive(Received("bob", "SELECT * FROM notes; -- 'x' OR 1=1", "10.0.0.6"));
    const qint64 nCafe = Receive(Received("chloe", "caf\xe9 cr\xe8me", "10.0.0.7", "Dessert"));
    // Not yet indexed: a search makes them searchable first.
    EXPECT_EQ(Search(QStringLiteral("lunch")), std::vector<qint64>{nLunch});
    EXPECT_EQ(Search(QStringLiteral("LUN")), std::vector<qint64>{nLunch}); // the start of a word
    EXPECT_EQ(Search(QStringLiteral("NEAR")), std::vector<qint64>{nLunch});
    EXPECT_EQ(Search(QStringLiteral("\"quoted\"")), std::vector<qint64>{nLunch});
    EXPECT_EQ(Search(QStringLiteral("don't")), std::vector<qint64>{nLunch});
    EXPECT_EQ(Search(QStringLiteral("'x' OR")), std::vector<qint64>{nCode});
    EXPECT_EQ(Search(QStringLiteral("notes;")), std::vector<qint64>{nCode});
    EXPECT_EQ(Search(QStringLiteral("dessert")), std::vector<qint64>{nCafe}); // the subject
    EXPECT_EQ(Search(QStringLiteral("chloe")), std::vector<qint64>{nCafe});   // the nickname
    EXPECT_EQ(Search(QStringLiteral("caf\u00e9 cr\u00e8me")), std::vector<qint64>{nCafe});
    // Syntax of every kind is a word or nothing; no search fails.
    for (const char* pszHostile :
         {"*", "\"", "'", "\"\"\"", "NEAR(lunch noon, 2)", "lunch AND", "OR", "NOT lunch", "(",
          "body:lunch", "^lunch", "-", "{nickname}: ann", "lunch*", "\\", "%", "_"}) {
        const auto rows = m_pStore->Find({.strSearch = QString::fromUtf8(pszHostile)}, &m_strError);
        EXPECT_TRUE(rows) << pszHostile << ": " << m_strError.toStdString();
    }
    EXPECT_EQ(Search(QStringLiteral("lunch*")), std::vector<qint64>{nLunch});
    EXPECT_TRUE(Search(QStringLiteral("lunch bob")).empty()); // every word must be there
    // A deleted note is found no more, indexed or not.
    const qint64 nFresh = Receive(Received("dan", "lunch again", "10.0.0.8"));
    ASSERT_TRUE(m_pStore->Delete({nLunch, nFresh}, &m_strError));
    EXPECT_TRUE(Search(QStringLiteral("lunch")).empty());
    EXPECT_FALSE(m_pStore->Get(nLunch, &m_strError));
}

TEST_F(HistoryStoreTest, PagesAndDropsTheOldestFirst)
{
    ASSERT_TRUE(m_pStore->Begin(&m_strError));
    for (int n = 0; n < 3000; ++n)
        ASSERT_NE(Receive(Received("ann", "note " + QByteArray::number(n) + QByteArray(500, 'x'),
                                   "10.0.0.5"),
                          n * 1000),
                  0);
    ASSERT_TRUE(m_pStore->Commit(&m_strError));
    // Pages follow each other without gaps or repeats.
    std::vector<qint64> all;
    for (qint64 nBefore = 0;;) {
        const std::vector<qint64> page = Ids({.nBeforeId = nBefore, .nLimit = 700});
        if (page.empty())
            break;
        all.insert(all.end(), page.begin(), page.end());
        nBefore = page.back();
    }
    ASSERT_EQ(all.size(), 3000u);
    EXPECT_TRUE(std::is_sorted(all.rbegin(), all.rend()));
    EXPECT_EQ(Ids({.since = 2990 * 1000}).size(), 10u);

    // By age: what was kept before the time goes.
    EXPECT_EQ(m_pStore->Prune(1000 * 1000, 0, &m_strError), 1000);
    EXPECT_EQ(Ids({.nLimit = 5000}).size(), 2000u);
    EXPECT_EQ(Search(QStringLiteral("note")).size(), 100u); // the limit of a page
    // By size: the oldest go, in proportion to the excess.
    const qint64 nUsed = m_pStore->UsedBytes();
    EXPECT_GT(m_pStore->Prune(std::nullopt, nUsed / 2, &m_strError), 900);
    const std::vector<qint64> left = Ids({.nLimit = 5000});
    EXPECT_GT(left.size(), 500u);
    EXPECT_LT(left.size(), 1100u);
    EXPECT_EQ(left.front(), all.front()); // the newest stayed
}

TEST_F(HistoryStoreTest, MovesAnUnusableFileAsideAndBeginsAnew)
{
    const QString strPath = m_folder.filePath(QStringLiteral("bad/history.db"));
    for (const QByteArray& strContent :
         {QByteArray("this is no database, only a text that someone put there\n"),
          QByteArray("SQLite format 3") + '\0' + QByteArray(4000, '\x7f')}) {
        m_pStore.reset();
        m_pDatabase.reset();
        QDir().mkpath(QFileInfo(strPath).absolutePath());
        QFile file(strPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(strContent);
        file.close();
        ASSERT_TRUE(OpenAt(strPath)) << m_strError.toStdString();
        EXPECT_TRUE(m_strNotice.contains(QLatin1String("is not a database or is damaged")))
            << m_strNotice.toStdString();
        EXPECT_TRUE(m_strNotice.contains(strPath + QLatin1String(".damaged-")));
        EXPECT_NE(Receive(Received("ann", "hi", "10.0.0.5")), 0);
        // The old file is there as it was, for rescue.
        const QString strAside =
            m_strNotice.mid(m_strNotice.indexOf(QLatin1String(" moved to ")) + 10)
                .section(QLatin1Char(' '), 0, 0);
        QFile aside(strAside);
        ASSERT_TRUE(aside.open(QIODevice::ReadOnly)) << strAside.toStdString();
        EXPECT_EQ(aside.readAll(), strContent);
        QFile::remove(strAside);
        m_pStore.reset();
        m_pDatabase.reset();
        QFile::remove(strPath);
    }
    // A file of a newer version is left for that version, and a new one begun.
    ASSERT_TRUE(OpenAt(strPath));
    QSqlQuery(m_pDatabase->Connection()).exec(QStringLiteral("PRAGMA user_version=99"));
    ASSERT_TRUE(OpenAt(strPath));
    EXPECT_TRUE(m_strNotice.contains(QLatin1String("newer version")));
    EXPECT_TRUE(m_strNotice.contains(strPath + QLatin1String(".newer-")));
    // And one of the same version opens quietly, keeping its notes.
    const qint64 nId = Receive(Received("ann", "kept", "10.0.0.5"));
    ASSERT_TRUE(OpenAt(strPath));
    EXPECT_TRUE(m_strNotice.isEmpty());
    EXPECT_TRUE(m_pStore->Get(nId, &m_strError));
    // Only the user may read it, even where it was made readable by others.
    m_pStore.reset();
    m_pDatabase.reset();
    QFile::setPermissions(strPath, QFile::permissions(strPath) | QFile::ReadOther);
    ASSERT_TRUE(OpenAt(strPath));
    EXPECT_EQ(QFile::permissions(strPath) & (QFile::ReadGroup | QFile::ReadOther), 0);

    // A link is not followed, and another program's database is not taken
    // over: each is moved aside, untouched.
    const QString strOther = m_folder.filePath(QStringLiteral("other.db"));
    {
        CHistoryDatabase other(strOther);
        ASSERT_TRUE(other.Open(nullptr, &m_strError));
        QSqlQuery(other.Connection()).exec(QStringLiteral("PRAGMA user_version=0"));
    }
    const QString strLinked = m_folder.filePath(QStringLiteral("linked/history.db"));
    QDir().mkpath(QFileInfo(strLinked).absolutePath());
    ASSERT_TRUE(QFile::link(strOther, strLinked));
    ASSERT_TRUE(OpenAt(strLinked)) << m_strError.toStdString();
    EXPECT_TRUE(m_strNotice.contains(QLatin1String("is a symbolic link")))
        << m_strNotice.toStdString();
    EXPECT_FALSE(QFileInfo(strLinked).isSymLink());
    const QString strForeign = m_folder.filePath(QStringLiteral("foreign/history.db"));
    QDir().mkpath(QFileInfo(strForeign).absolutePath());
    ASSERT_TRUE(QFile::copy(strOther, strForeign));
    ASSERT_TRUE(OpenAt(strForeign));
    EXPECT_TRUE(m_strNotice.contains(QLatin1String("another program")))
        << m_strNotice.toStdString();

    // Programs that open a new history at once make it once, all of them.
    const QString strNew = m_folder.filePath(QStringLiteral("new/history.db"));
    std::atomic<int> nOpened = 0;
    std::vector<std::thread> openers;
    for (int n = 0; n < 4; ++n)
        openers.emplace_back([&] {
            CHistoryDatabase database(strNew);
            QString strNotice;
            QString strError;
            if (database.Open(&strNotice, &strError) && strNotice.isEmpty())
                ++nOpened;
        });
    for (std::thread& opener : openers)
        opener.join();
    EXPECT_EQ(nOpened, 4);
}

TEST_F(HistoryStoreTest, WaitsForAnotherWriterInsteadOfFailing)
{
    // Another connection (as another process would) holds the file for writing
    // for a while; a note recorded meanwhile waits for it and is kept.
    std::atomic<bool> bHolding = false;
    std::thread other([&] {
        CHistoryDatabase database(m_pDatabase->Path());
        QString strError;
        ASSERT_TRUE(database.Open(nullptr, &strError));
        QSqlQuery query(database.Connection());
        ASSERT_TRUE(query.exec(QStringLiteral("BEGIN IMMEDIATE")));
        bHolding = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        query.exec(QStringLiteral("COMMIT"));
    });
    while (!bHolding)
        std::this_thread::yield();
    EXPECT_NE(Receive(Received("ann", "waited", "10.0.0.5")), 0) << m_strError.toStdString();
    other.join();
    EXPECT_EQ(Search(QStringLiteral("waited")).size(), 1u);
}

TEST_F(HistoryStoreTest, TellsAFullDiskAndRecordsAgainOnceThereIsRoom)
{
    CSmallFileSystem disk(512);
    if (!disk.Mounted())
        GTEST_SKIP() << disk.Why().toStdString();
    ASSERT_TRUE(OpenAt(disk.Path() + QStringLiteral("/history.db"))) << m_strError.toStdString();
    ASSERT_NE(Receive(Received("ann", "before", "10.0.0.5")), 0);
    ASSERT_TRUE(disk.Fill());
    qint64 nId = 1;
    for (int n = 0; n < 200 && nId != 0; ++n)
        nId = Receive(Received("ann", QByteArray(8000, 'f'), "10.0.0.5"));
    EXPECT_EQ(nId, 0);
    EXPECT_TRUE(m_pStore->LastFailureWasFull()) << m_strError.toStdString();
    disk.Unfill();
    EXPECT_NE(Receive(Received("ann", "after", "10.0.0.5")), 0) << m_strError.toStdString();
    EXPECT_EQ(Search(QStringLiteral("before")).size(), 1u);
    EXPECT_EQ(Search(QStringLiteral("after")).size(), 1u);
}

} // namespace
