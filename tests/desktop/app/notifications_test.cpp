// What the desktop program tells the desktop's notification service, against a
// stand-in for that service on the private session bus the test runs in.
#include "core/documents/blipnote_doc.h"
#include "core/documents/doc_manager.h"
#include "core/messaging/note_listen_socket.h"
#include "desktop/alerts/note_notifier.h"
#include "desktop/alerts/unread_notes.h"
#include "desktop/app/child_frame.h"
#include "desktop/app/main_frame.h"
#include "desktop/setup/page_prefs.h"
#include "desktop/setup/setup_sheet.h"
#include "desktop/views/note_view.h"
#include "desktop/views/rich_text_ctrl.h"
#include "tests/support/desktop_app_fixture.h"
#include "tests/support/event_loop.h"
#include "tests/support/sample_notes.h"

#include <QCheckBox>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace std::chrono_literals;

namespace {

const QString kSettings = QStringLiteral("Settings");
const QString kService = QStringLiteral("org.freedesktop.Notifications");

// The notification service as a desktop runs it, on a connection of its own,
// remembering what it was asked.
class CStandInNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct CCall
    {
        uint nReplaces;
        QString strIcon;
        QString strSummary;
        QString strBody;
        QStringList actions;
        QVariantMap hints;
    };

    CStandInNotifications()
        : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                              QStringLiteral("stand-in")))
    {}
    ~CStandInNotifications() override
    {
        Unregister();
        QDBusConnection::disconnectFromBus(QStringLiteral("stand-in"));
    }

    bool Register()
    {
        return m_bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                                    QDBusConnection::ExportAllSlots |
                                        QDBusConnection::ExportAllSignals) &&
               m_bus.registerService(kService);
    }
    void Unregister()
    {
        m_bus.unregisterService(kService);
        m_bus.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
    }

    QList<CCall> m_calls;
    QList<uint> m_closed;

public Q_SLOTS:
    QStringList GetCapabilities()
    {
        return {QStringLiteral("body"), QStringLiteral("body-markup"), QStringLiteral("actions")};
    }
    uint Notify(const QString&, uint nReplaces, const QString& strIcon, const QString& strSummary,
                const QString& strBody, const QStringList& actions, const QVariantMap& hints, int)
    {
        m_calls.append({nReplaces, strIcon, strSummary, strBody, actions, hints});
        return nReplaces != 0 ? nReplaces : m_nNext++;
    }
    void CloseNotification(uint nId)
    {
        m_closed.append(nId);
        Q_EMIT NotificationClosed(nId, 3);
    }

Q_SIGNALS:
    void NotificationClosed(uint nId, uint nReason);
    void ActionInvoked(uint nId, const QString& strKey);

private:
    QDBusConnection m_bus;
    uint m_nNext = 1;
};

class NotificationsTest : public CDesktopAppFixture
{
protected:
    void SetUp() override
    {
        if (!QDBusConnection::sessionBus().isConnected())
            GTEST_SKIP() << "no session bus: run in dbus-run-session";
        m_bUseSessionBus = true;
        Installed();
        // Nothing brings the window up by itself: notes wait unread.
        m_store.WriteInt(kSettings, QStringLiteral("Use PopUp"), 0);
        m_store.WriteInt(kSettings, QStringLiteral("Use Priority"), 0);
        m_store.WriteInt(kSettings, QStringLiteral("Use Sound"), 0);
    }

    // Waits for the service to have been asked n times in all.
    bool CallsReach(qsizetype n)
    {
        return SpinUntil([&] { return m_service.m_calls.size() >= n; }, 10s);
    }
    // Chooses File / Setup ... and works its Preferences page with act, then OK.
    bool OnPreferences(const std::function<void(CPagePrefs&)>& act)
    {
        return ActivateMainWindow() && OnModal(
                                           [this] {
                                               if (QMenu* pFile = OpenMenuByKey(Qt::Key_F))
                                                   ClickItem(*pFile, QStringLiteral("Se&tup ..."));
                                           },
                                           [&act](QWidget& modal) {
                                               auto& sheet = *qobject_cast<CPSheetSetup*>(&modal);
                                               act(*qobject_cast<CPagePrefs*>(sheet.Page(0)));
                                               QTest::mouseClick(&sheet.OkButton(), Qt::LeftButton);
                                           });
    }
    static void Click(QCheckBox* pBox)
    {
        QTest::mouseClick(pBox, Qt::LeftButton, {}, QPoint(8, 8));
    }

