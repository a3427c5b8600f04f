#include "core/documents/blipnote_doc.h"
#include "core/documents/doc_manager.h"
#include "core/finger/finger_daemon_socket.h"
#include "core/interfaces/sound_player.h"
#include "core/messaging/note_listen_socket.h"
#include "core/notes/note_file.h"
#include "core/settings/memory_settings_store.h"
#include "desktop/app/blipnote_app.h"
#include "desktop/app/child_frame.h"
#include "desktop/app/incoming_notes.h"
#include "desktop/app/main_frame.h"
#include "desktop/app/tray_icon_interface.h"
#include "desktop/views/msg_in_view.h"
#include "desktop/views/msg_out_view.h"
#include "desktop/views/note_view.h"
#include "desktop/views/rich_text_ctrl.h"
#include "tests/support/desktop_app_fixture.h"
#include "tests/support/event_log.h"
#include "tests/support/event_loop.h"
#include "tests/support/hostile_peers.h"
#include "tests/support/raw_client.h"
#include "tests/support/sample_notes.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QStatusBar>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <sys/stat.h>
#include <thread>

using namespace std::chrono_literals;

namespace {

using BlipnoteAppTest = CDesktopAppFixture;

const QString kSettings = QStringLiteral("Settings");

} // namespace

TEST_F(BlipnoteAppTest, StartsOnAnEmptyStoreWithTheFirstRunQuestion)
{
    m_store.WriteInt(kSettings, QStringLiteral("IP Port"), 0); // a free port for the test
    ASSERT_TRUE(Start());
    EXPECT_EQ(m_prompts.Events(),
              QStringList({QStringLiteral("ask: Ready to install Blipnote ?")}));
    EXPECT_TRUE(m_pApp->MainFrame().isVisible());
    EXPECT_EQ(NoteWindows(), 0);
    EXPECT_TRUE(m_pApp->NoteServer().IsListening());
    ASSERT_TRUE(SpinUntil([&] {
        return m_pApp->MainFrame().StatusText(StatusPane::Listening) ==
               QStringLiteral("Listening ...");
    }));
    EXPECT_EQ(m_pApp->MainFrame().StatusText(StatusPane::Sending), QStringLiteral(" "));
}

TEST_F(BlipnoteAppTest, ANoteFileArgumentOpensBeforeTheSettingsAreLoaded)
{
    Installed();
    QTemporaryDir dir;
    CNoteRecord record;
    record.m_strBody = "from a file";
    const QString strPath = dir.filePath(QStringLiteral("draft.bno"));
    ASSERT_TRUE(NoteFile::Save(strPath, record, "draft", nullptr));
    // The settings are not loaded yet when the note opens: no port, no version.
    int nPortWhenOpened = -1;
    CBlipnoteApp* pApp = nullptr;
    CAppEnvironment environment{m_store, m_prompts, m_tray, m_sound, false, 0};
    environment.greetingDelay = m_greetingDelay;
    m_pApp = std::make_unique<CBlipnoteApp>(environment);
    pApp = m_pApp.get();
    ASSERT_TRUE(pApp->Startup({.strOpenFile = strPath}) || true);
    ASSERT_EQ(pApp->Documents().Documents().size(), 1);
    const CBlipnoteDoc* pDoc = pApp->Documents().Documents()[0];
    EXPECT_FALSE(pDoc->IsIncoming());
    EXPECT_EQ(pDoc->m_strBody, "from a file");
    nPortWhenOpened = pApp->Settings().IpPort();
    EXPECT_EQ(nPortWhenOpened, 0);

    // A file that cannot be opened ends the program with a message.
    CEventLog prompts;
    CAppEnvironment second{m_store, prompts, m_tray, m_sound, false, 0};
    CBlipnoteApp failing(second);
    EXPECT_FALSE(failing.Startup({.strOpenFile = dir.filePath(QStringLiteral("missing.bni"))}));
    EXPECT_EQ(failing.ExitCode(), 1);
    EXPECT_EQ(prompts.Boxes(), QStringList({QStringLiteral("Failed to open document.")}));
}

