// The Setup command as a user meets it: the sheet opened from the File menu over
// the main window, and what follows its closing, however it closed: the tray
// icon and the finger server follow the options. Also a timer that fires while
// the sheet is open, and the program ended from under it.
#include "core/finger/finger_daemon_socket.h"
#include "core/messaging/note_listen_socket.h"
#include "core/notes/note_file.h"
#include "core/settings/file_settings_store.h"
#include "desktop/app/main_frame.h"
#include "desktop/setup/lines_edit.h"
#include "desktop/setup/number_box.h"
#include "desktop/setup/page_finger.h"
#include "desktop/setup/page_hosts.h"
#include "desktop/setup/page_network.h"
#include "desktop/setup/page_prefs.h"
#include "desktop/setup/setup_sheet.h"
#include "desktop/setup/sound_file_box.h"
#include "tests/support/desktop_app_fixture.h"
#include "tests/support/event_loop.h"
#include "tests/support/raw_client.h"
#include "tests/support/small_file_system.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

using namespace std::chrono_literals;

namespace {

class SetupCommandTest : public CDesktopAppFixture
{
protected:
    // Chooses File / Setup with the keyboard and works the sheet with act.
    bool RunSetup(const std::function<void(CPSheetSetup&)>& act)
    {
        if (!ActivateMainWindow())
            return false;
        return OnModal(
            [this] {
                if (QMenu* pFile = OpenMenuByKey(Qt::Key_F))
                    ClickItem(*pFile, QStringLiteral("Se&tup ..."));
            },
            [&act](QWidget& modal) {
                auto* pSheet = qobject_cast<CPSheetSetup*>(&modal);
                ASSERT_NE(pSheet, nullptr);
                act(*pSheet);
            });
    }

    static QCheckBox& TrayBox(CPSheetSetup& sheet)
    {
        return *qobject_cast<CPagePrefs*>(sheet.Page(0))->OptionBoxes().last();
    }
};

} // namespace

TEST_F(SetupCommandTest, TheSheetOpensModallyOverTheMainWindowOnItsFirstTab)
{
    Installed();
    ASSERT_TRUE(Start());
    EXPECT_TRUE(RunSetup([this](CPSheetSetup& sheet) {
        EXPECT_EQ(sheet.windowTitle(), QStringLiteral("Setup"));
        EXPECT_EQ(sheet.parentWidget(), &m_pApp->MainFrame());
        EXPECT_TRUE(sheet.isModal());
        EXPECT_EQ(sheet.Tabs().currentIndex(), 0);
        // Move on a tab, then Escape: a new sheet starts on the first tab again.
        sheet.Tabs().setCurrentIndex(1);
        QTest::keyClick(&sheet, Qt::Key_Escape);
    }));
    EXPECT_TRUE(RunSetup([](CPSheetSetup& sheet) {
        EXPECT_EQ(sheet.Tabs().currentIndex(), 0);
        EXPECT_EQ(sheet.Page(1), nullptr);
        QTest::mouseClick(&sheet.CancelButton(), Qt::LeftButton);
    }));
}

TEST_F(SetupCommandTest, TurningTheTrayOffRemovesTheIconWhenTheSheetCloses)
{
    Installed();
    ASSERT_TRUE(Start({}, true));
    m_tray.SetIcon(ITrayIcon::EIcon::Listening);
    // Cancel: the option is still on and the icon stays.
    EXPECT_TRUE(RunSetup([](CPSheetSetup& sheet) {
        QTest::mouseClick(&TrayBox(sheet), Qt::LeftButton);
        QTest::mouseClick(&sheet.CancelButton(), Qt::LeftButton);
    }));
    EXPECT_TRUE(m_tray.IsShown());
    EXPECT_TRUE(RunSetup([](CPSheetSetup& sheet) {
        EXPECT_TRUE(TrayBox(sheet).isChecked());
        QTest::mouseClick(&TrayBox(sheet), Qt::LeftButton);
        QTest::mouseClick(&sheet.OkButton(), Qt::LeftButton);
    }));
    EXPECT_FALSE(m_tray.IsShown());
    EXPECT_FALSE(m_pApp->Settings().UseTrayArea());
}

TEST_F(SetupCommandTest, AWindowHiddenInTheTrayComesBackWhenTheIconGoes)
{
    Installed();
    ASSERT_TRUE(Start({}, true));
    EXPECT_TRUE(RunSetup([this](CPSheetSetup& sheet) {
        // Minimised to the tray meanwhile.
        m_pApp->MainFrame().hide();
        m_tray.SetIcon(ITrayIcon::EIcon::Listening);
        QTest::mouseClick(&TrayBox(sheet), Qt::LeftButton);
        QTest::mouseClick(&sheet.OkButton(), Qt::LeftButton);
    }));
    EXPECT_FALSE(m_tray.IsShown());
    EXPECT_TRUE(m_pApp->MainFrame().isVisible());
}

