// Presence through the real program, against a stand-in for the Avahi daemon on
// the private bus the test runs in (never the machine's system bus): the
// announcement and its option, who is up in the recipient box, on the Hosts
// page and in the status bar, found hosts added by choice, and a waiting note
// sent when its host is announced.
#include "core/messaging/note_listen_socket.h"
#include "core/outbox/outbox.h"
#include "core/presence/presence_record.h"
#include "desktop/app/child_frame.h"
#include "desktop/app/main_frame.h"
#include "desktop/app/main_menus.h"
#include "desktop/presence/found_hosts_dlg.h"
#include "desktop/presence/presence_delegate.h"
#include "desktop/setup/host_rows_model.h"
#include "desktop/setup/page_hosts.h"
#include "desktop/setup/page_network.h"
#include "desktop/setup/setup_sheet.h"
#include "desktop/views/msg_out_view.h"
#include "tests/support/desktop_app_fixture.h"
#include "tests/support/event_loop.h"
#include "tests/support/loopback.h"
#include "tests/support/recording_status_sink.h"
#include "tests/support/stand_in_avahi.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDBusConnection>
#include <QPushButton>
#include <QStatusBar>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

using namespace std::chrono_literals;

namespace {

class PresenceWindowTest : public CDesktopAppFixture
{
protected:
    void SetUp() override
    {
        const QByteArray strBus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        if (strBus.isEmpty())
            GTEST_SKIP() << "no private session bus (dbus-run-session is not installed)";
        // The program's "system bus" is the test's private bus, where the stand-in runs.
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", strBus);
        m_pAvahi = std::make_unique<CStandInAvahi>();
        ASSERT_TRUE(m_pAvahi->Start());
        m_strHistoryPath = m_folder.filePath(QStringLiteral("data/history.db"));
        m_outboxTuning.firstGap = 1h; // tried again only when the host is announced
        m_bUseSystemBus = true;
        Installed();
        const QString strHosts = QStringLiteral("Hosts");
        m_store.WriteText(strHosts, QStringLiteral("Host 0"), "ann/$0127.0.0.5/$1lab/$2");
        m_store.WriteText(strHosts, QStringLiteral("Host 1"), "bob/$0127.0.0.6/$1lab/$2");
        m_store.WriteText(strHosts, QStringLiteral("Host 2"), "cyd/$0127.0.0.7/$1dock/$2");
        ASSERT_TRUE(Start());
    }

    static CStandInAvahi::CService Copy(const QString& strNickname, const QString& strAddress,
                                        quint16 nPort = 7777)
    {
        return {
            strNickname + QStringLiteral(" on desk"), strAddress, nPort,
            CPresenceRecord{strNickname, QStringLiteral("desk"), QStringLiteral("2.11")}.ToTxt(),
            false};
    }

    // What the recipient box of a new note shows beside the choice.
    QString Beside(const QString& strChoice)
    {
        CMsgOutView* pView = WriteNote(QString());
        if (!pView)
            return QStringLiteral("no note");
        QComboBox& box = pView->RecipientBox();
        const int nRow = box.findText(strChoice);
        const QString strText =
            nRow < 0
                ? QStringLiteral("no choice")
                : box.model()->index(nRow, 0).data(CPresenceDelegate::PresenceTextRole).toString();
        m_pApp->MainFrame().ActiveNoteWindow()->CloseWithoutQuestion();
        return strText;
    }

    bool RunSetup(int nTab, const std::function<void(CPSheetSetup&, CSetupPage&)>& act)
    {
        return OnModal([this] { m_pApp->MainFrame().Menus().Action(CMainMenus::Setup)->trigger(); },
                       [&](QWidget& modal) {
                           auto* pSheet = qobject_cast<CPSheetSetup*>(&modal);
                           ASSERT_NE(pSheet, nullptr);
                           pSheet->Tabs().setCurrentIndex(nTab);
                           act(*pSheet, *pSheet->Page(nTab));
                       });
    }

