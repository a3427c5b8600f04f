#include "cli/cli_output.h"
#include "cli/commands.h"
#include "core/interfaces/version.h"

#include <QCoreApplication>
#include <QStringList>

#include <csignal>

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
        CliOutput::WriteLine(CliUsage());
        return 0;
    }
    if (strCommand == QLatin1String("-v") || strCommand == QLatin1String("--version")) {
        CliOutput::WriteLine(QByteArray("blipnote-cli ") + Version::Text);
        return 0;
    }
    for (const CCliCommand& command : CliCommands()) {
        if (strCommand == QLatin1String(command.pszName))
            return command.run(arguments.mid(1));
    }

    if (strCommand.isEmpty())
        CliOutput::ErrorLine(QStringLiteral("blipnote-cli: no command given"));
    else
        CliOutput::ErrorLine(QStringLiteral("blipnote-cli: unknown command '%1'").arg(strCommand));
    CliOutput::ErrorLine(QStringLiteral("Try 'blipnote-cli --help'."));
    return 2;
}
