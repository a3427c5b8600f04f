// The start as a user meets it: real message boxes that stay open while the
// program's timers run, and the settings that are there afterwards.
#include "core/documents/doc_manager.h"
#include "core/messaging/note_listen_socket.h"
#include "core/notes/note_file.h"
#include "core/settings/memory_settings_store.h"
#include "desktop/app/blipnote_app.h"
#include "desktop/app/child_frame.h"
#include "desktop/app/dialog_prompts.h"
#include "desktop/app/main_frame.h"
#include "desktop/views/note_view.h"
#include "desktop/views/rich_text_ctrl.h"
#include "tests/support/desktop_app_fixture.h"
#include "tests/support/event_loop.h"
#include "tests/support/loopback.h"
#include "tests/support/raw_client.h"

#include <QApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <future>
#include <vector>

using namespace std::chrono_literals;

namespace {

// Answers each message box that opens, the way a person does after reading
// it: a while later, with a click on a button.
class CSlowReader : public QObject
{
public:
    CSlowReader(std::chrono::milliseconds reading, QMessageBox::StandardButton eAnswer)
        : m_eAnswer(eAnswer)
    {
        m_timer.setInterval(reading);
        connect(&m_timer, &QTimer::timeout, this, &CSlowReader::Answer);
        m_timer.start();
    }

    QStringList m_read;
    QList<QWidget*> m_owners;

private:
    void Answer()
    {
        auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!pBox)
            return;
        m_read.append(pBox->text());
        m_owners.append(pBox->parentWidget());
        QAbstractButton* pButton = pBox->button(m_eAnswer);
        if (!pButton)
            pButton = pBox->buttons().value(0);
        QTest::mouseClick(pButton, Qt::LeftButton);
    }

    QTimer m_timer;
    QMessageBox::StandardButton m_eAnswer;
};

class StartUpTest : public ::testing::Test
{
protected:
    StartUpTest()
    {
        CNoteRecord greeting;
        greeting.m_strBody = "Hello and welcome!";
        m_strGreeting = m_dir.filePath(QStringLiteral("greetings.bni"));
        EXPECT_TRUE(NoteFile::Save(m_strGreeting, greeting, "greetings", nullptr));
        m_store.WriteInt(QStringLiteral("Settings"), QStringLiteral("IP Port"), 0);
    }

    std::unique_ptr<CBlipnoteApp> Make(std::chrono::milliseconds greetingDelay)
    {
        CAppEnvironment environment{m_store, m_prompts, m_tray, m_sound, false, 0};
        environment.greetingDelay = greetingDelay;
        environment.greetingFiles = {m_strGreeting};
        auto pApp = std::make_unique<CBlipnoteApp>(environment);
        QObject::connect(pApp.get(), &CBlipnoteApp::MainWindowCreated,
                         [this](QWidget* pWindow) { m_prompts.SetParent(pWindow); });
        return pApp;
    }

    QTemporaryDir m_dir;
    QString m_strGreeting;
    CMemorySettingsStore m_store;
    CDialogPrompts m_prompts;
    CFakeTray m_tray;
    CFakeSound m_sound;
};

// A tenth of a second of silence, as a .wav file.
void WriteSilence(const QString& strPath)
{
    QFile file(strPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    constexpr quint32 nRate = 8000;
    constexpr quint32 nData = nRate / 10 * 2;
    out.writeRawData("RIFF", 4);
    out << quint32(36 + nData);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << nRate << quint32(nRate * 2) << quint16(2)
        << quint16(16);
    out.writeRawData("data", 4);
    out << nData;
    out.writeRawData(QByteArray(nData, '\0').constData(), nData);
}

// Whether something listens on the TCP port, as the system's tables say (a
// connection to find out would be a note arriving).
bool Listens(quint16 nPort)
{
    const QString strPort = QStringLiteral(":%1 ").arg(nPort, 4, 16, QLatin1Char('0')).toUpper();
    for (const char* pszTable : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        QFile table(QString::fromLatin1(pszTable));
        if (!table.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& strLine : table.readAll().split('\n')) {
            const QList<QByteArray> columns = strLine.simplified().split(' ');
            // Local address, remote address, state (0A: listening).
            if (columns.size() > 3 && columns[1].endsWith(strPort.trimmed().toLatin1()) &&
                columns[3] == "0A")
                return true;
        }
    }
    return false;
}

// The files a running process has mapped: its program and its libraries.
QByteArray MappedFiles(qint64 nPid)
{
    QFile maps(QStringLiteral("/proc/%1/maps").arg(nPid));
    return maps.open(QIODevice::ReadOnly) ? maps.readAll() : QByteArray();
}

} // namespace

