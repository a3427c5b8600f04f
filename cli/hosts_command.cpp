#include "cli/hosts_command.h"

#include "cli/cli_output.h"
#include "cli/cli_settings.h"
#include "core/text/code_page.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>

int RunHostsCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Prints the host list of your settings, one JSON object per line with "
                       "the keys nickname, address and group."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    if (!parser.parse(arguments) || !parser.positionalArguments().isEmpty()) {
        CliOutput::ErrorLine(QStringLiteral("blipnote-cli hosts: ") +
                             (parser.errorText().isEmpty() ? QStringLiteral("unexpected argument")
                                                           : parser.errorText()));
        return 2;
    }
    if (parser.isSet(helpOption)) {
        CliOutput::WriteHelp(parser, "hosts");
        return 0;
    }
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