TEST_F(SetupCommandTest, SendersAddedWhileTheHostsTabIsOpenGiveWayToItsCopy)
{
    Installed();
    ASSERT_TRUE(Start());
    m_pApp->HostBook().Replace({{"ann", "10.0.0.5", "office"}});
    EXPECT_TRUE(RunSetup([this](CPSheetSetup& sheet) {
        sheet.Tabs().setCurrentIndex(1);
        // A real note from a sender the list does not know.
        ASSERT_NE(Deliver("zed/$0hello/$1PC9/$2Hi/$30/$4"), nullptr);
        EXPECT_EQ(m_pApp->HostBook().Hosts().Count(), 2);
        QTest::mouseClick(&sheet.OkButton(), Qt::LeftButton);
    }));
    EXPECT_EQ(m_pApp->HostBook().Hosts().Entries(),
              (QList<CHostEntry>{{"ann", "10.0.0.5", "office"}}));
    EXPECT_FALSE(m_pApp->HostBook().HasUnsavedChanges());
    EXPECT_EQ(NoteWindows(), 1);
}

TEST_F(SetupCommandTest, TheFingerServerFollowsItsOptionWhenTheSheetClosesEvenByCancel)
{
    Installed();
    ASSERT_TRUE(Start());
    CFingerDaemonSocket& finger = m_pApp->FingerServer();
    ASSERT_TRUE(finger.IsListening());
    // (The option as the finger page will have left it.)
    m_pApp->Settings().SetUseFingerD(false);
    EXPECT_TRUE(RunSetup(
        [](CPSheetSetup& sheet) { QTest::mouseClick(&sheet.CancelButton(), Qt::LeftButton); }));
    EXPECT_FALSE(finger.IsListening());
    m_pApp->Settings().SetUseFingerD(true);
    EXPECT_TRUE(RunSetup(
        [](CPSheetSetup& sheet) { QTest::mouseClick(&sheet.OkButton(), Qt::LeftButton); }));
    EXPECT_TRUE(finger.IsListening());
}

TEST_F(SetupCommandTest, AGreetingDueWhileTheSheetIsOpenIsNotUndoneByIt)
{
    QTemporaryDir folder;
    const QString strGreeting = QDir(folder.path()).filePath(QStringLiteral("greetings.bni"));
    CNoteRecord greeting;
    greeting.m_strBody = "Hello and welcome!";
    ASSERT_TRUE(NoteFile::Save(strGreeting, greeting, "greetings", nullptr));
    m_greetingFiles = {strGreeting};
    m_greetingDelay = 300ms;
    Installed();
    const QString strSettings = QStringLiteral("Settings");
    m_store.WriteInt(strSettings, QStringLiteral("greetings"), 0);
    ASSERT_TRUE(Start());
    EXPECT_TRUE(RunSetup([this](CPSheetSetup& sheet) {
        // The box stays open past the greeting's timer.
        EXPECT_TRUE(SpinUntil([this] { return m_pApp->Settings().Greetings() == 1; }));
        QTest::mouseClick(&sheet.OkButton(), Qt::LeftButton);
    }));
    EXPECT_EQ(m_store.ReadInt(strSettings, QStringLiteral("greetings"), 0), 1);
    EXPECT_EQ(NoteWindows(), 1);
}

TEST_F(SetupCommandTest, ExitWhileTheSheetIsOpenEndsTheProgramCleanly)
{
    Installed();
    ASSERT_TRUE(Start());
    m_pApp->HostBook().Replace({{"ann", "127.0.0.1", "default"}});
    EXPECT_TRUE(RunSetup([this](CPSheetSetup& sheet) {
        sheet.Tabs().setCurrentIndex(1);
        // The tray menu's Exit still works while the sheet is open.
        m_pApp->MainFrame().Menus().Action(CMainMenus::Exit)->trigger();
        EXPECT_TRUE(m_bFinished);
        if (sheet.isVisible())
            QTest::mouseClick(&sheet.CancelButton(), Qt::LeftButton);
    }));
    EXPECT_TRUE(m_bFinished);
    m_pApp.reset();
}

