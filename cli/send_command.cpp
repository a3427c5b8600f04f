#include "cli/send_command.h"

#include "cli/cli_output.h"
#include "cli/cli_prompts.h"
#include "cli/cli_settings.h"
#include "cli/command_line.h"
#include "cli/quit_on_signal.h"
#include "core/hosts/recipient_builder.h"
#include "core/interfaces/status_sink.h"
#include "core/messaging/send_jobs.h"
#include "core/net/net_address.h"
#include "core/notes/recipient_list.h"
#include "core/notes/sendable_note.h"
#include "core/text/code_page.h"
#include "core/text/code_page_refusal.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <optional>

namespace {

// The sending pane's texts are progress only; the result lines say what counts.
class CQuietStatusSink : public IStatusSink
{
public:
    void PostStatusText(StatusPane, const QString&) override {}
};

// Converts a UTF-8 text to the code page, refusing characters it cannot hold.
std::optional<QByteArray> ToCodePage(const QString& strText, const QString& strWhat,
                                     QString& strError)
{
    bool bLossless = true;
    QByteArray strBytes = CodePage::FromUnicode(strText, &bLossless);
    if (!bLossless) {
        QString strBad;
        for (const char32_t ch : strText.toUcs4()) {
            if (CodePage::ByteOf(ch) < 0) {
                strBad = QString::fromUcs4(&ch, 1);
                break;
            }
        }
        strError =
            CodePageRefusal::Text(CodePageRefusal::EForm::Line, QStringLiteral("the ") + strWhat,
                                  strBad, QStringLiteral("notes"));
        return std::nullopt;
    }
    return strBytes;
}

// Notes carry line breaks as CR LF, as the note editor writes them.
QByteArray WithNoteLineBreaks(const QByteArray& strText)
{
    QByteArray strOut;
    strOut.reserve(strText.size());
    for (qsizetype i = 0; i < strText.size(); ++i) {
        if (strText[i] == '\n' && (i == 0 || strText[i - 1] != '\r'))
            strOut.append('\r');
        strOut.append(strText[i]);
    }
    return strOut;
}

int Run(const CSendSettings& settings, CSendableNote& note, int nRecipients,
        const QList<QByteArray>& notSent)
{
    // Known before the first job starts: said at once, so that a user who sees
    // them can still stop the send and split the list.
    for (const QByteArray& strAddress : notSent)
        CliOutput::WriteLine(
            (CodePage::ToUnicode(strAddress) +
             QStringLiteral(": not sent: more than %1 recipients").arg(RecipientList::MaxJobs))
                .toUtf8());

    CQuitOnSignal quitOnSignal;
    CQuietStatusSink statusSink;
    CCliPrompts prompts;
    CSendJobs jobs(statusSink, prompts);

    int nDelivered = 0;
    int nFinished = 0;
    bool bAllStarted = false;
    const auto QuitWhenDone = [&] {
        if (bAllStarted && jobs.RunningJobs() == 0)
            QCoreApplication::quit();
    };
    QObject::connect(&jobs, &CSendJobs::JobFinished,
                     [&](const QByteArray& strAddress, int nResult, const QString& strError) {
                         ++nFinished;
                         if (nResult == 0)
                             ++nDelivered;
                         else
                             prompts.MarkReported(strError);
                         CliOutput::WriteLine((CodePage::ToUnicode(strAddress) +
                                               QStringLiteral(": ") +
                                               (nResult == 0 ? QStringLiteral("Send successful")
                                                             : CCliPrompts::OneLine(strError)))
                                                  .toUtf8());
                         QuitWhenDone();
                     });
    QObject::connect(&jobs, &CSendJobs::AllJobsStarted, [&] {
        bAllStarted = true;
        // Let boxes still queued (the warning about too many recipients) show first.
        QMetaObject::invokeMethod(&jobs, QuitWhenDone, Qt::QueuedConnection);
    });

    jobs.StartSendJobs(note, settings);
    if (jobs.PendingStarts() == 0 && jobs.RunningJobs() == 0 && nFinished == 0 && !bAllStarted) {
        CliOutput::ErrorLine(QStringLiteral("blipnote-cli send: no recipient to send to"));
        return 1;
    }
    QCoreApplication::exec();
    if (quitOnSignal.ReceivedSignal() != 0)
        return 130;
    const bool bAllServed = nFinished == nRecipients || (!settings.bMultiSend && nFinished == 1);
    return nDelivered == nFinished && bAllServed && notSent.isEmpty() ? 0 : 1;
}

} // namespace

