#include "cli/hosts_command.h"

#include "cli/cli_output.h"
#include "cli/cli_settings.h"
#include "cli/command_line.h"
#include "core/text/code_page.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>

int RunHostsCommand(const QStringList& arguments)
{
    CCommandLine command(
        "hosts", QStringLiteral("Prints the host list of your settings, one JSON object per line "
                                "with the keys nickname, address and group."));
    if (const std::optional<int> nDone = command.Parse(arguments))
        return *nDone;
    const CCliSettings settings;
    for (const CHostEntry& entry : settings.Settings().m_hosts.Entries()) {
        QJsonObject json;
        json.insert(QStringLiteral("nickname"), CodePage::ToUnicode(entry.strNickname));
        json.insert(QStringLiteral("address"), CodePage::ToUnicode(entry.strAddress));
        json.insert(QStringLiteral("group"), CodePage::ToUnicode(entry.strGroup));
        CliOutput::WriteLine(QJsonDocument(json).toJson(QJsonDocument::Compact));
    }
    return 0;
}
