// The desktop program.
#include "core/interfaces/version.h"
#include "core/settings/file_settings_store.h"
#include "desktop/app/blipnote_app.h"
#include "desktop/app/dialog_prompts.h"
#include "desktop/app/instance_channel.h"
#include "desktop/app/main_frame.h"
#include "desktop/app/sound_effect_player.h"
#include "desktop/app/tray_icon.h"
#include "desktop/resources/icon_list.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QSystemTrayIcon>

#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Blipnote"));
    QApplication::setOrganizationName(QStringLiteral("Tessaro"));
    QApplication::setApplicationVersion(QString::fromLatin1(Version::Text));
    QApplication::setDesktopFileName(QStringLiteral("blipnote"));
    QApplication::setWindowIcon(CIconList::Named(QStringLiteral("blipnote")));
    // The tray keeps the program running with no window shown; it ends by Exit.
    QApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Blipnote sends short notes between workstations in real time."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption printOption(
        QStringLiteral("print"),
        QStringLiteral("Print the note FILE on the default printer and end."),
        QStringLiteral("FILE"));
    parser.addOption(printOption);
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("A note file to open."),
                                 QStringLiteral("[FILE]"));
    parser.process(app);

    CStartupRequest request;
    if (parser.isSet(printOption))
        request.strPrintFile = parser.value(printOption);
    else
        request.strOpenFile = parser.positionalArguments().value(0);

    // A copy runs already with these settings: it takes the request, this start
    // ends and touches neither the ports nor the settings.
    const QString strSettingsPath = CFileSettingsStore::DefaultPath();
    CInstanceChannel channel(strSettingsPath);
    for (;;) {
        switch (channel.HandOver(request)) {
        case CInstanceChannel::EHandOver::Taken:
            return 0;
        case CInstanceChannel::EHandOver::NoAnswer:
            std::fprintf(stderr, "blipnote: a running Blipnote does not answer\n");
            return 1;
        case CInstanceChannel::EHandOver::NoneRunning:
            break;
        }
        // When another start won the race, it takes the request now.
        if (channel.Listen() != CInstanceChannel::EListen::OtherCopy)
            break;
    }

    CFileSettingsStore store(strSettingsPath);
    CDialogPrompts prompts;
    CTrayIcon tray;
    CSoundEffectPlayer sound;
    const QString strDataFolder = QApplication::applicationDirPath();
    CAppEnvironment environment{store, prompts, tray, sound,
                                QSystemTrayIcon::isSystemTrayAvailable()};
    // The greeting note: in the working folder, else where the program keeps its data.
    environment.greetingFiles = {
        QStringLiteral("greetings.bni"),
        QDir(strDataFolder).filePath(QStringLiteral("greetings.bni")),
        QDir(strDataFolder).filePath(QStringLiteral("../share/blipnote/greetings.bni"))};
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