TEST_F(SetupCommandTest, ExitWhileTheRangeDialogIsOpenEndsTheProgramCleanly)
{
    Installed();
    ASSERT_TRUE(Start());
    EXPECT_TRUE(RunSetup([this](CPSheetSetup& sheet) {
        sheet.Tabs().setCurrentIndex(1);
        auto* pHosts = qobject_cast<CPageHosts*>(sheet.Page(1));
        ASSERT_NE(pHosts, nullptr);
        EXPECT_TRUE(OnModal([pHosts] { pHosts->CreateRangeButton().click(); },
                            [this](QWidget& range) {
                                m_pApp->MainFrame().Menus().Action(CMainMenus::Exit)->trigger();
                                if (range.isVisible())
                                    qobject_cast<QDialog*>(&range)->reject();
                            }));
        if (sheet.isVisible())
            sheet.reject();
    }));
    EXPECT_TRUE(m_bFinished);
    m_pApp.reset();
}

TEST_F(SetupCommandTest, TheFingerPagesPlanOfSeveralLinesReachesAFingerClient)
{
    Installed();
    ASSERT_TRUE(Start());
    ASSERT_TRUE(m_pApp->FingerServer().IsListening());
    EXPECT_TRUE(RunSetup([](CPSheetSetup& sheet) {
        sheet.Tabs().setCurrentIndex(3);
        auto* pFinger = qobject_cast<CPageFinger*>(sheet.Page(3));
        ASSERT_NE(pFinger, nullptr);
        pFinger->Plan().setFocus();
        pFinger->Plan().selectAll();
        QTest::keyClicks(&pFinger->Plan(), QStringLiteral("Back at two"));
        QTest::keyClick(&pFinger->Plan(), Qt::Key_Return);
        QTest::keyClicks(&pFinger->Plan(), QStringLiteral("Room 4"));
        QTest::mouseClick(&sheet.OkButton(), Qt::LeftButton);
    }));
    CRawClientScript script;
    script.nPort = m_pApp->FingerServer().ServerPort();
    script.strFirst = "\r\n";
    auto answer = RunRawClient(script);
    ASSERT_TRUE(SpinUntil([&answer] {
        return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    }));
    EXPECT_TRUE(answer.get().strAnswer.contains("Back at two\nRoom 4"));
}

TEST_F(SetupCommandTest, TheFingerServerFollowsTheFingerPagesBoxWhenTheSheetCloses)
{
    Installed();
    ASSERT_TRUE(Start());
    const auto SwitchDaemon = [](CPSheetSetup& sheet) {
        sheet.Tabs().setCurrentIndex(3);
        auto* pFinger = qobject_cast<CPageFinger*>(sheet.Page(3));
        ASSERT_NE(pFinger, nullptr);
        QTest::mouseClick(&pFinger->ActiveBox(), Qt::LeftButton, {}, QPoint(8, 8));
        QTest::mouseClick(&sheet.OkButton(), Qt::LeftButton);
    };
    EXPECT_TRUE(RunSetup(SwitchDaemon));
    EXPECT_FALSE(m_pApp->FingerServer().IsListening());
    EXPECT_TRUE(RunSetup(SwitchDaemon));
    EXPECT_TRUE(m_pApp->FingerServer().IsListening());
}

