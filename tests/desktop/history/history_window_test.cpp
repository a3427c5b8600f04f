#include "core/documents/blipnote_doc.h"
#include "core/documents/doc_manager.h"
#include "core/history/history_database.h"
#include "core/history/history_recorder.h"
#include "core/history/history_store.h"
#include "core/messaging/note_listen_socket.h"
#include "core/notes/note_file.h"
#include "core/notes/tagged_text.h"
#include "core/settings/app_settings.h"
#include "desktop/app/child_frame.h"
#include "desktop/app/main_frame.h"
#include "desktop/history/history_keeper.h"
#include "desktop/history/history_rows_model.h"
#include "desktop/history/history_window.h"
#include "desktop/views/msg_out_view.h"
#include "desktop/views/note_view.h"
#include "desktop/views/rich_text_ctrl.h"
#include "tests/support/desktop_app_fixture.h"
#include "tests/support/event_loop.h"
#include "tests/support/loopback.h"

#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

class HistoryWindowTest : public CDesktopAppFixture
{
protected:
    void SetUp() override
    {
        m_strHistoryPath = m_folder.filePath(QStringLiteral("data/history.db"));
        Installed();
        ASSERT_TRUE(Start());
    }

    CHistoryWindow& Window()
    {
        if (!m_pApp->HistoryWindow())
            Choose(QStringLiteral("&Utils"), QStringLiteral("&History ..."));
        EXPECT_TRUE(m_pApp->HistoryWindow());
        return *m_pApp->HistoryWindow();
    }

    // Types into a box as a user does, and waits for the list to follow.
    void Type(QLineEdit& box, const QString& strText)
    {
        box.setFocus();
        box.selectAll();
        QTest::keyClick(&box, Qt::Key_Backspace);
        QTest::keyClicks(&box, strText);
        QTest::qWait(CHistoryWindow::TypingPause * 2);
    }

    QStringList Column(int nColumn)
    {
        QStringList texts;
        const CHistoryRowsModel& rows = Window().Rows();
        for (int n = 0; n < rows.rowCount(); ++n)
            texts << rows.index(n, nColumn).data().toString();
        return texts;
    }

    // Clicks a row of the list, as a user picks a note.
    void ClickRow(int nRow)
    {
        QTableView& list = Window().List();
        const QRect cell = list.visualRect(list.model()->index(nRow, CHistoryRowsModel::FirstLine));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, cell.center());
    }

    QTemporaryDir m_folder;
};