TEST_F(BlipnoteAppTest, AutoReplyAsksForTheMessageAndSwitchesOff)
{
    Installed();
    ASSERT_TRUE(Start());
    CAppSettings& settings = m_pApp->Settings();
    QAction* pAction = m_pApp->MainFrame().Menus().Action(CMainMenus::AutoReply);

    m_prompts.SetTextAnswer(std::nullopt);
    m_pApp->OnAutoReply();
    EXPECT_FALSE(m_pApp->AutoReply().IsActive());
    EXPECT_EQ(settings.AwayMessage(), "I'm away for a while.");
    EXPECT_TRUE(m_prompts.Events().contains(
        QStringLiteral("text: Auto-reply / Auto-reply message: I'm away for a while.")));

    m_prompts.SetTextAnswer(QStringLiteral("Back at two."));
    m_pApp->OnAutoReply();
    EXPECT_TRUE(m_pApp->AutoReply().IsActive());
    EXPECT_EQ(settings.AwayMessage(), "Back at two.");
    EXPECT_TRUE(pAction->isChecked());

    const int nAsked = static_cast<int>(m_prompts.Events().size());
    m_pApp->OnAutoReply();
    EXPECT_FALSE(m_pApp->AutoReply().IsActive());
    EXPECT_FALSE(pAction->isChecked());
    EXPECT_EQ(m_prompts.Events().size(), nAsked); // no dialog to switch it off

    // Lines typed in the box are kept with the note's CR LF, and shown again.
    m_prompts.SetTextAnswer(QStringLiteral("Back at two.\nCall me."));
    m_pApp->OnAutoReply();
    EXPECT_EQ(settings.AwayMessage(), "Back at two.\r\nCall me.");
    m_pApp->OnAutoReply();
    m_pApp->OnAutoReply();
    EXPECT_EQ(m_prompts.Events().last(),
              QStringLiteral("text: Auto-reply / Auto-reply message: Back at two.\nCall me."));
}

TEST_F(BlipnoteAppTest, DeleteAllClosesEveryNoteWithoutAQuestion)
{
    Installed();
    ASSERT_TRUE(Start());
    for (int n = 0; n < 3; ++n) {
        m_pApp->OnNew();
        auto* pView = static_cast<CNoteView*>(m_pApp->Documents().Documents().last()->FirstView());
        pView->Editor().insertPlainText(QStringLiteral("unsaved"));
    }
    EXPECT_EQ(NoteWindows(), 3);
    m_pApp->OnDeleteAll();
    ASSERT_TRUE(SpinUntil([&] { return NoteWindows() == 0; }));
    EXPECT_TRUE(m_pApp->Documents().Documents().isEmpty());
    EXPECT_TRUE(m_prompts.Events().isEmpty());
}

TEST_F(BlipnoteAppTest, ClosingAnEditedNoteByHandAsksToSave)
{
    Installed();
    ASSERT_TRUE(Start());
    m_pApp->OnNew();
    CChildFrame* pFrame = m_pApp->MainFrame().NoteWindows().first();
    pFrame->View()->Editor().insertPlainText(QStringLiteral("draft"));
    m_prompts.SetThreeWayAnswer(PromptAnswer::Cancel);
    pFrame->close();
    EXPECT_EQ(NoteWindows(), 1);
    EXPECT_EQ(m_prompts.Events().last(), QStringLiteral("ask: Save changes to MessageOut1?"));
    m_prompts.SetThreeWayAnswer(PromptAnswer::No);
    pFrame->close();
    ASSERT_TRUE(SpinUntil([&] { return m_pApp->Documents().Documents().isEmpty(); }));
}

TEST_F(BlipnoteAppTest, ExitEndsTheProgramEvenWithNoClose)
{
    Installed();
    m_store.WriteInt(kSettings, QStringLiteral("No Close"), 1);
    ASSERT_TRUE(Start());
    m_pApp->OnNew();
    m_pApp->OnExit();
    EXPECT_TRUE(m_bFinished);
    EXPECT_FALSE(m_pApp->MainFrame().isVisible());
    EXPECT_EQ(m_store.ReadInt(kSettings, QStringLiteral("No Close")), 1);
    EXPECT_TRUE(m_store.Contains(kSettings, QStringLiteral("rcNormal")));
}

TEST_F(BlipnoteAppTest, NoCloseOnlyMinimises)
{
    Installed();
    m_store.WriteInt(kSettings, QStringLiteral("No Close"), 1);
    ASSERT_TRUE(Start());
    m_pApp->MainFrame().close();
    EXPECT_FALSE(m_bFinished);
    EXPECT_TRUE(m_pApp->MainFrame().isMinimized());
    EXPECT_FALSE(m_tray.IsShown()); // no tray on this desktop
}

