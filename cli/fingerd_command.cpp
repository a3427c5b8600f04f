#include "cli/fingerd_command.h"

#include "cli/cli_output.h"
#include "cli/cli_prompts.h"
#include "cli/cli_settings.h"
#include "cli/command_line.h"
#include "cli/json_line.h"
#include "cli/quit_on_signal.h"
#include "core/finger/finger_daemon_socket.h"
#include "core/interfaces/sound_player.h"
#include "core/net/net_address.h"
#include "core/net/socket_activation.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace {
// The command-line tool plays no sounds.
class CSilence : public ISoundPlayer
{
public:
    void Play(const QString&) override {}
};
} // namespace

int RunFingerdCommand(const QStringList& arguments)
{
    CCommandLine command(
        "fingerd",
        QStringLiteral("Runs the finger server without a window, with the finger settings of "
                       "your settings file. Each answered query is written to standard output "
                       "as one line of JSON with the keys time, query and from."));
    const QCommandLineOption portOption({QStringLiteral("p"), QStringLiteral("port")},
                                        QStringLiteral("Port to listen on (default 79)."),
                                        QStringLiteral("N"), QStringLiteral("79"));
    QCommandLineParser& parser = command.Parser();
    parser.addOption(portOption);
    if (const std::optional<int> nDone = command.Parse(arguments))
        return *nDone;
    const auto nPort =
        NetAddress::ParsePort(parser.value(portOption), NetAddress::EPortUse::Listen);
    if (!nPort)
        return command.Fail(QStringLiteral("invalid port '%1'").arg(parser.value(portOption)));

    CCliSettings stored;
    CCliPrompts prompts;
    CSilence silence;
    CQuitOnSignal quitOnSignal;
    CFingerDaemonSocket server([&stored] { return stored.Settings().FingerSettings(); },
                               stored.Settings().m_fingerQueryLog, prompts, silence);
    QObject::connect(
        &server, &CFingerDaemonSocket::QueryLogged,
        [](const QByteArray& strTime, const QByteArray& strQuery, const QByteArray& strFrom) {
            CliOutput::WriteLine(CJsonLine()
                                     .CodePageText("from", strFrom)
                                     .CodePageText("query", strQuery)
                                     .CodePageText("time", strTime)
                                     .Take());
        });
    // A socket from the service manager (port 79 without running as root) comes
    // before --port. The settings file is never written: a failed start is only
    // reported.
    QString strNote;
    if (const std::optional<int> nSocket = SocketActivation::TakeListeningSocket(&strNote)) {
        if (!strNote.isEmpty())
            CliOutput::ErrorLine(QStringLiteral("blipnote-cli fingerd: ") + strNote);
        if (!server.Adopt(*nSocket)) {
            CliOutput::ErrorLine(QStringLiteral("blipnote-cli fingerd: the socket passed by the "
                                                "service manager is not a listening TCP socket"));
            return 1;
        }
        CliOutput::ErrorLine(QStringLiteral("finger server on port %1 (passed by the service "
                                            "manager)")
                                 .arg(server.ServerPort()));
    } else if (!strNote.isEmpty()) {
        // Meant for this process but unusable: serving another port instead would
        // leave the service manager's port unanswered.
        CliOutput::ErrorLine(QStringLiteral("blipnote-cli fingerd: ") + strNote);
        return 1;
    } else if (server.StartDaemon(*nPort) != CConnectionServer::EOpen::Opened) {
        return 1;
    } else {
        CliOutput::ErrorLine(QStringLiteral("finger server on port %1").arg(server.ServerPort()));
    }
    QCoreApplication::exec();
    return 0;
}