    std::unique_ptr<CStandInAvahi> m_pAvahi; // made once the program's system bus is set
    QTemporaryDir m_folder;
};

TEST_F(PresenceWindowTest, WhoIsUpShowsWhereHostsAreChosenAndChangesAsCopiesComeAndGo)
{
    // This copy is announced on its note port, under its nickname.
    ASSERT_TRUE(SpinUntil([&] { return !m_pAvahi->Announced().isEmpty(); }));
    EXPECT_EQ(m_pAvahi->Announced().constFirst().nPort, m_pApp->NoteServer().ServerPort());
    EXPECT_TRUE(m_pApp->MainFrame().statusBar()->toolTip().isEmpty());

    m_pAvahi->Announce(Copy(QStringLiteral("ann"), QStringLiteral("127.0.0.5")));
    ASSERT_TRUE(SpinUntil([&] { return Beside(QStringLiteral("ann")) == QStringLiteral("here"); }));
    EXPECT_EQ(Beside(QStringLiteral("Group lab")), QStringLiteral("1 of 2 here"));
    EXPECT_EQ(Beside(QStringLiteral("bob")), QString());

    // A note from bob: he was here then.
    QTcpSocket socket;
    ASSERT_TRUE(socket.bind(QHostAddress(QStringLiteral("127.0.0.6"))));
    socket.connectToHost(QHostAddress::LocalHost, m_pApp->NoteServer().ServerPort());
    ASSERT_TRUE(socket.waitForConnected(5000));
    socket.write("bob/$0hello/$1lab/$2hi/$30/$4");
    ASSERT_TRUE(SpinUntil([&] { return socket.bytesAvailable() > 0; }));
    ASSERT_TRUE(SpinUntil([&] { return Beside(QStringLiteral("bob")).startsWith(u"seen "); }));
    // Seen a moment ago is not here now.
    EXPECT_EQ(Beside(QStringLiteral("Group lab")), QStringLiteral("1 of 2 here"));
    EXPECT_EQ(Beside(QStringLiteral("Group dock")), QStringLiteral("0 of 1 here"));

    // Ann's copy withdraws.
    m_pAvahi->Withdraw(QStringLiteral("ann on desk"));
    ASSERT_TRUE(SpinUntil([&] { return Beside(QStringLiteral("ann")).startsWith(u"gone"); }));
    EXPECT_TRUE(Beside(QStringLiteral("ann")).startsWith(QStringLiteral("gone, last seen ")));

    // The Hosts page shows the same, and adds a found copy only when ticked.
    m_pAvahi->Announce(Copy(QStringLiteral("dee"), QStringLiteral("127.0.0.8")));
    m_pAvahi->Announce(Copy(QStringLiteral("eve"), QStringLiteral("127.0.0.9")));
    ASSERT_TRUE(SpinUntil([&] { return m_pApp->HostPresence().Peers().size() == 2; }));
    EXPECT_TRUE(RunSetup(1, [&](CPSheetSetup& sheet, CSetupPage& page) {
        auto& hosts = static_cast<CPageHosts&>(page);
        const CHostRowsModel& rows = hosts.Rows();
        EXPECT_TRUE(rows.index(0, CHostRowsModel::Presence).data().toString().startsWith(u"gone"));
        EXPECT_TRUE(rows.index(1, CHostRowsModel::Presence).data().toString().startsWith(u"seen"));
        EXPECT_EQ(rows.index(2, CHostRowsModel::Presence).data().toString(), QString());
        EXPECT_TRUE(OnModal([&] { hosts.AddFoundButton().click(); },
                            [](QWidget& modal) {
                                auto& found = static_cast<CFoundHostsDlg&>(modal);
                                QTreeWidget& list = found.List();
                                ASSERT_EQ(list.topLevelItemCount(), 2);
                                EXPECT_FALSE(found.AddButton().isEnabled());
                                QTreeWidgetItem* pEve = list.topLevelItem(1);
                                EXPECT_EQ(pEve->text(1), QStringLiteral("127.0.0.9"));
                                pEve->setCheckState(0, Qt::Checked);
                                found.AddButton().click();
                            }));
        ASSERT_EQ(rows.rowCount(), 4);
        EXPECT_EQ(rows.index(3, CHostRowsModel::Nickname).data().toString(), QStringLiteral("eve"));
        EXPECT_EQ(rows.index(3, CHostRowsModel::Presence).data().toString(),
                  QStringLiteral("here"));
        sheet.OkButton().click();
    }));
    EXPECT_EQ(m_pApp->HostBook().Hosts().Count(), 4);
    EXPECT_EQ(Beside(QStringLiteral("eve")), QStringLiteral("here"));

    // Announcing off withdraws at once; on announces again.
    const auto SetAnnounce = [&](bool bOn) {
        return RunSetup(2, [&](CPSheetSetup& sheet, CSetupPage& page) {
            QCheckBox& box = static_cast<CPageNetwork&>(page).AnnounceBox();
            EXPECT_NE(box.isChecked(), bOn);
            QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(8, box.height() / 2));
            sheet.OkButton().click();
        });
    };
    EXPECT_TRUE(SetAnnounce(false));
    EXPECT_TRUE(SpinUntil([&] { return m_pAvahi->Announced().isEmpty(); }));
    EXPECT_FALSE(m_pApp->Settings().Announce());
    EXPECT_TRUE(SetAnnounce(true));
    EXPECT_TRUE(SpinUntil([&] { return !m_pAvahi->Announced().isEmpty(); }));