    // The user works in another program: the main window is not the active one.
    bool LookElsewhere()
    {
        m_pApp->MainFrame().hide();
        return SpinUntil([&] { return !m_pApp->MainFrame().isActiveWindow(); });
    }
    // Lets the program settle past the time a notification would take.
    static void Settle() { QTest::qWait(static_cast<int>(CNoteNotifier::SettleTime.count()) * 3); }

    CChildFrame* FrameOf(const CBlipnoteDoc* pDoc) const
    {
        for (CChildFrame* pFrame : m_pApp->MainFrame().NoteWindows()) {
            if (pFrame->View()->Document() == pDoc)
                return pFrame;
        }
        return nullptr;
    }

    CStandInNotifications m_service;
};

} // namespace

TEST_F(NotificationsTest, AnUnseenNoteIsToldOfOnceOpensFromItAndGoesWhenSeen)
{
    ASSERT_TRUE(m_service.Register());
    ASSERT_TRUE(Start());
    ASSERT_TRUE(LookElsewhere());

    // A high-priority note whose sender writes markup, over many lines.
    QByteArray strBody = "Hello <i>there</i> & you";
    for (int n = 2; n <= 9; ++n)
        strBody += "\r\nline " + QByteArray::number(n);
    CBlipnoteDoc* pDoc = Deliver("ann<b>/$0" + strBody + "/$1PC7/$2Lunch/$31/$4");
    ASSERT_NE(pDoc, nullptr);
    ASSERT_TRUE(CallsReach(1));
    const CStandInNotifications::CCall& call = m_service.m_calls.constFirst();
    EXPECT_EQ(call.nReplaces, 0U);
    EXPECT_EQ(call.strIcon, QStringLiteral("blipnote"));
    EXPECT_EQ(call.strSummary, QStringLiteral("ann<b> (127.0.0.1)"));
    EXPECT_EQ(call.strBody,
              QStringLiteral("Hello &lt;i&gt;there&lt;/i&gt; &amp; you\nline 2\nline 3\nline 4"));
    EXPECT_EQ(call.hints.value(QStringLiteral("category")).toString(),
              QStringLiteral("im.received"));
    EXPECT_EQ(call.hints.value(QStringLiteral("urgency")).toInt(), 2);
    EXPECT_EQ(call.actions, QStringList({QStringLiteral("default"), QStringLiteral("Open"),
                                         QStringLiteral("reply"), QStringLiteral("Reply")}));
    EXPECT_EQ(m_tray.Attention(), QStringLiteral("Unread note from ann<b>"));
    Settle();
    EXPECT_EQ(m_service.m_calls.size(), 1);

    // A click on it brings the note's window up: seen, the notification goes.
    Q_EMIT m_service.ActionInvoked(1, QStringLiteral("default"));
    ASSERT_TRUE(SpinUntil([&] { return m_service.m_closed.contains(1U); }));
    EXPECT_TRUE(m_pApp->MainFrame().isVisible());
    EXPECT_EQ(m_pApp->MainFrame().ActiveNoteWindow(), FrameOf(pDoc));
    EXPECT_TRUE(m_tray.Attention().isEmpty());

    // Another note while the user looks elsewhere: Reply opens the answer.
    ASSERT_TRUE(LookElsewhere());
    CBlipnoteDoc* pSecond = Deliver(SampleNotes::Numbered(2));
    ASSERT_TRUE(CallsReach(2));
    EXPECT_EQ(m_service.m_calls[1].hints.value(QStringLiteral("urgency")).toInt(), 1);
    const qsizetype nBefore = m_pApp->Documents().Documents().size();
    Q_EMIT m_service.ActionInvoked(2, QStringLiteral("reply"));
    ASSERT_TRUE(SpinUntil([&] { return m_pApp->Documents().Documents().size() > nBefore; }));
    const CBlipnoteDoc* pAnswer = m_pApp->Documents().Documents().constLast();
    EXPECT_FALSE(pAnswer->IsIncoming());
    EXPECT_TRUE(pAnswer->m_strBody.contains("note 2") ||
                NoteViewOf(*pAnswer)->Editor().toPlainText().contains(QStringLiteral("note 2")));
    EXPECT_TRUE(SpinUntil([&] { return m_service.m_closed.contains(2U); }));
    EXPECT_FALSE(m_pApp->UnreadNotes().Contains(pSecond));

    // A note closed unseen takes its notification with it; an old number's
    // action does nothing.
    ASSERT_TRUE(LookElsewhere());
    CBlipnoteDoc* pThird = Deliver(SampleNotes::Numbered(3));
    ASSERT_TRUE(CallsReach(3));
    Q_EMIT m_service.ActionInvoked(1, QStringLiteral("default"));
    QTest::qWait(100);
    EXPECT_FALSE(m_pApp->MainFrame().isVisible());
    m_pApp->Documents().CloseDocument(pThird);
    EXPECT_TRUE(SpinUntil([&] { return m_service.m_closed.contains(3U); }));
    EXPECT_TRUE(m_tray.Attention().isEmpty());
}

