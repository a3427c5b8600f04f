// The host list as peers and a user make it large: senders added from real
// notes over loopback stop at the list's bound (nicknames cut, one status note,
// the settings file bounded across restarts), and a hundred thousand hosts typed
// by hand stay whole and usable: the recipient box offers them, finds what is
// typed, sends to a host and a group; the Hosts tab shows and stores them.
#include "core/documents/blipnote_doc.h"
#include "core/documents/doc_manager.h"
#include "core/hosts/host_list.h"
#include "core/messaging/note_listen_socket.h"
#include "core/settings/file_settings_store.h"
#include "desktop/app/child_frame.h"
#include "desktop/app/incoming_notes.h"
#include "desktop/app/main_frame.h"
#include "desktop/resources/icon_list.h"
#include "desktop/setup/host_rows_model.h"
#include "desktop/setup/page_hosts.h"
#include "desktop/setup/setup_sheet.h"
#include "desktop/views/msg_out_view.h"
#include "tests/support/desktop_app_fixture.h"
#include "tests/support/event_loop.h"
#include "tests/support/recording_status_sink.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <algorithm>

namespace {

class HostListScaleTest : public CDesktopAppFixture
{
protected:
    ~HostListScaleTest() override { m_pApp.reset(); } // before the store it uses

    QString SettingsPath() const { return m_folder.filePath(QStringLiteral("Blipnote.conf")); }

    // A settings file as the user wrote it, with these host entries.
    void WriteSettings(const QByteArrayList& entries)
    {
        QFile file(SettingsPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        QByteArray strText = "[Settings]\nversion=2\ngreetings=1\nIP%20Port=0\nUse%20Sound=0\n"
                             "[FingerD-Settings]\nUse%20FingerD=0\n[Hosts]\n";
        for (qsizetype n = 0; n < entries.size(); ++n)
            strText += "Host%20" + QByteArray::number(n) + '=' + entries[n] + '\n';
        file.write(strText);
    }

    // The program on that file, as a user starts it.
    bool StartOnFile()
    {
        m_pFileStore = std::make_unique<CFileSettingsStore>(SettingsPath());
        CAppEnvironment environment{*m_pFileStore, m_prompts, m_tray, m_sound, false, 0};
        environment.greetingDelay = m_greetingDelay;
        environment.greetingFiles = m_greetingFiles;
        environment.strMailProgram = m_strMailProgram;
        m_pApp = std::make_unique<CBlipnoteApp>(environment);
        QObject::connect(m_pApp.get(), &CBlipnoteApp::Finished, [this] { m_bFinished = true; });
        return m_pApp->Startup({}) && ActivateMainWindow();
    }

    // File / Exit, and the file written.
    void Exit()
    {
        QPointer<QMenu> pFile = OpenMenuByMouse(QStringLiteral("&File"));
        ASSERT_NE(pFile, nullptr);
        ASSERT_TRUE(ClickItem(*pFile, QStringLiteral("E&xit")));
        ASSERT_TRUE(m_bFinished);
        m_pApp.reset();
        m_pFileStore.reset();
        m_bFinished = false;
    }

    CMsgOutView& NewNote()
    {
        QTest::keyClick(&m_pApp->MainFrame(), Qt::Key_N, Qt::ControlModifier);
        auto* pView = qobject_cast<CMsgOutView*>(m_pApp->MainFrame().ActiveNoteWindow()->View());
        EXPECT_NE(pView, nullptr);
        return *pView;
    }

    const CHostList& Hosts() const { return m_pApp->HostBook().Hosts(); }

    static QByteArray NoteFrom(const QByteArray& strNickname)
    {
        return strNickname + "/$0hello/$1PC9/$2T/$30/$4";
    }

    QTemporaryDir m_folder;
    std::unique_ptr<CFileSettingsStore> m_pFileStore;
};

// Collects what a logging category says while it lives.
class CLogCapture
{
public:
    explicit CLogCapture(const char* pszRules)
    {
        QLoggingCategory::setFilterRules(QString::fromLatin1(pszRules));
        s_pLines = &m_lines;
        m_previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext& context,
                                               const QString& strText) {
            s_pLines->append(QString::fromLatin1(context.category) + QLatin1Char(' ') + strText);
        });
    }
    ~CLogCapture()
    {
        qInstallMessageHandler(m_previous);
        QLoggingCategory::setFilterRules(QString());
        s_pLines = nullptr;
    }
    QStringList m_lines;

private:
    static inline QStringList* s_pLines = nullptr;
    QtMessageHandler m_previous;
};

} // namespace