    // The daemon stops: said in the status bar's tooltip, every copy gone.
    m_pAvahi->Stop();
    ASSERT_TRUE(SpinUntil([&] { return !m_pApp->MainFrame().statusBar()->toolTip().isEmpty(); }));
    EXPECT_TRUE(m_pApp->MainFrame().statusBar()->toolTip().startsWith(u"Presence unavailable"));
    EXPECT_TRUE(SpinUntil([&] { return Beside(QStringLiteral("eve")).startsWith(u"gone"); }));
}

TEST_F(PresenceWindowTest, AWaitingNoteGoesOnceWhenItsHostIsAnnounced)
{
    m_pApp->Settings().SetKeepUndelivered(true);
    const quint16 nPort = Loopback::UnusedPort();
    const QString strTo = QStringLiteral("127.0.0.11:%1").arg(nPort);
    const qsizetype nBoxes = m_prompts.Boxes().size();
    CMsgOutView* pView = WriteNote(strTo, QStringLiteral("Are you back?"));
    ASSERT_NE(pView, nullptr);
    Choose(QStringLiteral("&Message"), QStringLiteral("&Send"));
    ASSERT_TRUE(SpinUntil([&] { return m_prompts.Boxes().size() > nBoxes; }));
    COutbox* pOutbox = m_pApp->Outbox();
    ASSERT_NE(pOutbox, nullptr);
    ASSERT_EQ(pOutbox->Entries().size(), 1u);

    // The host comes up and its copy is announced: the note goes now, not in an hour.
    CRecordingStatusSink sink;
    CNoteListenSocket server(sink);
    QList<QByteArray> received;
    QObject::connect(&server, &CNoteListenSocket::NoteReceived,
                     [&](const QByteArray& strText, qint64) { received.append(strText); });
    ASSERT_TRUE(server.Open(nPort, QHostAddress(QStringLiteral("127.0.0.11"))));
    m_pAvahi->Announce(Copy(QStringLiteral("fay"), QStringLiteral("127.0.0.11"), nPort));
    ASSERT_TRUE(SpinUntil([&] { return received.size() == 1; }));
    EXPECT_TRUE(received.constFirst().contains("Are you back?"));
    ASSERT_TRUE(SpinUntil([&] { return pOutbox->Entries().empty(); }));
    // Announced again (another interface): nothing goes twice.
    m_pAvahi->Withdraw(QStringLiteral("fay on desk"));
    m_pAvahi->Announce(Copy(QStringLiteral("fay"), QStringLiteral("127.0.0.11"), nPort));
    SpinUntil([] { return false; }, 300ms);
    EXPECT_EQ(received.size(), 1);
}

} // namespace
