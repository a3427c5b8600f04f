#include "cli/fingerd_command.h"

#include "cli/cli_output.h"
#include "cli/cli_prompts.h"
#include "cli/cli_settings.h"
#include "cli/command_line.h"
#include "cli/json_line.h"
#include "cli/line_output.h"
#include "cli/listen_address.h"
#include "cli/passed_socket.h"
#include "cli/quit_on_signal.h"
#include "core/finger/finger_daemon_socket.h"
#include "core/finger/finger_query_log.h"
#include "core/interfaces/sound_player.h"
#include "core/net/net_address.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <unistd.h>

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
    const QCommandLineOption addressOption = ListenAddressOption();
    QCommandLineParser& parser = command.Parser();
    parser.addOptions({portOption, addressOption});
    if (const std::optional<int> nDone = command.Parse(arguments))
        return *nDone;
    const auto nPort =
        NetAddress::ParsePort(parser.value(portOption), NetAddress::EPortUse::Listen);
    if (!nPort)
        return command.Fail(QStringLiteral("invalid port '%1'").arg(parser.value(portOption)));

    const std::optional<QHostAddress> address = ParseListenAddress(parser, addressOption);
    if (!address)
        return command.Fail(
            QStringLiteral("invalid address '%1'").arg(parser.value(addressOption)));

    CCliSettings stored;
    CCliPrompts prompts;
    CSilence silence;
    CQuitOnSignal quitOnSignal;
    CFingerQueryLog queries;
    CFingerDaemonSocket server(
        [&stored] { return FingerSettingsOf(stored.Settings(), stored.System()); }, queries,
        prompts, silence);
    CLineOutput output(STDOUT_FILENO);
    // While the reader of our output does not keep up, no new connection is
    // taken: the system's queue holds them. Without a reader, queries are
    // answered all the same.
    QObject::connect(&output, &CLineOutput::BlockedChanged, &server,
                     &CFingerDaemonSocket::SetAcceptPaused);
    QObject::connect(&server, &CFingerDaemonSocket::QueryLogged,
                     [&output](const QByteArray& strTime, const QByteArray& strQuery,
                               const QByteArray& strFrom) {
                         output.Write(CJsonLine()
                                          .CodePageText("from", strFrom)
                                          .CodePageText("query", strQuery)
                                          .CodePageText("time", strTime)
                                          .Take());
                     });
    // A socket from the service manager (port 79 without running as root) comes
    // before --port. The settings file is never written: a failed start is only
    // reported.
    switch (
        ServePassedSocket("fingerd", [&server](int nSocket) { return server.Adopt(nSocket); })) {
    case EPassedSocket::Failed:
        return 1;
    case EPassedSocket::Served:
        CliOutput::ErrorLine(
            QStringLiteral("finger server on port %1 (passed by the service manager)")
                .arg(server.ServerPort()));
        break;
    case EPassedSocket::None:
        if (server.Open(*nPort, *address) != CConnectionServer::EOpen::Opened) {
            CliOutput::ErrorLine(QStringLiteral("blipnote-cli fingerd: cannot listen on %1: %2")
                                     .arg(ListenPlace(*address, *nPort), server.OpenError()));
            return 1;
        }
        CliOutput::ErrorLine(QStringLiteral("finger server on port %1").arg(server.ServerPort()));
        break;
    }
    QCoreApplication::exec();
    return 0;
}