TEST_F(HistoryWindowTest, FindsOpensAnswersSavesAndDeletesKeptNotes)
{
    Deliver(TaggedText::Compose({"ann", "Lunch at NEAR noon?\r\nsecond line", "PC7", "Lunch", 0}));
    Deliver(TaggedText::Compose({"bob", "it's 'quoted' * and OR", "PC8", "", 0}));
    // A note of our own to our own server: kept as sent, with its result.
    ASSERT_NE(WriteNote(QStringLiteral("127.0.0.1:%1").arg(m_pApp->NoteServer().ServerPort()),
                        QStringLiteral("see you at the station")),
              nullptr);
    Choose(QStringLiteral("&Message"), QStringLiteral("&Send"));
    ASSERT_TRUE(SpinUntil([&] { return NoteWindows() >= 4; }));

    CHistoryWindow& window = Window();
    ASSERT_TRUE(SpinUntil([&] { return window.Rows().rowCount() == 4; }));
    EXPECT_EQ(Column(CHistoryRowsModel::FirstLine),
              (QStringList{QStringLiteral("see you at the station"),
                           QStringLiteral("see you at the station"),
                           QStringLiteral("it's 'quoted' * and OR"),
                           QStringLiteral("Lunch at NEAR noon?")}));
    ASSERT_TRUE(SpinUntil([&] {
        window.Rows().Reload();
        return Column(CHistoryRowsModel::Result).contains(QStringLiteral("delivered"));
    }));

    // Found as one types, whatever one types.
    Type(window.SearchBox(), QStringLiteral("lun"));
    EXPECT_EQ(Column(CHistoryRowsModel::Nickname), QStringList{QStringLiteral("ann")});
    for (const char* pszTyped : {"\"", "*", "'quoted' *", "NEAR(", "OR"}) {
        Type(window.SearchBox(), QString::fromLatin1(pszTyped));
        EXPECT_TRUE(window.Rows().Error().isEmpty()) << pszTyped;
    }
    Type(window.SearchBox(), QStringLiteral("'quoted'"));
    EXPECT_EQ(Column(CHistoryRowsModel::Nickname), QStringList{QStringLiteral("bob")});
    Type(window.SearchBox(), QString());
    Type(window.HostBox(), QStringLiteral("10.9.9.9"));
    EXPECT_EQ(window.Rows().rowCount(), 0);
    Type(window.HostBox(), QString());
    window.DirectionBox().setCurrentIndex(2); // sent
    EXPECT_EQ(Column(CHistoryRowsModel::Direction), QStringList{QStringLiteral("out")});
    EXPECT_EQ(Column(CHistoryRowsModel::Result), QStringList{QStringLiteral("delivered")});
    const QString strTo = QStringLiteral("127.0.0.1:%1").arg(m_pApp->NoteServer().ServerPort());
    EXPECT_EQ(Column(CHistoryRowsModel::Host), QStringList{strTo});

    // Opened as the outgoing note it was; no answer to a sent one.
    ClickRow(0);
    EXPECT_FALSE(window.ReplyButton().isEnabled());
    QTest::mouseClick(&window.OpenButton(), Qt::LeftButton);
    ASSERT_TRUE(window.LastOpened());
    EXPECT_EQ(window.LastOpened()->Kind(), EDocKind::MessageOut);
    EXPECT_TRUE(window.LastOpened()->m_strBody.startsWith("see you at the station\r\n"));
    // To where it went, not to whoever the new note would preselect.
    auto* pOpened = dynamic_cast<CMsgOutView*>(NoteViewOf(*window.LastOpened()));
    ASSERT_NE(pOpened, nullptr);
    EXPECT_EQ(pOpened->RecipientBox().currentText(), strTo);

    // A received one answered, and saved where the user says.
    window.DirectionBox().setCurrentIndex(1);
    Type(window.SearchBox(), QStringLiteral("lunch"));
    ClickRow(0);
    QTest::mouseClick(&window.ReplyButton(), Qt::LeftButton);
    ASSERT_TRUE(window.LastOpened());
    EXPECT_EQ(window.LastOpened()->Kind(), EDocKind::MessageOut);
    EXPECT_TRUE(window.LastOpened()->m_strBody.contains("Lunch at NEAR noon?"));
    const QString strFile = m_folder.filePath(QStringLiteral("lunch.bni"));
    m_prompts.SetFileAnswer(strFile);
    QTest::mouseClick(&window.SaveAsButton(), Qt::LeftButton);
    CNoteRecord saved;
    ASSERT_TRUE(NoteFile::Load(strFile, saved, nullptr));
    EXPECT_EQ(saved.m_strBody, "Lunch at NEAR noon?\r\nsecond line");
    EXPECT_EQ(saved.m_strNickname, "ann");

    // Deleted with the Delete key, after a question; found no more.
    ClickRow(0);
    m_prompts.SetAnswer(true);
    QTest::keyClick(&window.List(), Qt::Key_Delete);
    EXPECT_TRUE(m_prompts.Boxes().contains(QStringLiteral("Delete this note from the history?")));
    EXPECT_EQ(window.Rows().rowCount(), 0);
    window.DirectionBox().setCurrentIndex(0);
    Type(window.SearchBox(), QString());
    EXPECT_EQ(window.Rows().rowCount(), 3);
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(HistoryWindowTest, KeepsNothingNewWhenToldNeverAndDropsByAge)
{
    CHistoryStore& store = m_pApp->History().Recorder()->Store();
    ASSERT_NE(
        store.RecordReceived(TaggedText::ComposeWithAddress({"old", "old", "", "", 0}, "10.0.0.5"),
                             10, 1000, nullptr),
        0);
    m_pApp->Settings().SetKeepNotes(CAppSettings::KeepNever);
    Deliver(TaggedText::Compose({"ann", "not kept", "PC7", "", 0}));
    m_pApp->Settings().SetKeepNotes(CAppSettings::KeepAlways);
    Deliver(TaggedText::Compose({"ann", "kept", "PC7", "", 0}));
    EXPECT_EQ(Column(CHistoryRowsModel::FirstLine),
              (QStringList{QStringLiteral("kept"), QStringLiteral("old")}));
    // Notes of long ago go once the user keeps notes for some days only.
    m_pApp->Settings().SetKeepDays(7);
    m_pApp->Settings().SetKeepNotes(CAppSettings::KeepForDays);
    Window().Rows().Reload();
    EXPECT_EQ(Column(CHistoryRowsModel::FirstLine), QStringList{QStringLiteral("kept")});
}

// The program as users run it, killed the instant after it answered a note:
// the note is in the history when it starts again.
TEST(HistoryOfTheProgram, KeepsWhatItAnsweredThroughAKill)
{
    QTemporaryDir home;
    const quint16 nPort = Loopback::UnusedPort();
    QDir().mkpath(home.filePath(QStringLiteral("config/Tessaro")));
    QFile settings(home.filePath(QStringLiteral("config/Tessaro/Blipnote.conf")));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("[Settings]\nversion=2\ngreetings=1\nIP Port=" + QByteArray::number(nPort) +
                   "\n");
    settings.close();
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(BLIPNOTE_DESKTOP_PATH), {QStringLiteral("--hidden")});
    ASSERT_TRUE(program.waitForStarted());
    const QByteArray strNote = TaggedText::Compose({"ann", "answered, then killed", "PC7", "", 0});
    std::optional<QByteArray> answer;
    ASSERT_TRUE(SpinUntil([&] {
        answer = Loopback::Exchange(nPort, strNote, std::chrono::seconds(2));
        return answer.has_value();
    }));
    EXPECT_EQ(*answer, QByteArray::number(strNote.size()));
    ::kill(static_cast<pid_t>(program.processId()), SIGKILL);
    ASSERT_TRUE(program.waitForFinished());

    CHistoryDatabase database(home.filePath(QStringLiteral("data/Tessaro/Blipnote/history.db")));
    QString strError;
    ASSERT_TRUE(database.Open(nullptr, &strError)) << strError.toStdString();
    CHistoryStore store(database);
    const auto rows = store.Find({.strSearch = QStringLiteral("killed")}, &strError);
    ASSERT_TRUE(rows) << strError.toStdString();
    ASSERT_EQ(rows->size(), 1u);
    EXPECT_EQ(rows->front().strNickname, "ann");
}

} // namespace
