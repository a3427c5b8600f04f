#include "cli/listen_command.h"

#include "cli/cli_output.h"
#include "cli/cli_settings.h"
#include "cli/command_line.h"
#include "cli/incoming_note_saver.h"
#include "cli/note_json.h"
#include "cli/passed_socket.h"
#include "cli/quit_on_signal.h"
#include "cli/stderr_status_sink.h"
#include "core/messaging/note_listen_socket.h"
#include "core/net/net_address.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <memory>

int RunListenCommand(const QStringList& arguments)
{
    CCommandLine command(
        "listen",
        QStringLiteral("Runs the note server without a window. Each received note is written "
                       "to standard output as one line of JSON; status texts go to standard "
                       "error."));
    QCommandLineParser& parser = command.Parser();
    const QCommandLineOption portOption(
        {QStringLiteral("p"), QStringLiteral("port")},
        QStringLiteral("Port to listen on (default: \"IP Port\" of your settings, 7777)."),
        QStringLiteral("N"));
    const QCommandLineOption saveOption(
        QStringLiteral("save-dir"),
        QStringLiteral("Also keep each note as an incoming note file (.bni) in DIR."),
        QStringLiteral("DIR"));
    parser.addOptions({portOption, saveOption});
    if (const std::optional<int> nDone = command.Parse(arguments))
        return *nDone;

    CCliSettings stored;
    const QString strPort = parser.isSet(portOption) ? parser.value(portOption)
                                                     : QString::number(stored.Settings().m_nIpPort);
    const auto nPort = NetAddress::ParsePort(strPort, NetAddress::EPortUse::Listen);
    if (!nPort)
        return command.Fail(QStringLiteral("invalid port '%1'").arg(strPort));
    std::unique_ptr<CIncomingNoteSaver> pSaver;
    if (parser.isSet(saveOption)) {
        const QString strFolder = parser.value(saveOption);
        const QFileInfo folder(strFolder);
        const QString strReason = !folder.exists()       ? QStringLiteral("no such folder")
                                  : !folder.isDir()      ? QStringLiteral("not a folder")
                                  : !folder.isWritable() ? QStringLiteral("not writable")
                                                         : QString();
        if (!strReason.isEmpty())
            return command.Fail(
                QStringLiteral("cannot save notes in '%1': %2").arg(strFolder, strReason));
        pSaver = std::make_unique<CIncomingNoteSaver>(stored.Settings(), strFolder);
    }

    CQuitOnSignal quitOnSignal;
    CStderrStatusSink statusSink;
    CNoteListenSocket server(statusSink);
    // A note is answered only once it is kept: in its file, when there is a
    // folder, and on standard output. What cannot be kept is answered with 0.
    bool bOutputClosed = false;
    server.SetKeeper([&](const QByteArray& strText, qint64 nCount) {
        if (bOutputClosed)
            return false;
        QString strFile;
        if (pSaver) {
            QString strError;
            strFile = pSaver->Save(strText, &strError);
            if (strFile.isEmpty()) {
                CliOutput::ErrorLine(QStringLiteral("blipnote-cli listen: ") + strError);
                return false;
            }
        }
        if (!CliOutput::WriteLine(ReceivedNoteJson(strText, nCount, strFile))) {
            // Nobody reads any more: this note is not taken, and the tool ends
            // before it could take another.
            bOutputClosed = true;
            if (!strFile.isEmpty())
                QFile::remove(strFile);
            CliOutput::ErrorLine(QStringLiteral("blipnote-cli listen: standard output is closed"));
            QMetaObject::invokeMethod(
                &server, [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
            return false;
        }
        return true;
    });
    // A socket from the service manager comes before --port.
    switch (
        ServePassedSocket("listen", [&server](int nSocket) { return server.ListenOn(nSocket); })) {
    case EPassedSocket::Failed:
        return 1;
    case EPassedSocket::Served:
        CliOutput::ErrorLine(
            QStringLiteral("port %1 (passed by the service manager)").arg(server.ServerPort()));
        break;
    case EPassedSocket::None:
        if (!server.StartListening(*nPort)) {
            CliOutput::ErrorLine(
                QStringLiteral("blipnote-cli listen: cannot listen on port %1").arg(*nPort));
            return 1;
        }
        if (*nPort == 0)
            CliOutput::ErrorLine(QStringLiteral("port %1").arg(server.ServerPort()));
        break;
    }
    return QCoreApplication::exec();
}