int RunSendCommand(const QStringList& arguments)
{
    CCommandLine command(
        "send",
        QStringLiteral("Sends one note to each RECIPIENT and prints one result line per address. "
                       "A recipient is a nickname of your host list, \"Group\" and a group of "
                       "it, an IPv4 address or a host name. The note's text is --text, or else "
                       "standard input. Options not given come from your settings. One send "
                       "serves at most 250 addresses; each one beyond gets the line \"ADDRESS: "
                       "not sent: more than 250 recipients\". Exits 0 only when every address "
                       "got the note."));
    QCommandLineParser& parser = command.Parser();
    const QCommandLineOption portOption(
        {QStringLiteral("p"), QStringLiteral("port")},
        QStringLiteral("Port the recipients listen on (default: \"IP Port\", 7777)."),
        QStringLiteral("N"));
    const QCommandLineOption textOption(
        QStringLiteral("text"), QStringLiteral("The note's text (default: standard input)."),
        QStringLiteral("TEXT"));
    const QCommandLineOption nickOption(
        QStringLiteral("nick"),
        QStringLiteral("Your nickname (default: \"Nickname\", else your login name)."),
        QStringLiteral("NAME"));
    const QCommandLineOption systemOption(
        QStringLiteral("system"),
        QStringLiteral("Your system's name (default: the computer name)."), QStringLiteral("NAME"));
    const QCommandLineOption titleOption(QStringLiteral("title"),
                                         QStringLiteral("The note's title (default: MessageOut1)."),
                                         QStringLiteral("TEXT"), QStringLiteral("MessageOut1"));
    const QCommandLineOption priorityOption(QStringLiteral("priority"),
                                            QStringLiteral("Mark the note high-priority."));
    const QCommandLineOption delayOption(
        QStringLiteral("delay"),
        QStringLiteral("Milliseconds between sending to two addresses (default: "
                       "\"MultiSendDelay\", 100)."),
        QStringLiteral("MS"));
    const QCommandLineOption singleOption(
        QStringLiteral("single"),
        QStringLiteral("Send to the first address only (as \"Multi Send\" off)."));
    parser.addOptions({portOption, textOption, nickOption, systemOption, titleOption,
                       priorityOption, delayOption, singleOption});
    parser.addPositionalArgument(QStringLiteral("RECIPIENT"), QStringLiteral("Where to send."),
                                 QStringLiteral("RECIPIENT..."));
    if (const std::optional<int> nDone = command.Parse(arguments, 0, arguments.size()))
        return *nDone;

    const CCliSettings stored;
    const CAppSettings& appSettings = stored.Settings();
    CSendSettings settings = appSettings.SendSettings();
    const QString strPort = parser.isSet(portOption) ? parser.value(portOption)
                                                     : QString::number(appSettings.m_nIpPort);
    const auto nPort = NetAddress::ParsePort(strPort, NetAddress::EPortUse::Connect);
    if (!nPort)
        return command.Fail(QStringLiteral("invalid port '%1'").arg(strPort));
    settings.nPort = *nPort;
    if (parser.isSet(delayOption)) {
        bool bOk = false;
        settings.nMultiSendDelay = parser.value(delayOption).toInt(&bOk);
        if (!bOk || settings.nMultiSendDelay < 0)
            return command.Fail(
                QStringLiteral("invalid delay '%1'").arg(parser.value(delayOption)));
    }
    if (parser.isSet(singleOption))
        settings.bMultiSend = false;

    const QStringList recipients = parser.positionalArguments();
    if (recipients.isEmpty())
        return command.Fail(QStringLiteral("no recipient given"));

    // Each recipient is resolved over the host list; the addresses make one list.
    QString strError;
    QList<QByteArray> addresses;
    for (const QString& strRecipient : recipients) {
        const auto recipient = ToCodePage(strRecipient, QStringLiteral("recipient"), strError);
        if (!recipient)
            return command.Fail(strError);
        if (recipient->isEmpty() || recipient->contains("/$"))
            return command.Fail(QStringLiteral("invalid recipient '%1'").arg(strRecipient));
        const QByteArray strList = BuildRecipientList(appSettings.m_hosts, *recipient);
        addresses += RecipientList::Addresses(strList);
    }

    QString strBody;
    if (parser.isSet(textOption)) {
        strBody = parser.value(textOption);
    } else {
        QFile input;
        if (!input.open(stdin, QIODevice::ReadOnly))
            return command.Fail(QStringLiteral("cannot read standard input"));
        // To its end, as a pipe delivers it piece by piece; but no more than
        // any note the limit allows (in UTF-8): the rest is cut with a warning.
        const qsizetype nEnough = 4 * (settings.nSizeLimit + 1);
        QByteArray strInput;
        while (strInput.size() < nEnough) {
            const QByteArray strPart = input.read(nEnough - strInput.size());
            if (strPart.isEmpty())
                break;
            strInput += strPart;
        }
        if (input.error() != QFileDevice::NoError)
            return command.Fail(QStringLiteral("cannot read standard input: ") +
                                input.errorString());
        // A zero byte ends the text for many a reader; it never goes out.
        if (strInput.contains('\0'))
            return command.Fail(
                QStringLiteral("the text holds a zero byte, which a note cannot carry"));
        strBody = QString::fromUtf8(strInput);
        // Cut off where the note is cut anyway: a letter split at the end of
        // what was read is no reason to refuse the text.
        if (strInput.size() >= nEnough)
            strBody.truncate(settings.nSizeLimit + 1);
    }

    CSendableNote note;
    const auto body = ToCodePage(strBody, QStringLiteral("text"), strError);
    const auto nick = parser.isSet(nickOption) ? ToCodePage(parser.value(nickOption),
                                                            QStringLiteral("nickname"), strError)
                                               : std::optional(settings.strNickname);
    const auto system =
        parser.isSet(systemOption)
            ? ToCodePage(parser.value(systemOption), QStringLiteral("system name"), strError)
            : std::optional(settings.strComputerName);
    const auto title = ToCodePage(parser.value(titleOption), QStringLiteral("title"), strError);
    if (!body || !nick || !system || !title)
        return command.Fail(strError);
    note.m_strBody = WithNoteLineBreaks(*body);
    note.SetTitle(*title);
    note.m_nPriority = parser.isSet(priorityOption) ? 1 : 0;
    // One send starts at most so many jobs; the addresses beyond them get a
    // line of their own instead of the desktop's warning box.
    QList<QByteArray> notSent;
    if (settings.bMultiSend && addresses.size() > RecipientList::MaxJobs) {
        notSent = addresses.mid(RecipientList::MaxJobs);
        addresses.resize(RecipientList::MaxJobs);
    }
    note.m_strAddress = RecipientList::Compose(addresses);
    settings.strNickname = *nick;
    settings.strComputerName = *system;

    return Run(settings, note, static_cast<int>(addresses.size()), notSent);
}