TEST_F(StartUpTest, TheGreetingWaitsForTheSettingsWhileTheFirstQuestionIsOpen)
{
    // The first-run question stays open well past the greeting's time.
    CSlowReader reader(300ms, QMessageBox::Yes);
    const std::unique_ptr<CBlipnoteApp> pApp = Make(10ms);
    ASSERT_TRUE(pApp->Startup());
    ASSERT_TRUE(SpinUntil([&] { return pApp->MainFrame().NoteWindows().size() == 1; }));
    ASSERT_TRUE(SpinUntil([&] { return reader.m_read.size() == 2; }));
    EXPECT_EQ(reader.m_read[0], QStringLiteral("Ready to install Blipnote ?"));
    EXPECT_EQ(reader.m_read[1], QStringLiteral("You have received \na High-Priority message !"));
    // Both boxes showed over the main window.
    EXPECT_EQ(reader.m_owners, QList<QWidget*>({&pApp->MainFrame(), &pApp->MainFrame()}));

    // The greeting names the user, and what it stored are the real settings.
    const CChildFrame* pFrame = pApp->MainFrame().NoteWindows().first();
    EXPECT_EQ(pFrame->View()->Editor().NoteText(),
              "Hello " + pApp->System().strUserName + " and welcome!");
    const QString strSettings = QStringLiteral("Settings");
    EXPECT_EQ(m_store.ReadInt(strSettings, QStringLiteral("version")), 2);
    EXPECT_EQ(m_store.ReadInt(strSettings, QStringLiteral("greetings")), 1);
    EXPECT_EQ(m_store.ReadInt(strSettings, QStringLiteral("Use Sound")), 1);
    EXPECT_EQ(m_store.ReadText(strSettings, QStringLiteral("Nickname")),
              pApp->System().strUserName);
    EXPECT_EQ(m_store.ReadText(strSettings, QStringLiteral("Signature")), "-Blipnote2");
}

TEST_F(StartUpTest, NoGreetingWhenTheStartEndsInABox)
{
    // A file on the command line that cannot be opened: its box stays open
    // past the greeting's time, then the program ends without touching the store.
    CSlowReader reader(300ms, QMessageBox::Ok);
    const std::unique_ptr<CBlipnoteApp> pApp = Make(10ms);
    EXPECT_FALSE(pApp->Startup({.strOpenFile = m_dir.filePath(QStringLiteral("missing.bno"))}));
    EXPECT_EQ(reader.m_read, QStringList({QStringLiteral("Failed to open document.")}));
    for (int n = 0; n < 10; ++n)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_TRUE(pApp->Documents().Documents().isEmpty());
    EXPECT_EQ(m_store.WriteCount(), 1); // the port this test wrote
}

