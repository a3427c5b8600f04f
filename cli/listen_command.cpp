#include "cli/listen_command.h"

#include "cli/cli_history.h"
#include "cli/cli_output.h"
#include "cli/cli_settings.h"
#include "cli/command_line.h"
#include "cli/incoming_note_saver.h"
#include "cli/line_output.h"
#include "cli/listen_address.h"
#include "cli/note_json.h"
#include "cli/passed_socket.h"
#include "cli/quit_on_signal.h"
#include "cli/stderr_status_sink.h"
#include "core/history/history_recorder.h"
#include "core/messaging/note_listen_socket.h"
#include "core/net/net_address.h"
#include "core/presence/presence_announcer.h"
#include "core/settings/app_settings.h"
#include "core/settings/system_info.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <memory>
#include <unistd.h>

namespace {
// Lines of notes waiting for a reader that does not keep up, at most.
constexpr qsizetype kMaxWaitingOutput = 8 * 1024 * 1024;
} // namespace

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
    const QCommandLineOption historyOption(
        QStringLiteral("history"),
        QStringLiteral("Also keep each note in your history (the one the desktop program keeps); "
                       "a note that cannot be kept there is not taken."));
    const QCommandLineOption announceOption(
        QStringLiteral("announce"),
        QStringLiteral("Announce this copy on the local network (through the Avahi daemon) "
                       "while it listens: its port, nickname, computer name and version."));
    const QCommandLineOption addressOption = ListenAddressOption();
    parser.addOptions({portOption, addressOption, saveOption, historyOption, announceOption});
    if (const std::optional<int> nDone = command.Parse(arguments))
        return *nDone;

    CCliSettings stored;
    const QString strPort = parser.isSet(portOption) ? parser.value(portOption)
                                                     : QString::number(stored.Settings().IpPort());
    const auto nPort = NetAddress::ParsePort(strPort, NetAddress::EPortUse::Listen);
    if (!nPort)
        return command.Fail(QStringLiteral("invalid port '%1'").arg(strPort));
    const std::optional<QHostAddress> address = ParseListenAddress(parser, addressOption);
    if (!address)
        return command.Fail(
            QStringLiteral("invalid address '%1'").arg(parser.value(addressOption)));
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
        pSaver = std::make_unique<CIncomingNoteSaver>(stored, strFolder);
    }

    std::unique_ptr<CHistoryRecorder> pHistory;
    if (parser.isSet(historyOption)) {
        if (stored.Settings().KeepNotes() == CAppSettings::KeepNever)
            return command.Fail(QStringLiteral("--history: your settings keep no notes (\"keep "
                                               "notes: never\", Keep Notes=0 in [History])"));
        pHistory = OpenCliHistory("listen");
        if (!pHistory)
            return 1;
        pHistory->SetKeeping(CHistoryRecorder::KeepingFrom(stored.Settings()));
    }

    CQuitOnSignal quitOnSignal;
    CStderrStatusSink statusSink;
    CNoteListenSocket server(statusSink);
    CLineOutput output(STDOUT_FILENO);
    // While the reader of our output does not keep up, no new connection is
    // taken: the system's queue holds them.
    QObject::connect(&output, &CLineOutput::BlockedChanged, &server,
                     &CNoteListenSocket::SetAcceptPaused);
    QObject::connect(&output, &CLineOutput::Closed, &server, [] {
        // Nobody reads any more: the tool ends, taking no note it cannot show.
        CliOutput::ErrorLine(QStringLiteral("blipnote-cli listen: standard output is closed"));
        QCoreApplication::exit(1);
    });
    // A note is answered only once it is kept: in the history and in its file
    // when asked for, and on standard output. What cannot be kept is answered
    // with 0, and what was kept of it taken back.
    using EKept = CNoteListenSocket::EKept;
    server.SetKeeper(
        [&](const QByteArray& strText, qint64 nCount, const CNoteListenSocket::CKept& kept) {
            // While the reader does not keep up, lines wait for it, in memory:
            // beyond a bound, notes are not taken (answered 0) until it catches up.
            if (output.WaitingBytes() > kMaxWaitingOutput)
                return EKept::NotKept;
            qint64 nRecorded = 0;
            if (pHistory) {
                nRecorded = pHistory->RecordReceived(strText, nCount);
                if (nRecorded == 0)
                    return EKept::NotKept; // the reason is told once
            }
            QString strFile;
            if (pSaver) {
                QString strError;
                strFile = pSaver->Save(strText, &strError);
                if (strFile.isEmpty()) {
                    CliOutput::ErrorLine(QStringLiteral("blipnote-cli listen: ") + strError);
                    if (pHistory)
                        pHistory->Forget(nRecorded);
                    return EKept::NotKept;
                }
            }
            CHistoryRecorder* pRecorder = pHistory.get();
            const auto forget = [strFile, pRecorder, nRecorded] {
                if (!strFile.isEmpty())
                    QFile::remove(strFile);
                if (pRecorder)
                    pRecorder->Forget(nRecorded);
            };
            const auto written = [kept, forget](bool bWritten) {
                if (!bWritten)
                    forget();
                kept(bWritten);
            };
            // A line whose sender gave up waiting (its time ran out) is not
            // written: the sender reported the note as not received.
            const auto wanted = [kept] { return kept.Awaited(); };
            switch (output.Write(ReceivedNoteJson(strText, nCount, strFile), written, wanted)) {
            case CLineOutput::EWrite::Written:
                return EKept::Kept;
            case CLineOutput::EWrite::Queued:
                return EKept::Later; // answered once its line is out
            case CLineOutput::EWrite::Closed:
                break;
            }
            forget();
            return EKept::NotKept;
        });
    // A socket from the service manager comes before --port.
    switch (ServePassedSocket("listen", [&server](int nSocket) { return server.Adopt(nSocket); })) {
    case EPassedSocket::Failed:
        return 1;
    case EPassedSocket::Served:
        CliOutput::ErrorLine(
            QStringLiteral("port %1 (passed by the service manager)").arg(server.ServerPort()));
        break;
    case EPassedSocket::None:
        if (!server.Open(*nPort, *address)) {
            CliOutput::ErrorLine(QStringLiteral("blipnote-cli listen: cannot listen on %1: %2")
                                     .arg(ListenPlace(*address, *nPort), server.OpenError()));
            return 1;
        }
        if (*nPort == 0)
            CliOutput::ErrorLine(QStringLiteral("port %1").arg(server.ServerPort()));
        break;
    }
    std::unique_ptr<CPresenceAnnouncer> pAnnouncer;
    if (parser.isSet(announceOption)) {
        pAnnouncer = std::make_unique<CPresenceAnnouncer>(QDBusConnection::systemBus());
        CPresenceAnnouncer::CAnnouncement announcement =
            CPresenceAnnouncer::AnnouncementOf(stored.Settings(), SystemInfo::ComputerName());
        announcement.nPort = server.ServerPort();
        pAnnouncer->Announce(announcement);
    }
    return QCoreApplication::exec();
}
