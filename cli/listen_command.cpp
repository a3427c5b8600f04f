#include "cli/listen_command.h"

#include "cli/cli_output.h"
#include "cli/cli_settings.h"
#include "cli/note_json.h"
#include "cli/quit_on_signal.h"
#include "cli/stderr_status_sink.h"
#include "messaging/note_listen_socket.h"

#include <QCommandLineParser>
#include <QCoreApplication>

int RunListenCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Runs the note server without a window. Each received note is written "
                       "to standard output as one line of JSON; status texts go to standard "
                       "error."));
    const QCommandLineOption portOption(
        {QStringLiteral("p"), QStringLiteral("port")},
        QStringLiteral("Port to listen on (default: \"IP Port\" of your settings, 7777)."),
        QStringLiteral("N"));
    parser.addOption(portOption);
    const QCommandLineOption helpOption = parser.addHelpOption();
    if (!parser.parse(arguments)) {
        CliOutput::ErrorLine(QStringLiteral("blipnote-cli listen: ") + parser.errorText());
        return 2;
    }
    if (parser.isSet(helpOption)) {
        CliOutput::WriteHelp(parser, "listen");
        return 0;
    }
    if (!parser.positionalArguments().isEmpty()) {
        CliOutput::ErrorLine(QStringLiteral("blipnote-cli listen: unexpected argument '%1'")
                                 .arg(parser.positionalArguments().constFirst()));
        return 2;
    }
    bool bOk = false;
    const uint nPort = parser.value(portOption).toUInt(&bOk);
    if (!bOk || nPort > 65535) {
        CliOutput::ErrorLine(
            QStringLiteral("blipnote-cli listen: invalid port '%1'").arg(parser.value(portOption)));
        return 2;
    }

    CQuitOnSignal quitOnSignal;
    CStderrStatusSink statusSink;
    CNoteListenSocket server(statusSink);
    QObject::connect(&server, &CNoteListenSocket::NoteReceived,
                     [](const QByteArray& strText, qint64 nAcknowledged) {
                         CliOutput::WriteLine(ReceivedNoteJson(strText, nAcknowledged));
                     });
    if (!server.StartListening(static_cast<quint16>(nPort))) {
        CliOutput::ErrorLine(
            QStringLiteral("blipnote-cli listen: cannot listen on port %1").arg(nPort));
        return 1;
    }
    if (nPort == 0)
        CliOutput::ErrorLine(QStringLiteral("port %1").arg(server.serverPort()));
    QCoreApplication::exec();
    return 0;
}