TEST_F(StartUpTest, AHighPriorityBoxLeftOpenHoldsBackNoAcknowledgement)
{
    m_store.WriteInt(QStringLiteral("Settings"), QStringLiteral("version"), 2);
    const std::unique_ptr<CBlipnoteApp> pApp = Make(1h);
    ASSERT_TRUE(pApp->Startup());
    const quint16 nPort = pApp->NoteServer().ServerPort();
    const auto Send = [nPort](const QByteArray& strNote) {
        CRawClientScript script;
        script.nPort = nPort;
        script.strFirst = strNote;
        return RunRawClient(script);
    };
    auto alert = Send("ann/$0fire!/$1PC7/$2Urgent/$31/$4");

    // While the alert is open, twenty notes arrive; the user reads the box only
    // once all of them have been acknowledged.
    std::vector<std::future<CRawClientResult>> behind;
    QStringList answers;
    int nOpenWhileBoxOpen = -1;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!pBox)
            return;
        if (behind.empty()) {
            for (int n = 0; n < 20; ++n)
                behind.push_back(Send("bob/$0note " + QByteArray::number(n) + "/$1PC8/$2T/$30/$4"));
            return;
        }
        if (!std::all_of(behind.begin(), behind.end(), [](const auto& result) {
                return result.wait_for(0s) == std::future_status::ready;
            }))
            return;
        for (auto& result : behind)
            answers.append(QString::fromLatin1(result.get().strAnswer));
        nOpenWhileBoxOpen = static_cast<int>(pApp->MainFrame().NoteWindows().size());
        QTest::mouseClick(pBox->buttons().value(0), Qt::LeftButton);
        user.stop();
    });
    user.start(10);

    ASSERT_TRUE(SpinUntil([&] { return pApp->MainFrame().NoteWindows().size() == 21; }));
    EXPECT_EQ(alert.get().strAnswer, "33");
    EXPECT_EQ(answers,
              QStringList(10, QStringLiteral("29")) + QStringList(10, QStringLiteral("30")));
    // Received, not yet shown: the notes behind the alert open once it is read.
    EXPECT_EQ(nOpenWhileBoxOpen, 0);
}

TEST(StartOfTheProgramTest, TheSoundAndPrintingSystemsAreLoadedOnlyWhenFirstNeeded)
{
    // The real program, with a sound for arriving notes and its own settings.
    QTemporaryDir config;
    QTemporaryDir runtime;
    const QString strSound = config.filePath(QStringLiteral("arrival.wav"));
    WriteSilence(strSound);
    const quint16 nPort = Loopback::UnusedPort();
    ASSERT_NE(nPort, 0);
    ASSERT_TRUE(QDir().mkpath(config.filePath(QStringLiteral("Tessaro"))));
    QFile settings(config.filePath(QStringLiteral("Tessaro/Blipnote.conf")));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write(
        "[Settings]\nversion=2\ngreetings=1\nUse Sound=1\nIP Port=" + QByteArray::number(nPort) +
        "\nSoundFile=" + strSound.toUtf8() + "\n[FingerD-Settings]\nUse FingerD=0\n");
    settings.close();
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(BLIPNOTE_DESKTOP_PATH));
    ASSERT_TRUE(program.waitForStarted());

    // Listening: neither the sound system nor the printing system is loaded.
    ASSERT_TRUE(SpinUntil([&] { return Listens(nPort); }));
    const QByteArray strStarted = MappedFiles(program.processId());
    ASSERT_TRUE(strStarted.contains("libQt6Widgets")) << strStarted.constData();
    EXPECT_FALSE(strStarted.contains("blipnote-sound.so"));
    EXPECT_FALSE(strStarted.contains("libQt6Multimedia"));
    EXPECT_FALSE(strStarted.contains("libcups"));

    // The first note that arrives brings its sound, and the sound system.
    CRawClientScript script;
    script.nPort = nPort;
    script.strFirst = "ann/$0hi/$1PC7/$2T/$30/$4";
    auto result = RunRawClient(script);
    ASSERT_TRUE(SpinUntil([&] { return result.wait_for(0s) == std::future_status::ready; }));
    EXPECT_EQ(result.get().strAnswer, "25");
    EXPECT_TRUE(SpinUntil([&] {
        const QByteArray strMapped = MappedFiles(program.processId());
        return strMapped.contains("blipnote-sound.so") && strMapped.contains("libQt6Multimedia");
    }));
    EXPECT_EQ(program.state(), QProcess::Running);
    program.kill();
    program.waitForFinished();
}