TEST_F(SetupCommandTest, ANewPortIsStoredAndTheNoteServerKeepsItsOwnUntilTheNextStart)
{
    Installed();
    ASSERT_TRUE(Start());
    const quint16 nPort = m_pApp->NoteServer().ServerPort();
    EXPECT_TRUE(RunSetup([](CPSheetSetup& sheet) {
        sheet.Tabs().setCurrentIndex(2);
        auto* pNetwork = qobject_cast<CPageNetwork*>(sheet.Page(2));
        ASSERT_NE(pNetwork, nullptr);
        pNetwork->PortBox().setFocus();
        QTest::keyClick(&pNetwork->PortBox(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(&pNetwork->PortBox(), QStringLiteral("17779"));
        QTest::mouseClick(&sheet.OkButton(), Qt::LeftButton);
    }));
    EXPECT_EQ(m_store.ReadInt(QStringLiteral("Settings"), QStringLiteral("IP Port"), 0), 17779);
    EXPECT_EQ(m_pApp->NoteServer().ServerPort(), nPort);
    EXPECT_TRUE(m_pApp->NoteServer().IsListening());
}

TEST_F(SetupCommandTest, EveryTabWorkedAndConfirmedTogether)
{
    Installed();
    ASSERT_TRUE(Start({}, true));
    m_pApp->HostBook().Replace({{"ann", "127.0.0.1", "lab"}});
    EXPECT_TRUE(RunSetup([](CPSheetSetup& sheet) {
        for (int nTab = 0; nTab < sheet.Tabs().count(); ++nTab) {
            QTabBar* pBar = sheet.Tabs().tabBar();
            QTest::mouseClick(pBar, Qt::LeftButton, {}, pBar->tabRect(nTab).center());
            ASSERT_NE(sheet.Page(nTab), nullptr);
            // A key on the page's first control, whatever it is.
            QWidget* pFirst = sheet.Page(nTab)->nextInFocusChain();
            ASSERT_TRUE(sheet.Page(nTab)->isAncestorOf(pFirst));
            QTest::keyClick(pFirst, Qt::Key_Space);
        }
        QTest::mouseClick(&sheet.ApplyButton(), Qt::LeftButton);
        QTest::mouseClick(&sheet.OkButton(), Qt::LeftButton);
    }));
    EXPECT_EQ(m_pApp->HostBook().Hosts().Count(), 1);
}

namespace {

// Log lines of one category, while it lives.
class CCategoryLog
{
public:
    explicit CCategoryLog(const char* pszCategory)
    {
        s_pszCategory = pszCategory;
        s_lines.clear();
        QLoggingCategory::setFilterRules(QString::fromLatin1(pszCategory) +
                                         QStringLiteral(".warning=true"));
        m_previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext& context, const QString& strText) {
                if (context.category && std::strcmp(context.category, s_pszCategory) == 0)
                    s_lines.append(strText);
            });
    }
    ~CCategoryLog()
    {
        qInstallMessageHandler(m_previous);
        QLoggingCategory::setFilterRules(QString());
    }
    static const QStringList& Lines() { return s_lines; }

private:
    QtMessageHandler m_previous = nullptr;
    static inline const char* s_pszCategory = nullptr;
    static inline QStringList s_lines;
};

} // namespace

TEST_F(SetupCommandTest, SettingsThatCannotBeWrittenAreToldOnceAndKeptForTheRun)
{
    CSmallFileSystem disk;
    if (!disk.Mounted())
        GTEST_SKIP() << qPrintable(disk.Why());
    const QString strPath = disk.Path() + QStringLiteral("/Tessaro/Blipnote.conf");
    {
        CFileSettingsStore installed(strPath);
        installed.WriteInt(QStringLiteral("Settings"), QStringLiteral("version"), 2);
        installed.WriteInt(QStringLiteral("Settings"), QStringLiteral("IP Port"), 0);
        installed.WriteInt(QStringLiteral("Settings"), QStringLiteral("greetings"), 1);
    }
    ASSERT_TRUE(disk.Fill());
    const CCategoryLog log("blipnote.settings");
    CFileSettingsStore store(strPath);
    m_pStore = &store;
    const auto appGoesFirst = qScopeGuard([this] { m_pApp.reset(); });
    ASSERT_TRUE(Start());

    // The disk is full: the first nickname set cannot be written, and the user
    // is told so once, however often the settings change after.
    for (const QString& strNickname : {QStringLiteral("zed"), QStringLiteral("yan")}) {
        EXPECT_TRUE(RunSetup([&strNickname](CPSheetSetup& sheet) {
            QLineEdit& nickname = qobject_cast<CPagePrefs*>(sheet.Page(0))->Nickname();
            nickname.setFocus();
            QTest::keyClick(&nickname, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(&nickname, strNickname);
            QTest::mouseClick(&sheet.OkButton(), Qt::LeftButton);
        }));
        QCoreApplication::processEvents(); // the queued write
    }
    EXPECT_EQ(m_prompts.Boxes(),
              QStringList(QStringLiteral("The settings cannot be written to %1:\nNo space left on "
                                         "device.\n\nWhat you set stays in effect until Blipnote "
                                         "ends.")
                              .arg(strPath)));
    ASSERT_EQ(log.Lines().size(), 1);
    EXPECT_TRUE(log.Lines()[0].contains(QStringLiteral("No space left on device")));
    // What the user set holds for the rest of the run.
    EXPECT_EQ(m_pApp->Settings().Nickname(), "yan");
    EXPECT_EQ(store.ReadText(QStringLiteral("Settings"), QStringLiteral("Nickname")), "yan");

    // Room again: the next change writes everything kept so far.
    disk.Unfill();
    m_pApp->OnExit();
    QFile file(strPath);
    ASSERT_TRUE(SpinUntil([&] {
        file.close();
        return file.open(QIODevice::ReadOnly) && file.readAll().contains("Nickname=yan");
    }));
}
