#include "cli/browse_command.h"

#include "cli/cli_output.h"
#include "cli/command_line.h"
#include "cli/json_line.h"
#include "cli/quit_on_signal.h"
#include "core/presence/presence_browser.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QTimer>

namespace {

// How long a single look waits for the lookups of what the daemon knows.
constexpr auto kLookTimeLimit = std::chrono::seconds(5);

QByteArray PeerJson(const CPresencePeer& peer, const char* pszState)
{
    return CJsonLine()
        .Text("address", peer.strAddress)
        .Text("computer", peer.record.strComputer)
        .Number("local", peer.bLocal ? 1 : 0)
        .Text("name", peer.strName)
        .Text("nickname", peer.record.strNickname)
        .Number("port", peer.nPort)
        .Text("state", QString::fromLatin1(pszState))
        .Text("version", peer.record.strVersion)
        .Take();
}

} // namespace

int RunBrowseCommand(const QStringList& arguments)
{
    CCommandLine command(
        "browse",
        QStringLiteral("Prints the copies of Blipnote announced on the local network (through "
                       "the Avahi daemon), one line of JSON each, with the keys address, "
                       "computer, local (1 when announced from this computer), name, nickname, "
                       "port, state (here or gone) and version."));
    QCommandLineParser& parser = command.Parser();
    const QCommandLineOption watchOption(
        QStringLiteral("watch"),
        QStringLiteral("Keep running and print a line as each copy comes (here) and goes "
                       "(gone), until interrupted."));
    parser.addOption(watchOption);
    if (const std::optional<int> nDone = command.Parse(arguments))
        return *nDone;
    const bool bWatch = parser.isSet(watchOption);

    CQuitOnSignal quitOnSignal;
    CPresenceBrowser browser(QDBusConnection::systemBus());
    int nExitCode = 0;
    const auto finish = [&nExitCode](int nCode) {
        nExitCode = nCode;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    };
    QObject::connect(&browser, &CPresenceBrowser::Appeared, [](const CPresencePeer& peer) {
        CliOutput::WriteLine(PeerJson(peer, "here"));
    });
    QObject::connect(&browser, &CPresenceBrowser::Gone, [](const CPresencePeer& peer) {
        CliOutput::WriteLine(PeerJson(peer, "gone"));
    });
    bool bToldUnavailable = false;
    QObject::connect(&browser, &CPresenceBrowser::AvailabilityChanged, [&](bool bAvailable) {
        if (bAvailable) {
            if (bToldUnavailable)
                CliOutput::ErrorLine(QStringLiteral("blipnote-cli browse: presence available"));
            bToldUnavailable = false;
            return;
        }
        if (!bToldUnavailable)
            CliOutput::ErrorLine(QStringLiteral("blipnote-cli browse: presence unavailable: %1")
                                     .arg(browser.UnavailableReason()));
        bToldUnavailable = true;
        if (!bWatch)
            finish(1);
    });
    QTimer timeLimit;
    if (!bWatch) {
        QObject::connect(&browser, &CPresenceBrowser::Settled, [&] { finish(0); });
        timeLimit.setSingleShot(true);
        QObject::connect(&timeLimit, &QTimer::timeout, [&] { finish(0); });
        timeLimit.start(kLookTimeLimit);
    }
    browser.Start();
    QCoreApplication::exec();
    if (quitOnSignal.ReceivedSignal() != 0)
        return 130;
    return nExitCode;
}
