// The host list as peers make it large: senders added from real notes over
// loopback stop at the list's bound (nicknames cut, one status note, the
// settings file bounded across restarts).
#include "core/hosts/host_list.h"
#include "core/messaging/blipnote_doc.h"
#include "core/messaging/doc_manager.h"
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

    const CHostList& Hosts() const { return m_pApp->Settings().m_hosts; }

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

    // A nickname of 9,900 bytes is listed cut, and the note shows it so.
    const QByteArray strLong(9900, 'n');
    const QByteArray strCut = strLong.first(CHostList::AutoAddedNicknameLength);
    EXPECT_EQ(Deliver(NoteFrom(strLong))->m_strNickname, strCut);
    EXPECT_EQ(Hosts().Entries().last(), (CHostEntry{strCut, "127.0.0.1", "default"}));
    // Its next note finds it, as does the host typed by hand with its long name.
    EXPECT_EQ(Deliver(NoteFrom(strLong))->m_strNickname, strCut);
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
    EXPECT_EQ(Deliver(NoteFrom(strLong))->m_strNickname, strCut);
    EXPECT_EQ(m_pApp->MainFrame().StatusNote().trimmed(), QString());
    EXPECT_EQ(Deliver(NoteFrom("frank"))->m_strNickname, "frank");
    EXPECT_EQ(m_pApp->MainFrame().StatusNote(), CIncomingNotes::HostListFullText());
    EXPECT_EQ(Hosts().Count(), CHostList::AutoAddBound);
}
