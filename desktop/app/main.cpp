// The desktop program.
#include "core/finger/finger_daemon_socket.h"
#include "core/history/history_database.h"
#include "core/interfaces/logging.h"
#include "core/interfaces/version.h"
#include "core/net/held_port.h"
#include "core/settings/file_settings_store.h"
#include "desktop/app/autostart_entry.h"
#include "desktop/app/blipnote_app.h"
#include "desktop/app/capabilities.h"
#include "desktop/app/dialog_prompts.h"
#include "desktop/app/instance_channel.h"
#include "desktop/app/main_frame.h"
#include "desktop/app/sound_module.h"
#include "desktop/app/tray_icon.h"
#include "desktop/resources/icon_list.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QMessageBox>
#include <QSystemTrayIcon>

#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

const QCommandLineOption kPrintOption(QStringLiteral("print"),
                                      QStringLiteral("Print the note FILE on the default "
                                                     "printer and end."),
                                      QStringLiteral("FILE"));

const QCommandLineOption kHiddenOption(QStringLiteral("hidden"),
                                       QStringLiteral("Start in the tray (minimised on a desktop "
                                                      "without one), as at login."));

void AddOptions(QCommandLineParser& parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Blipnote sends short notes between workstations in real time."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(kPrintOption);
    parser.addOption(kHiddenOption);
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("A note file to open."),
                                 QStringLiteral("[FILE]"));
}

// Help and the version are printed without a display.
bool AsksForTextOnly(int argc, char* argv[])
{
    for (int n = 1; n < argc; ++n) {
        for (const char* pszOption : {"-h", "--help", "--help-all", "-v", "--version"}) {
            if (std::strcmp(argv[n], pszOption) == 0)
                return true;
        }
    }
    return false;
}

void Describe()
{
    QCoreApplication::setApplicationName(QStringLiteral("Blipnote"));
    QCoreApplication::setOrganizationName(QStringLiteral("Tessaro"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(Version::Text));
}

} // namespace

int main(int argc, char* argv[])
{
    // A closed connection, or a file grown past the size this process may
    // write, is an error to report, not a signal that ends the program.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    // The finger port is bound first of all, while the program may hold the
    // right to bind ports below 1024 (the package's file capability), and
    // then every capability is given up: nothing else the program does, the
    // note port of the settings least of all, runs with it. The finger server
    // listens on this socket when it is switched on, now or later. Without the
    // right (a build of one's own) the bind fails, and the finger server opens
    // its port itself when switched on, as where nothing is held.
    CHeldPort fingerPort;
    if (!AsksForTextOnly(argc, argv) && !fingerPort.Bind(CFingerDaemonSocket::FingerPort))
        qCDebug(lcFinger, "finger port not bound at the start: %s failed: %s",
                fingerPort.FailedStep(), std::strerror(fingerPort.ErrorNumber()));
    if (QString strProblem; !Capabilities::DropAll(&strProblem)) {
        std::fprintf(stderr, "blipnote: cannot give up the capabilities: %s\n",
                     qUtf8Printable(strProblem));
        return 1;
    }
    if (AsksForTextOnly(argc, argv)) {
        QCoreApplication app(argc, argv);
        Describe();
        QCommandLineParser parser;
        AddOptions(parser);
        parser.process(app); // prints and ends
        return 0;
    }
    QApplication app(argc, argv);
    Describe();
    QApplication::setDesktopFileName(QStringLiteral("blipnote"));
    QApplication::setWindowIcon(CIconList::Named(QStringLiteral("blipnote")));
    // The tray keeps the program running with no window shown; it ends by Exit.
    QApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser parser;
    AddOptions(parser);
    parser.process(app);

    CStartupRequest request;
    if (parser.isSet(kPrintOption))
        request.strPrintFile = parser.value(kPrintOption);
    else
        request.strOpenFile = parser.positionalArguments().value(0);
    request.bHidden = parser.isSet(kHiddenOption) && request.strOpenFile.isEmpty();

    // A copy runs already with these settings: it takes the request, this start
    // ends and touches neither the ports nor the settings.
    const QString strSettingsPath = CFileSettingsStore::DefaultPath();
    CInstanceChannel channel(strSettingsPath);
    switch (channel.Start(request)) {
    case CInstanceChannel::EStart::HandedOver:
        return 0;
    case CInstanceChannel::EStart::NoAnswer:
        std::fprintf(stderr, "blipnote: a running Blipnote does not answer\n");
        return 1;
    case CInstanceChannel::EStart::RunsAlone:
        // Nothing is handed to a process of another user; the user hears why
        // this start opens its own window.
        std::fprintf(stderr,
                     "blipnote: cannot look for a running Blipnote: %s; this copy runs on its "
                     "own\n",
                     qUtf8Printable(channel.Problem()));
        break;
    case CInstanceChannel::EStart::ThisCopyRuns:
        break;
    }

    // Nothing but a regular file is read or replaced as the settings.
    if (const QString strWhy = CFileSettingsStore::WhyUnusable(strSettingsPath);
        !strWhy.isEmpty()) {
        std::fprintf(stderr, "blipnote: %s\n", qUtf8Printable(strWhy));
        QMessageBox::critical(nullptr, QStringLiteral("Blipnote"),
                              QStringLiteral("The settings cannot be kept: %1.").arg(strWhy));
        return 1;
    }
    CFileSettingsStore store(strSettingsPath);
    CDialogPrompts prompts;
    CTrayIcon tray;
    CSoundModule sound(CSoundModule::DefaultFolders());
    const QString strDataFolder = QApplication::applicationDirPath();
    CAppEnvironment environment{store, prompts, tray, sound,
                                QSystemTrayIcon::isSystemTrayAvailable()};
    // The greeting note: in the working folder, else where the program keeps its data.
    environment.greetingFiles = {
        QStringLiteral("greetings.bni"),
        QDir(strDataFolder).filePath(QStringLiteral("greetings.bni")),
        QDir(strDataFolder).filePath(QStringLiteral("../share/blipnote/greetings.bni"))};
    // The program's own sounds: beside it in the build folder, else installed.
    environment.strSoundsFolder = COwnSounds::FindFolder(
        {QDir(strDataFolder).filePath(QStringLiteral("sounds")),
         QDir(strDataFolder).filePath(QStringLiteral("../share/blipnote/sounds"))});
    environment.bUseSessionBus = true;
    environment.bUseSystemBus = true;
    environment.pFingerPort = &fingerPort;
    environment.strAutostartFolder = CAutostartEntry::DefaultFolder();
    environment.strHistoryPath = CHistoryDatabase::DefaultPath();
    CBlipnoteApp blipnote(environment);
    QObject::connect(&blipnote, &CBlipnoteApp::Finished, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    QObject::connect(&channel, &CInstanceChannel::Requested, &blipnote, &CBlipnoteApp::TakeRequest);
    // Every box of the program, the start-up's first, shows over the main window.
    QObject::connect(&blipnote, &CBlipnoteApp::MainWindowCreated,
                     [&prompts](QWidget* pWindow) { prompts.SetParent(pWindow); });
    if (!blipnote.Startup(request))
        return blipnote.ExitCode();
    tray.SetMenu(blipnote.MainFrame().Menus().TrayMenu());
    QObject::connect(&tray, &CTrayIcon::RestoreRequested, &blipnote.MainFrame(),
                     &CMainFrame::ShowAndRestore);
    QObject::connect(&tray, &CTrayIcon::NewNoteRequested, &blipnote, [&blipnote] {
        blipnote.MainFrame().ShowAndRestore();
        blipnote.OnNew();
    });
    return QApplication::exec();
}