TEST_F(NotificationsTest, APriorityNoteIsToldOfWhileItsBoxWaitsAndUnseenNotesAreCounted)
{
    m_store.WriteInt(kSettings, QStringLiteral("Use Priority"), 1);
    ASSERT_TRUE(m_service.Register());
    ASSERT_TRUE(Start());
    ASSERT_TRUE(LookElsewhere());
    // The alert box comes before the note opens: the notification does not
    // wait for it, and goes once the box is answered.
    ASSERT_NE(Deliver("bob/$0Server room\r\nis on fire/$1PC7/$2T/$31/$4"), nullptr);
    ASSERT_TRUE(CallsReach(1));
    EXPECT_EQ(m_service.m_calls[0].strSummary, QStringLiteral("bob (127.0.0.1)"));
    EXPECT_EQ(m_service.m_calls[0].strBody, QStringLiteral("Server room\nis on fire"));
    EXPECT_EQ(m_service.m_calls[0].hints.value(QStringLiteral("urgency")).toInt(), 2);
    EXPECT_TRUE(SpinUntil([&] { return m_service.m_closed.contains(1U); }));

    // A notification gone by its time still counts its note in the next one;
    // notes from two nicknames of one address are told as from that address.
    ASSERT_TRUE(LookElsewhere());
    ASSERT_NE(Deliver(SampleNotes::Numbered(1)), nullptr);
    ASSERT_TRUE(CallsReach(2));
    const uint nExpired = m_service.m_calls.size() == 2 ? 2U : 0U;
    Q_EMIT m_service.NotificationClosed(nExpired, 1);
    QTest::qWait(100);
    ASSERT_NE(Deliver("carl/$0hi/$1PC8/$2T/$30/$4"), nullptr);
    ASSERT_TRUE(CallsReach(3));
    EXPECT_EQ(m_service.m_calls[2].nReplaces, 0U);
    EXPECT_EQ(m_service.m_calls[2].strSummary, QStringLiteral("2 new notes from 127.0.0.1"));
    EXPECT_EQ(m_service.m_calls[2].strBody, QStringLiteral("carl, ann"));
}