TEST_F(HostListScaleTest, APeerFillsTheListOnlyUpToItsBoundAndTheUserIsToldOnce)
{
    // Hosts typed by hand, two short of the bound, one with a long nickname.
    QByteArrayList typed;
    const QByteArray strTypedLong(100, 't');
    typed.append(strTypedLong + "/$0127.0.0.1/$1lab/$2");
    while (typed.size() < CHostList::AutoAddBound - 2)
        typed.append("pc" + QByteArray::number(typed.size()) + "/$0127.1.0.1/$1lab/$2");
    WriteSettings(typed);
    ASSERT_TRUE(StartOnFile());
    ASSERT_EQ(Hosts().Count(), CHostList::AutoAddBound - 2);
    CLogCapture log("blipnote.*=true");
    int nNotesShown = 0;
    QObject::connect(m_pApp->MainFrame().statusBar(), &QStatusBar::messageChanged,
                     [&nNotesShown](const QString& strText) {
                         nNotesShown += strText == CIncomingNotes::HostListFullText();
                     });

    // A nickname of 9,900 bytes is listed cut; the note keeps it whole.
    const QByteArray strLong(9900, 'n');
    const QByteArray strCut = strLong.first(CHostList::AutoAddedNicknameLength);
    EXPECT_TRUE(Deliver(NoteFrom(strLong))->m_strNickname == strLong);
    EXPECT_EQ(Hosts().Entries().last(), (CHostEntry{strCut, "127.0.0.1", "default"}));
    // Its next note finds it (nothing more is added), as does the host typed
    // by hand with its long name.
    EXPECT_TRUE(Deliver(NoteFrom(strLong))->m_strNickname == strLong);
    EXPECT_EQ(Deliver(NoteFrom(strTypedLong))->m_strNickname, strTypedLong);
    EXPECT_EQ(Hosts().Count(), CHostList::AutoAddBound - 1);

    // The last place is taken; then new senders are shown, not added.
    EXPECT_EQ(Deliver(NoteFrom("carol"))->m_strNickname, "carol");
    EXPECT_EQ(Hosts().Count(), CHostList::AutoAddBound);
    EXPECT_EQ(nNotesShown, 0);
    EXPECT_EQ(Deliver(NoteFrom("dave"))->m_strNickname, "dave");
    EXPECT_EQ(Deliver(NoteFrom("erin"))->m_strNickname, "erin");
    EXPECT_EQ(Hosts().Count(), CHostList::AutoAddBound);
    EXPECT_EQ(m_pApp->MainFrame().StatusNote(), CIncomingNotes::HostListFullText());
    EXPECT_EQ(nNotesShown, 1);
    // A menu's hint shows over the note only while the pointer is on its item.
    QPointer<QMenu> pFile = OpenMenuByMouse(QStringLiteral("&File"));
    ASSERT_NE(pFile, nullptr);
    QTest::mouseMove(pFile, pFile->actionGeometry(pFile->actions().first()).center());
    EXPECT_EQ(m_pApp->MainFrame().StatusNote(), pFile->actions().first()->statusTip());
    pFile->close();
    QTest::mouseMove(&m_pApp->MainFrame());
    QCoreApplication::processEvents();
    EXPECT_EQ(m_pApp->MainFrame().StatusNote(), CIncomingNotes::HostListFullText());
    EXPECT_EQ(log.m_lines.filter(QStringLiteral("no longer added")).size(), 1)
        << log.m_lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(m_prompts.Boxes().isEmpty());

    // Exit stores the two added; the file holds no line a peer made long.
    Exit();
    QFile file(SettingsPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArrayList lines = file.readAll().split('\n');
    EXPECT_EQ(std::count_if(lines.cbegin(), lines.cend(),
                            [](const QByteArray& strLine) { return strLine.startsWith("Host"); }),
              CHostList::AutoAddBound);
    for (const QByteArray& strLine : lines)
        EXPECT_LT(strLine.size(), 200);

    // The next run reads them back as added, and tells once more.
    ASSERT_TRUE(StartOnFile());
    ASSERT_EQ(Hosts().Count(), CHostList::AutoAddBound);
    EXPECT_EQ(Hosts().Entries()[0].strNickname, strTypedLong);
    EXPECT_EQ(Hosts().Entries().last(2), (QList<CHostEntry>{{strCut, "127.0.0.1", "default"},
                                                            {"carol", "127.0.0.1", "default"}}));
    EXPECT_TRUE(Deliver(NoteFrom(strLong))->m_strNickname == strLong);
    EXPECT_EQ(m_pApp->MainFrame().StatusNote().trimmed(), QString());
    EXPECT_EQ(Deliver(NoteFrom("frank"))->m_strNickname, "frank");
    EXPECT_EQ(m_pApp->MainFrame().StatusNote(), CIncomingNotes::HostListFullText());
    EXPECT_EQ(Hosts().Count(), CHostList::AutoAddBound);
}

TEST_F(HostListScaleTest, AHundredThousandHostsTypedByHandStayWholeAndUsable)
{
    // A peer that takes notes for three of the hosts and one address typed.
    CRecordingStatusSink peerStatus;
    CNoteListenSocket peer(peerStatus);
    ASSERT_TRUE(peer.Open(0, QHostAddress::LocalHost));
    QByteArrayList received;
    QObject::connect(&peer, &CNoteListenSocket::NoteReceived,
                     [&received](const QByteArray& strText, qint64) { received.append(strText); });
    const QByteArray strPeer = "127.0.0.1:" + QByteArray::number(peer.ServerPort());

    static constexpr int kHosts = 100000;
    QByteArrayList typed;
    for (int n = 0; n < kHosts; ++n) {
        const bool bPeer = n == 7777 || n == 31 || n == 99998;
        typed.append("pc" + QByteArray::number(n) + "/$0" +
                     (bPeer ? strPeer
                            : "127.1." + QByteArray::number(n / 256 % 256) + '.' +
                                  QByteArray::number(n % 256)) +
                     "/$1" + (bPeer ? QByteArray("peers") : "lab" + QByteArray::number(n % 40)) +
                     "/$2");
    }
    WriteSettings(typed);
    ASSERT_TRUE(StartOnFile());
    ASSERT_EQ(Hosts().Count(), kHosts);
    EXPECT_EQ(Hosts().Entries()[kHosts - 1], (CHostEntry{"pc99999", "127.1.134.159", "lab39"}));

    // The recipient box offers every nickname and group once, in order.
    CMsgOutView& view = NewNote();
    QComboBox& box = view.RecipientBox();
    ASSERT_EQ(box.count(), kHosts + 41);
    for (int n = 1; n < box.count(); ++n)
        ASSERT_LT(box.itemText(n - 1).compare(box.itemText(n), Qt::CaseInsensitive), 0) << n;
    EXPECT_EQ(box.itemIcon(box.findText(QStringLiteral("Group peers"))).cacheKey(),
              CIconList::Icon(CIconList::Group).cacheKey());

    // What is typed is looked up among them, without regard to case.
    box.setFocus();
    QTest::keyClick(&box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(&box, QStringLiteral("PC7777"));
    EXPECT_EQ(box.completer()->completionCount(), 11); // pc7777, pc77770 ... pc77779
    EXPECT_EQ(box.completer()->currentCompletion(), QStringLiteral("pc7777"));
    EXPECT_EQ(box.currentText(), QStringLiteral("PC7777")); // never changed behind the user
    QTest::keyClick(&box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(&box, QStringLiteral("pc7777"));
    QTest::keyClick(&box, Qt::Key_S, Qt::ControlModifier); // Send
    ASSERT_TRUE(SpinUntil([&] { return received.size() == 1; }));

    // A group: every host in it.
    CMsgOutView& groupView = NewNote();
    groupView.RecipientBox().setFocus();
    QTest::keyClick(&groupView.RecipientBox(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(&groupView.RecipientBox(), QStringLiteral("Group peers"));
    QTest::keyClick(&groupView.RecipientBox(), Qt::Key_S, Qt::ControlModifier);
    ASSERT_TRUE(SpinUntil([&] { return received.size() == 4; }));
    // An address typed.
    CMsgOutView& typedView = NewNote();
    typedView.RecipientBox().setFocus();
    QTest::keyClick(&typedView.RecipientBox(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(&typedView.RecipientBox(), QString::fromLatin1(strPeer));
    QTest::keyClick(&typedView.RecipientBox(), Qt::Key_S, Qt::ControlModifier);
    ASSERT_TRUE(SpinUntil([&] { return received.size() == 5; }));
    EXPECT_TRUE(m_prompts.Boxes().isEmpty());

    // A note from a host of that name elsewhere: the list is past the bound, so
    // it is not added; the reply opens with the first host of that name chosen.
    Deliver(NoteFrom("PC31"));
    EXPECT_EQ(Hosts().Count(), kHosts);
    EXPECT_EQ(m_pApp->MainFrame().StatusNote(), CIncomingNotes::HostListFullText());
    QTest::keyClick(&m_pApp->MainFrame(), Qt::Key_R, Qt::ControlModifier);
    auto* pReply = qobject_cast<CMsgOutView*>(m_pApp->MainFrame().ActiveNoteWindow()->View());
    ASSERT_NE(pReply, nullptr);
    EXPECT_EQ(pReply->RecipientBox().currentText(), QStringLiteral("pc31"));

    // The Hosts tab shows them all; End loads the last, a letter typed changes
    // it, and Delete on the first row removes it.
    EXPECT_TRUE(OnModal(
        [this] {
            if (QMenu* pFile = OpenMenuByKey(Qt::Key_F))
                ClickItem(*pFile, QStringLiteral("Se&tup ..."));
        },
        [](QWidget& modal) {
            auto& sheet = static_cast<CPSheetSetup&>(modal);
            sheet.Tabs().setCurrentIndex(1);
            auto* pPage = qobject_cast<CPageHosts*>(sheet.Page(1));
            ASSERT_NE(pPage, nullptr);
            ASSERT_EQ(pPage->Rows().rowCount(), kHosts);
            pPage->List().setFocus();
            QTest::keyClick(&pPage->List(), Qt::Key_End);
            EXPECT_EQ(pPage->NicknameEdit().text(), QStringLiteral("pc99999"));
            QTest::keyClick(&pPage->NicknameEdit(), Qt::Key_End);
            QTest::keyClicks(&pPage->NicknameEdit(), QStringLiteral("x"));
            QTest::keyClick(&pPage->List(), Qt::Key_Home);
            QTest::keyClick(&pPage->List(), Qt::Key_Delete);
            QTest::mouseClick(&sheet.OkButton(), Qt::LeftButton);
        }));
    ASSERT_EQ(Hosts().Count(), kHosts - 1);

    // What was applied is what the next run reads.
    Exit();
    ASSERT_TRUE(StartOnFile());
    ASSERT_EQ(Hosts().Count(), kHosts - 1);
    EXPECT_EQ(Hosts().Entries()[0].strNickname, "pc1");
    EXPECT_EQ(Hosts().Entries()[kHosts - 2], (CHostEntry{"pc99999x", "127.1.134.159", "lab39"}));
    EXPECT_EQ(Hosts().AddressesOfGroup("peers"), (QByteArrayList{strPeer, strPeer, strPeer}));
}
