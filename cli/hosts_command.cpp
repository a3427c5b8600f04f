#include "cli/hosts_command.h"

#include "cli/cli_output.h"
#include "cli/cli_settings.h"
#include "cli/command_line.h"
#include "cli/json_line.h"

#include <QCoreApplication>

int RunHostsCommand(const QStringList& arguments)
{
    CCommandLine command(
        "hosts", QStringLiteral("Prints the host list of your settings, one JSON object per line "
                                "with the keys nickname, address and group."));
    if (const std::optional<int> nDone = command.Parse(arguments))
        return *nDone;
    const CCliSettings settings;
    for (const CHostEntry& entry : settings.Hosts().Entries()) {
        CliOutput::WriteLine(CJsonLine()
                                 .CodePageText("address", entry.strAddress)
                                 .CodePageText("group", entry.strGroup)
                                 .CodePageText("nickname", entry.strNickname)
                                 .Take());
    }
    return 0;
}
