#include "cli/commands.h"

#include "cli/browse_command.h"
#include "cli/cli_output.h"
#include "cli/command_line.h"
#include "cli/fingerd_command.h"
#include "cli/history_command.h"
#include "cli/hosts_command.h"
#include "cli/import_command.h"
#include "cli/listen_command.h"
#include "cli/seek_command.h"
#include "cli/send_command.h"
#include "cli/show_command.h"

namespace {

int RunHelpCommand(const QStringList& arguments);

const CCliCommand kCommands[] = {
    {"listen", "run the note server and print each note as JSON", RunListenCommand},
    {"send", "send a note to one or more recipients", RunSendCommand},
    {"hosts", "print the host list as JSON", RunHostsCommand},
    {"show", "print a note file as JSON", RunShowCommand},
    {"fingerd", "run the finger server and print each query as JSON", RunFingerdCommand},
    {"seek", "finger the host list and print who is up as JSON", RunSeekCommand},
    {"browse", "print the copies announced on the local network as JSON", RunBrowseCommand},
    {"history", "print the kept notes as JSON", RunHistoryCommand},
    {"import", "keep note files in the history", RunImportCommand},
    {"help", "show this help, or a command's help", RunHelpCommand},
};

// "help COMMAND" is "COMMAND --help"; "help" alone is "--help".
int RunHelpCommand(const QStringList& arguments)
{
    CCommandLine command("help", QStringLiteral("Shows the commands, or the options of COMMAND."));
    command.Parser().addPositionalArgument(QStringLiteral("COMMAND"),
                                           QStringLiteral("The command to show the options of."),
                                           QStringLiteral("[COMMAND]"));
    if (const std::optional<int> nDone = command.Parse(arguments, 0, 1))
        return *nDone;
    const QStringList positional = command.Parser().positionalArguments();
    if (positional.isEmpty()) {
        CliOutput::WriteLine(CliUsage());
        return 0;
    }
    for (const CCliCommand& other : kCommands) {
        if (positional.constFirst() == QLatin1String(other.pszName))
            return other.run({positional.constFirst(), QStringLiteral("--help")});
    }
    const int nExitCode =
        command.Fail(QStringLiteral("unknown command '%1'").arg(positional.constFirst()));
    CliOutput::ErrorLine(QStringLiteral("Try 'blipnote-cli --help'."));
    return nExitCode;
}

} // namespace

std::span<const CCliCommand> CliCommands()
{
    return kCommands;
}

QByteArray CliUsage()
{
    QByteArray strUsage =
        "Usage: blipnote-cli COMMAND [OPTIONS]\n"
        "\n"
        "Blipnote's command-line tool: sends and receives notes without a window.\n"
        "It reads your settings ($XDG_CONFIG_HOME/Tessaro/Blipnote.conf) and\n"
        "never writes them.\n"
        "\n"
        "Commands:\n";
    for (const CCliCommand& command : kCommands)
        strUsage +=
            "  " + QByteArray(command.pszName).leftJustified(12) + command.pszSummary + '\n';
    strUsage += "\n"
                "Options:\n"
                "  -h, --help     show this help, or a command's help after it\n"
                "  -v, --version  show the version";
    return strUsage;
}