TEST_F(BlipnoteAppTest, NoCloseWithTheTrayHidesTheWindow)
{
    Installed();
    m_store.WriteInt(kSettings, QStringLiteral("No Close"), 1);
    ASSERT_TRUE(Start({}, true));
    m_pApp->MainFrame().close();
    EXPECT_FALSE(m_bFinished);
    EXPECT_FALSE(m_pApp->MainFrame().isVisible());
    EXPECT_EQ(m_tray.Icon(), ITrayIcon::EIcon::Listening);
    EXPECT_EQ(m_tray.Tip(), QStringLiteral("Blipnote - listening"));
}

TEST_F(BlipnoteAppTest, ANoteArrivingInTheTrayChangesItsIcon)
{
    Installed();
    m_store.WriteInt(kSettings, QStringLiteral("Use PopUp"), 0);
    ASSERT_TRUE(Start({}, true));
    m_pApp->MainFrame().showMinimized();
    ASSERT_TRUE(SpinUntil([&] { return !m_pApp->MainFrame().isVisible(); }));
    EXPECT_EQ(m_tray.Icon(), ITrayIcon::EIcon::Listening);

    CBlipnoteDoc* pDoc = Deliver("ann/$0hi/$1PC7/$2T/$30/$4");
    ASSERT_NE(pDoc, nullptr);
    EXPECT_EQ(m_tray.Icon(), ITrayIcon::EIcon::NewMail);
    EXPECT_EQ(m_tray.Tip(), QStringLiteral("You have new mail"));
    EXPECT_FALSE(m_pApp->MainFrame().isVisible()); // no pop-up
    EXPECT_EQ(m_sound.m_played, QStringList({QStringLiteral("msremind.wav")}));

    m_pApp->MainFrame().ShowAndRestore();
    m_pApp->MainFrame().showMinimized();
    ASSERT_TRUE(SpinUntil([&] { return m_tray.Icon() == ITrayIcon::EIcon::Listening; }));
    EXPECT_EQ(m_tray.Tip(), QStringLiteral("Blipnote - listening"));
}

