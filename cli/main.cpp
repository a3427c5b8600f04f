#include "cli/cli_output.h"
#include "cli/fingerd_command.h"
#include "cli/hosts_command.h"
#include "cli/listen_command.h"
#include "cli/seek_command.h"
#include "cli/send_command.h"
#include "cli/show_command.h"
#include "core/interfaces/version.h"

#include <QCoreApplication>
#include <QStringList>

#include <csignal>

namespace {

const char kUsage[] = "Usage: blipnote-cli COMMAND [OPTIONS]\n"
                      "\n"
                      "Blipnote's command-line tool: sends and receives notes without a window.\n"
                      "It reads your settings ($XDG_CONFIG_HOME/Tessaro/Blipnote.conf) and\n"
                      "never writes them.\n"
                      "\n"
                      "Commands:\n"
                      "  listen      run the note server and print each note as JSON\n"
                      "  send        send a note to one or more recipients\n"
                      "  hosts       print the host list as JSON\n"
                      "  show        print a note file as JSON\n"
                      "  fingerd     run the finger server and print each query as JSON\n"
                      "  seek        finger the host list and print who is up as JSON\n"
                      "\n"
                      "Options:\n"
                      "  -h, --help     show this help, or a command's help after it\n"
                      "  -v, --version  show the version\n";

} // namespace

int main(int argc, char* argv[])
{
    // A closed standard output, or a file grown past the size this process may
    // write, is an error to report, not a signal that ends us.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("blipnote-cli"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(Version::Text));

    const QStringList arguments = QCoreApplication::arguments();
    const QString strCommand = arguments.value(1);
    if (strCommand == QLatin1String("-h") || strCommand == QLatin1String("--help")) {
        CliOutput::WriteLine(QByteArray(kUsage).chopped(1));
        return 0;
    }
    if (strCommand == QLatin1String("-v") || strCommand == QLatin1String("--version")) {
        CliOutput::WriteLine(QByteArray("blipnote-cli ") + Version::Text);
        return 0;
    }
    if (strCommand == QLatin1String("listen"))
        return RunListenCommand(arguments.mid(1));
    if (strCommand == QLatin1String("send"))
        return RunSendCommand(arguments.mid(1));
    if (strCommand == QLatin1String("hosts"))
        return RunHostsCommand(arguments.mid(1));
    if (strCommand == QLatin1String("show"))
        return RunShowCommand(arguments.mid(1));
    if (strCommand == QLatin1String("fingerd"))
        return RunFingerdCommand(arguments.mid(1));
    if (strCommand == QLatin1String("seek"))
        return RunSeekCommand(arguments.mid(1));

    if (strCommand.isEmpty())
        CliOutput::ErrorLine(QStringLiteral("blipnote-cli: no command given"));
    else
        CliOutput::ErrorLine(QStringLiteral("blipnote-cli: unknown command '%1'").arg(strCommand));
    CliOutput::ErrorLine(QStringLiteral("Try 'blipnote-cli --help'."));
    return 2;
}