TEST_F(NotificationsTest, WithoutTheServiceOrWhenItDiesNotesComeAsBefore)
{
    // No service at all: the notes open, the tray still names them.
    ASSERT_TRUE(Start());
    ASSERT_TRUE(LookElsewhere());
    ASSERT_NE(Deliver(SampleNotes::Numbered(1)), nullptr);
    EXPECT_EQ(m_tray.Attention(), QStringLiteral("Unread note from ann"));

    // A service that comes, tells of one note, and goes.
    ASSERT_TRUE(m_service.Register());
    ASSERT_NE(Deliver(SampleNotes::Numbered(2)), nullptr);
    ASSERT_TRUE(CallsReach(1));
    m_service.Unregister();
    for (int n = 3; n < 6; ++n)
        ASSERT_NE(Deliver(SampleNotes::Numbered(n)), nullptr);
    Settle();
    EXPECT_EQ(NoteWindows(), 5);
    EXPECT_EQ(m_service.m_calls.size(), 1);
    EXPECT_EQ(m_tray.Attention(), QStringLiteral("5 unread notes from ann"));

    // A service that comes back numbers afresh: nothing of the old one's
    // number is replaced (it may be another program's now).
    ASSERT_TRUE(m_service.Register());
    ASSERT_NE(Deliver(SampleNotes::Numbered(6)), nullptr);
    ASSERT_TRUE(CallsReach(2));
    EXPECT_EQ(m_service.m_calls[1].nReplaces, 0U);
    // The notes told of while none served are counted in.
    EXPECT_EQ(m_service.m_calls[1].strSummary, QStringLiteral("6 new notes from ann (127.0.0.1)"));
}

TEST_F(NotificationsTest, NotesSeenAtOnceOrWithTheOptionOffAreNotToldOf)
{
    QTemporaryDir autostart;
    m_strAutostartFolder = autostart.path();
    ASSERT_TRUE(m_service.Register());
    m_store.WriteInt(kSettings, QStringLiteral("Use PopUp"), 1);
    ASSERT_TRUE(Start());
    // The window pops up for the note: it is seen at once.
    ASSERT_NE(Deliver(SampleNotes::Numbered(1)), nullptr);
    Settle();
    EXPECT_TRUE(m_service.m_calls.isEmpty());
    EXPECT_TRUE(m_tray.Attention().isEmpty());

    // The user switches notifications off and the start at login on.
    ASSERT_TRUE(OnPreferences([](CPagePrefs& page) {
        ASSERT_NE(page.LoginStartBox(), nullptr);
        EXPECT_FALSE(page.LoginStartBox()->isChecked());
        EXPECT_TRUE(page.DesktopBoxes().first()->isChecked());
        Click(page.DesktopBoxes().first());
        Click(page.LoginStartBox());
    }));
    EXPECT_EQ(m_store.ReadInt(QStringLiteral("Desktop"), QStringLiteral("Use Notifications"), -1),
              0);
    QFile entry(autostart.filePath(QStringLiteral("blipnote.desktop")));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QByteArray strEntry = entry.readAll();
    EXPECT_TRUE(strEntry.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(strEntry.contains(" --hidden\n"));
    EXPECT_TRUE(strEntry.contains("Exec=\"" + QCoreApplication::applicationFilePath().toUtf8()));

    m_store.WriteInt(kSettings, QStringLiteral("Use PopUp"), 0);
    m_pApp->Settings().SetUsePopUp(false);
    ASSERT_TRUE(LookElsewhere());
    ASSERT_NE(Deliver(SampleNotes::Numbered(2)), nullptr);
    Settle();
    EXPECT_TRUE(m_service.m_calls.isEmpty());
    EXPECT_FALSE(m_tray.Attention().isEmpty()); // the tray still says it waits

    // The login start off again: the entry goes.
    ASSERT_TRUE(OnPreferences([](CPagePrefs& page) {
        EXPECT_TRUE(page.LoginStartBox()->isChecked());
        Click(page.LoginStartBox());
    }));
    EXPECT_FALSE(QFile::exists(entry.fileName()));
}

TEST_F(NotificationsTest, AHiddenStartGoesToTheTrayOrMinimised)
{
    CStartupRequest hidden;
    hidden.bHidden = true;
    ASSERT_TRUE(Start(hidden, true));
    EXPECT_FALSE(m_pApp->MainFrame().isVisible());
    EXPECT_EQ(m_tray.Icon(), ITrayIcon::EIcon::Listening);
    m_pApp.reset();

    ASSERT_TRUE(Start(hidden, false));
    EXPECT_TRUE(m_pApp->MainFrame().isMinimized());
    EXPECT_FALSE(m_pApp->MainFrame().isActiveWindow());
}

#include "notifications_test.moc"