TEST_F(BlipnoteAppTest, ThePointerIsBusyWhileANoteComesIn)
{
    Installed();
    ASSERT_TRUE(Start());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    std::promise<void> rest;
    CRawClientScript script;
    script.nPort = m_pApp->NoteServer().ServerPort();
    script.strFirst = "ann/$0half";
    script.gate = rest.get_future().share();
    script.strSecond = " a note/$1PC7/$2T/$30/$4";
    auto sent = RunRawClient(script);
    ASSERT_TRUE(SpinUntil([&] { return m_pApp->NoteServer().ServedConnections() == 1; }));
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
    // The windows go on working meanwhile.
    Choose(QStringLiteral("&File"), QStringLiteral("&New"));
    EXPECT_EQ(NoteWindows(), 1);

    rest.set_value();
    ASSERT_TRUE(SpinUntil([&] { return NoteWindows() == 2; }));
    EXPECT_EQ(sent.get().strAnswer, "34");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(BlipnoteAppTest, TheOldDefaultSoundPlaysTheProgramsOwnArrivalSound)
{
    QTemporaryDir sounds;
    QFile arrival(sounds.filePath(QStringLiteral("arrival.wav")));
    ASSERT_TRUE(arrival.open(QIODevice::WriteOnly));
    m_strSoundsFolder = sounds.path();
    // A first run: the sound folder starts at the program's own sounds.
    m_store.WriteInt(kSettings, QStringLiteral("IP Port"), 0); // a free port for the test
    ASSERT_TRUE(Start());
    EXPECT_EQ(m_pApp->Settings().SoundPath(), (sounds.path() + u'/').toUtf8());
    EXPECT_EQ(m_store.ReadText(kSettings, QStringLiteral("SoundPath"), {}),
              (sounds.path() + u'/').toUtf8());
    EXPECT_EQ(m_pApp->Settings().SoundFile(), "msremind.wav");
    Deliver("ann/$0hi/$1PC7/$2T/$30/$4");
    EXPECT_EQ(m_sound.m_played, QStringList({sounds.filePath(QStringLiteral("arrival.wav"))}));
    // A sound of the user's own plays as it stands.
    m_pApp->Settings().SetSoundFile("/nonexistent/bell.wav");
    Deliver("ann/$0again/$1PC7/$2T/$30/$4");
    EXPECT_EQ(m_sound.m_played.last(), QStringLiteral("/nonexistent/bell.wav"));
}

TEST_F(BlipnoteAppTest, AHighPriorityNoteAlerts)
{
    Installed();
    m_store.WriteInt(kSettings, QStringLiteral("Use PopUp"), 0);
    ASSERT_TRUE(Start());
    m_pApp->MainFrame().showMinimized();
    CBlipnoteDoc* pDoc = Deliver("ann/$0fire!/$1PC7/$2Urgent/$31/$4");
    ASSERT_NE(pDoc, nullptr);
    EXPECT_EQ(m_prompts.Boxes(),
              QStringList({QStringLiteral("You have received \na High-Priority message !")}));
    EXPECT_FALSE(m_pApp->MainFrame().isMinimized());
    EXPECT_EQ(m_tray.Tip(), QStringLiteral("You have new mail"));

    m_pApp->Settings().SetUsePriority(false);
    Deliver("ann/$0fire again/$1PC7/$2Urgent/$31/$4");
    EXPECT_EQ(m_prompts.Boxes().size(), 1);
}

TEST_F(BlipnoteAppTest, AutoReplySendsTheAwayMessageBackOnce)
{
    Installed();
    ASSERT_TRUE(Start());
    m_pApp->Settings().SetIpPort(m_pApp->NoteServer().ServerPort());
    m_prompts.SetTextAnswer(QStringLiteral("Out for lunch."));
    m_pApp->OnAutoReply();
    // The note comes from 127.0.0.1, where this program itself listens: the
    // answer comes back to it, and is not answered again.
    Deliver("ann/$0are you there?/$1PC7/$2Lunch plans/$30/$4");
    ASSERT_TRUE(SpinUntil([&] { return m_pApp->Documents().Documents().size() >= 2; }));
    const CBlipnoteDoc* pIncoming = m_pApp->Documents().Documents()[1];
    EXPECT_EQ(pIncoming->m_strBody, "are you there?");
    ASSERT_TRUE(SpinUntil([&] { return m_pApp->Documents().Documents().size() >= 3; }));
    const QList<CBlipnoteDoc*> docs = m_pApp->Documents().Documents();
    // The answer opens while the note answered is being opened, so it comes first.
    const CBlipnoteDoc* pReply = docs[0];
    EXPECT_EQ(docs[1], pIncoming);
    EXPECT_FALSE(pReply->IsIncoming());
    EXPECT_EQ(pReply->m_strBody, "Out for lunch.");
    EXPECT_EQ(pReply->Title(), "Lunch plans");
    ASSERT_TRUE(SpinUntil([&] { return pReply->m_nSendState == 1; }));
    EXPECT_EQ(pReply->m_strAddress, "127.0.0.1");
    // Left open, its window says what it is; the note's title is as it went.
    QStringList titles;
    for (const CChildFrame* pFrame : m_pApp->MainFrame().NoteWindows())
        titles.append(pFrame->windowTitle());
    EXPECT_TRUE(titles.contains(QStringLiteral("Lunch plans (automatic answer)")))
        << titles.join(u'|').toStdString();
    const CBlipnoteDoc* pEcho = docs[2];
    EXPECT_TRUE(pEcho->IsIncoming());
    EXPECT_EQ(pEcho->m_strBody, "Out for lunch.");
    // Nothing more follows: the sender was answered once.
    for (int n = 0; n < 20; ++n)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(m_pApp->Documents().Documents().size(), 3);

    // With "AutoDelete" on, the answer closes once delivered.
    m_pApp->Settings().SetAutoDelete(true);
    m_pApp->OnAutoReply(); // off
    m_pApp->OnAutoReply(); // on again: everyone is answered anew
    Deliver("ann/$0still there?/$1PC7/$2Later/$30/$4");
    ASSERT_TRUE(SpinUntil([&] {
        return std::ranges::count_if(m_pApp->Documents().Documents(), [](const CBlipnoteDoc* pDoc) {
                   return pDoc->m_strBody == "Out for lunch." && pDoc->IsIncoming();
               }) == 2;
    }));
    EXPECT_TRUE(SpinUntil([&] {
        return std::ranges::none_of(m_pApp->Documents().Documents(), [](const CBlipnoteDoc* pDoc) {
            return pDoc->IsAutomaticAnswer() && pDoc->Title() == "Later";
        });
    }));
}

TEST_F(BlipnoteAppTest, TheGreetingComesOnce)
{
    QTemporaryDir dir;
    CNoteRecord greeting;
    greeting.m_strBody = "Hello and welcome!";
    greeting.m_nPriority = 1;
    const QString strPath = dir.filePath(QStringLiteral("greetings.bni"));
    ASSERT_TRUE(NoteFile::Save(strPath, greeting, "greetings", nullptr));
    m_store.WriteInt(kSettings, QStringLiteral("version"), 2);
    m_store.WriteInt(kSettings, QStringLiteral("IP Port"), 0);
    m_greetingDelay = 0ms;
    m_greetingFiles = {dir.filePath(QStringLiteral("nowhere.bni")), strPath};
    ASSERT_TRUE(Start());
    ASSERT_TRUE(SpinUntil([&] { return NoteWindows() == 1; }));
    const CChildFrame* pFrame = m_pApp->MainFrame().NoteWindows().first();
    EXPECT_EQ(pFrame->View()->Editor().NoteText(),
              "Hello " + m_pApp->System().strUserName + " and welcome!");
    EXPECT_EQ(m_prompts.Boxes(),
              QStringList({QStringLiteral("You have received \na High-Priority message !")}));
    EXPECT_EQ(m_store.ReadInt(kSettings, QStringLiteral("greetings")), 1);

    m_pApp.reset();
    CEventLog prompts;
    CAppEnvironment environment{m_store, prompts, m_tray, m_sound, false, 0};
    environment.greetingDelay = 0ms;
    environment.greetingFiles = {strPath};
    CBlipnoteApp again(environment);
    ASSERT_TRUE(again.Startup({}));
    for (int n = 0; n < 20; ++n)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_TRUE(again.Documents().Documents().isEmpty());
}

TEST_F(BlipnoteAppTest, AFloodOfNotesOpensEveryOneOnce)
{
    Installed();
    m_store.WriteInt(kSettings, QStringLiteral("Use Sound"), 0);
    ASSERT_TRUE(Start());
    constexpr int kNotes = 200;
    std::vector<std::future<CRawClientResult>> senders;
    for (int n = 0; n < kNotes; ++n) {
        CRawClientScript script;
        script.nPort = m_pApp->NoteServer().ServerPort();
        script.strFirst = SampleNotes::Numbered(n);
        senders.push_back(RunRawClient(script));
        if (senders.size() % 50 == 0)
            QCoreApplication::processEvents();
    }
    ASSERT_TRUE(SpinUntil([&] { return m_pApp->Documents().Documents().size() == kNotes; }, 30s));
    for (auto& sender : senders)
        EXPECT_FALSE(sender.get().strAnswer.isEmpty());
    QSet<QByteArray> bodies;
    for (const CBlipnoteDoc* pDoc : m_pApp->Documents().Documents())
        bodies.insert(pDoc->m_strBody);
    EXPECT_EQ(bodies.size(), kNotes);
}

TEST_F(BlipnoteAppTest, TheFingerServerFollowsItsMenuCommand)
{
    Installed();
    ASSERT_TRUE(Start()); // "Use FingerD" is on by default
    CMainMenus& menus = m_pApp->MainFrame().Menus();
    EXPECT_TRUE(m_pApp->FingerServer().IsListening());
    EXPECT_TRUE(m_pApp->FingerServer().IsListening());
    EXPECT_TRUE(menus.Action(CMainMenus::FingerDActive)->isChecked());
    EXPECT_TRUE(menus.Action(CMainMenus::FingerQueries)->isEnabled());

    m_pApp->OnFingerDActive();
    EXPECT_FALSE(m_pApp->FingerServer().IsListening());
    EXPECT_FALSE(m_pApp->FingerServer().IsListening());
    EXPECT_FALSE(menus.Action(CMainMenus::FingerDActive)->isChecked());
    EXPECT_FALSE(menus.Action(CMainMenus::FingerQueries)->isEnabled());
    // Switched off in memory only.
    EXPECT_FALSE(
        m_store.Contains(QStringLiteral("FingerD-Settings"), QStringLiteral("Use FingerD")));

    m_pApp->OnFingerDActive();
    EXPECT_TRUE(m_pApp->FingerServer().IsListening());
    EXPECT_TRUE(menus.Action(CMainMenus::FingerDActive)->isChecked());
}

TEST_F(BlipnoteAppTest, FingerClientsStreamingWithoutEndHoldUpNeitherTheNotePortNorTheWindow)
{
    Installed();
    ASSERT_TRUE(Start());
    // Four clients stream bytes without a line end into the finger port as fast
    // as it takes them, and come back each time they are answered.
    CHostilePeers streams({.nPort = m_pApp->FingerServer().ServerPort(),
                           .nAddresses = 4,
                           .nTrickling = 4,
                           .strTrickle = "u",
                           .bStream = true,
                           .bReconnect = true});
    ASSERT_TRUE(SpinUntil([&] { return streams.Written() > 4 * 1024 * 1024; }));
    // Notes still come in and open, and the window's timers still run.
    bool bTicked = false;
    QTimer::singleShot(10ms, [&bTicked] { bTicked = true; });
    for (int n = 0; n < 3; ++n) {
        CRawClientScript script;
        script.nPort = m_pApp->NoteServer().ServerPort();
        script.strFirst = SampleNotes::Numbered(n);
        auto sent = RunRawClient(script);
        ASSERT_TRUE(SpinUntil([&] { return sent.wait_for(0s) == std::future_status::ready; }, 5s))
            << "note " << n;
        EXPECT_FALSE(sent.get().strAnswer.isEmpty());
    }
    EXPECT_TRUE(SpinUntil([&] { return m_pApp->Documents().Documents().size() >= 3; }, 5s));
    EXPECT_TRUE(bTicked);
    EXPECT_TRUE(SpinUntil([&] { return streams.Answered() >= 4; }, 5s));
}

TEST_F(BlipnoteAppTest, ANotePortThatIsTakenSaysWhyAndWhatToDo)
{
    Installed();
    QTcpServer other;
    ASSERT_TRUE(other.listen(QHostAddress::AnyIPv4));
    const int nPort = other.serverPort();
    m_store.WriteInt(kSettings, QStringLiteral("IP Port"), nPort);
    m_store.WriteInt(kSettings, QStringLiteral("Use TrayArea"), 1);
    ASSERT_TRUE(Start({}, true));
    const auto Pane = [this]() -> QLabel* {
        for (QLabel* pLabel : m_pApp->MainFrame().statusBar()->findChildren<QLabel*>())
            if (pLabel->text() == QStringLiteral("Error while creating"))
                return pLabel;
        return nullptr;
    };
    ASSERT_TRUE(SpinUntil([&] { return Pane() != nullptr; }));
    // The whole text shows, however narrow the user makes the window.
    m_pApp->MainFrame().resize(120, 300);
    QCoreApplication::processEvents();
    EXPECT_GE(Pane()->width(), Pane()->sizeHint().width());
    const QString strTip = Pane()->toolTip();
    EXPECT_TRUE(strTip.contains(QStringLiteral("port %1 is in use by another program").arg(nPort)))
        << strTip.toStdString();
    EXPECT_TRUE(strTip.contains(QStringLiteral("Network page of Setup")));
    // In the tray it says so too.
    EXPECT_EQ(m_tray.Tip(), QStringLiteral("Blipnote - not receiving notes"));
    m_pApp->MainFrame().showMinimized();
    ASSERT_TRUE(SpinUntil([&] { return !m_pApp->MainFrame().isVisible(); }));
    EXPECT_EQ(m_tray.Tip(), QStringLiteral("Blipnote - not receiving notes"));
    m_pApp.reset();

    // A stored port that no server can listen on says so as well.
    m_store.WriteInt(kSettings, QStringLiteral("IP Port"), 70000);
    ASSERT_TRUE(Start({}, true));
    ASSERT_TRUE(SpinUntil([&] { return Pane() != nullptr; }));
    EXPECT_TRUE(Pane()->toolTip().contains(QStringLiteral("70000 is no port number")))
        << Pane()->toolTip().toStdString();
}

TEST_F(BlipnoteAppTest, AFingerPortThatIsTakenSwitchesTheServerOffForGood)
{
    Installed();
    QTcpServer other;
    ASSERT_TRUE(other.listen(QHostAddress::AnyIPv4));
    // The box waits for the user: the note port listens already meanwhile.
    struct CLookingPrompts : CEventLog
    {
        void ShowMessage(const QString& strText, PromptIcon eIcon) override
        {
            bNotesListening = pApp && pApp->NoteServer().IsListening();
            CEventLog::ShowMessage(strText, eIcon);
        }
        const CBlipnoteApp* pApp = nullptr;
        bool bNotesListening = false;
    } prompts;
    CAppEnvironment environment{m_store, prompts, m_tray, m_sound, false, other.serverPort()};
    environment.greetingDelay = m_greetingDelay;
    m_pApp = std::make_unique<CBlipnoteApp>(environment);
    prompts.pApp = m_pApp.get();
    ASSERT_TRUE(m_pApp->Startup({}));
    EXPECT_FALSE(m_pApp->FingerServer().IsListening());
    EXPECT_TRUE(prompts.bNotesListening);
    EXPECT_EQ(prompts.Boxes(),
              QStringList({QStringLiteral(
                  "Cannot create serversocket for FingerDaemon.\nFingerDaemon disabled.")}));
    EXPECT_FALSE(m_pApp->Settings().UseFingerD());
    EXPECT_EQ(m_store.ReadInt(QStringLiteral("FingerD-Settings"), QStringLiteral("Use FingerD")),
              0);
    EXPECT_FALSE(m_pApp->MainFrame().Menus().Action(CMainMenus::FingerDActive)->isChecked());
    m_pApp.reset(); // before the prompts it was given
}

TEST_F(BlipnoteAppTest, StatusTextsFromManyThreadsAllArrive)
{
    Installed();
    ASSERT_TRUE(Start());
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([this, t] {
            for (int n = 0; n < 250; ++n)
                m_pApp->MainFrame().PostStatusText(StatusPane::Sending,
                                                   QStringLiteral("job %1 step %2").arg(t).arg(n));
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    m_pApp->MainFrame().PostStatusText(StatusPane::Sending, QStringLiteral("Send successful"));
    ASSERT_TRUE(SpinUntil([&] {
        return m_pApp->MainFrame().StatusText(StatusPane::Sending) ==
               QStringLiteral("Send successful");
    }));
}

TEST_F(BlipnoteAppTest, AFifoToOpenIsRefusedAtOnce)
{
    // From the command line, File / Open or a drop: the same refusal, no wait.
    Installed();
    QTemporaryDir dir;
    const QString strFifo = dir.filePath(QStringLiteral("pipe.bno"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(strFifo).constData(), 0600), 0);
    EXPECT_FALSE(Start({.strOpenFile = strFifo}));
    EXPECT_EQ(m_pApp->ExitCode(), 1);
    EXPECT_EQ(m_prompts.Boxes(), QStringList({QStringLiteral("Failed to open document.")}));

    ASSERT_TRUE(Start());
    m_prompts.SetFileAnswer(strFifo);
    m_pApp->MainFrame().Menus().Action(CMainMenus::Open)->trigger();
    EXPECT_EQ(m_prompts.Boxes().size(), 2);
    EXPECT_EQ(NoteWindows(), 0);
}

TEST_F(BlipnoteAppTest, HostileRichTextOpensLikeAnyNote)
{
    // Notes that used to freeze the window for minutes: thousands of
    // paragraphs at 1,638 points, one 100 kB word, alternating formats.
    Installed();
    ASSERT_TRUE(Start());
    QByteArray strHuge = "{\\rtf1\\fs3276 ";
    while (strHuge.size() < 21000)
        strHuge += "x\\par ";
    QByteArray strRuns = "{\\rtf1 ";
    while (strRuns.size() < 100000)
        strRuns += "\\b x\\b0 y";
    for (const QByteArray& strBody :
         {strHuge + "}", "{\\rtf1 " + QByteArray(100000, 'w') + "}", strRuns + "}"}) {
        CBlipnoteDoc* pDoc = Deliver("eve/$0" + strBody + "/$1PC/$2T/$30/$4");
        ASSERT_NE(pDoc, nullptr);
        auto* pView = dynamic_cast<CNoteView*>(pDoc->FirstView());
        ASSERT_NE(pView, nullptr);
        pView->repaint(); // laid out and painted, as on the screen
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(NoteWindows(), 3);
}

TEST_F(BlipnoteAppTest, BeyondTheBoundOfOpenNotesReceivedNotesWaitToOpen)
{
    Installed();
    m_store.WriteInt(kSettings, QStringLiteral("Use Sound"), 0);
    ASSERT_TRUE(Start());
    m_pApp->IncomingNotes().SetMaxOpenNotes(3);
    QSet<QByteArray> opened;
    QObject::connect(&m_pApp->IncomingNotes(), &CIncomingNotes::NoteOpened,
                     [&opened](CBlipnoteDoc* pDoc) { opened.insert(pDoc->m_strBody); });
    // All five are connected before any note comes: a connection still in the
    // system's queue when the windows fill would (rightly) wait for room.
    int nArrived = 0;
    QObject::connect(&m_pApp->NoteServer(), &CNoteListenSocket::ConnectionArrived,
                     [&nArrived] { ++nArrived; });
    std::promise<void> allConnected;
    const std::shared_future<void> gate = allConnected.get_future().share();
    std::vector<std::future<CRawClientResult>> senders;
    for (int n = 0; n < 5; ++n) {
        CRawClientScript script;
        script.nPort = m_pApp->NoteServer().ServerPort();
        script.gate = gate;
        script.strSecond = SampleNotes::Numbered(n);
        senders.push_back(RunRawClient(script));
    }
    ASSERT_TRUE(SpinUntil([&] { return nArrived == 5; }));
    allConnected.set_value();
    // Every note is received and answered; beyond the bound they wait to open.
    const auto Answered = [&senders] {
        return std::count_if(senders.begin(), senders.end(), [](auto& sender) {
            return sender.wait_for(0s) == std::future_status::ready;
        });
    };
    ASSERT_TRUE(SpinUntil([&] { return Answered() == 5 && NoteWindows() == 3; }));
    EXPECT_EQ(m_pApp->IncomingNotes().WaitingNotes(), 2);
    // No more connections are taken meanwhile.
    EXPECT_TRUE(m_pApp->NoteServer().IsAcceptPaused());

    // The user closes notes: the waiting ones open, every one of them.
    for (int n = 0; n < 2; ++n)
        m_pApp->MainFrame().NoteWindows().first()->close();
    ASSERT_TRUE(SpinUntil([&] { return opened.size() == 5 && NoteWindows() == 3; }));
    // With room again, connections are taken again.
    m_pApp->MainFrame().NoteWindows().first()->close();
    ASSERT_TRUE(SpinUntil([&] { return !m_pApp->NoteServer().IsAcceptPaused(); }));
    for (auto& sender : senders)
        EXPECT_FALSE(sender.get().strAnswer.isEmpty());
    EXPECT_EQ(opened, QSet<QByteArray>({"note 0", "note 1", "note 2", "note 3", "note 4"}));
}

TEST_F(BlipnoteAppTest, NotesOfManyParagraphsWaitBeyondTheirBound)
{
    // A note of empty lines costs the editor far more than its bytes.
    Installed();
    m_store.WriteInt(kSettings, QStringLiteral("Use Sound"), 0);
    ASSERT_TRUE(Start());
    m_pApp->IncomingNotes().SetMaxOpenParagraphs(1000);
    const QByteArray strLines = "ann/$0" + QByteArray("\r\n").repeated(600) + "/$1PC/$2T/$30/$4";
    Deliver(strLines);
    Deliver(strLines);
    CRawClientScript script;
    script.nPort = m_pApp->NoteServer().ServerPort();
    script.strFirst = strLines;
    auto third = RunRawClient(script);
    ASSERT_TRUE(SpinUntil([&] { return third.wait_for(0s) == std::future_status::ready; }));
    EXPECT_EQ(third.get().strAnswer, QByteArray::number(strLines.size()));
    EXPECT_EQ(NoteWindows(), 2);
    EXPECT_EQ(m_pApp->IncomingNotes().WaitingNotes(), 1);
    m_pApp->MainFrame().NoteWindows().first()->close();
    ASSERT_TRUE(SpinUntil([&] { return m_pApp->IncomingNotes().WaitingNotes() == 0; }));
    EXPECT_EQ(NoteWindows(), 2);
}

TEST_F(BlipnoteAppTest, WhatASenderWritesIsNeverReadAsMarkup)
{
    // An image tag in the nickname would have the label load /dev/zero for ever.
    Installed();
    ASSERT_TRUE(Start());
    const QByteArray strNick = "<img src=\"/dev/zero\">";
    const QByteArray strSystem = "<b>PC</b><img src=\"/etc/passwd\">";
    CBlipnoteDoc* pDoc = Deliver(strNick + "/$0hi/$1" + strSystem + "/$2T/$30/$4");
    ASSERT_NE(pDoc, nullptr);
    auto* pView = dynamic_cast<CMsgInView*>(pDoc->FirstView());
    ASSERT_NE(pView, nullptr);
    pView->repaint();
    EXPECT_EQ(pView->NicknameText(), QString::fromLatin1(strNick));
    EXPECT_EQ(pView->SystemText(), QString::fromLatin1(strSystem));
    for (const QLabel* pLabel : pView->findChildren<QLabel*>()) {
        EXPECT_EQ(pLabel->textFormat(), Qt::PlainText);
        EXPECT_FALSE(pLabel->toolTip().contains(QStringLiteral("<img")));
    }
}
