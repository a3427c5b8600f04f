#include "cli/send_command.h"

#include "cli/cli_output.h"
#include "cli/cli_prompts.h"
#include "cli/cli_settings.h"
#include "cli/command_line.h"
#include "cli/quit_on_signal.h"
#include "cli/send_options.h"
#include "cli/send_progress.h"
#include "core/interfaces/status_sink.h"
#include "core/messaging/send_jobs.h"
#include "core/messaging/send_note_job.h"
#include "core/notes/recipient_list.h"
#include "core/notes/sendable_note.h"
#include "core/outbox/outbox.h"
#include "core/settings/app_settings.h"
#include "core/text/code_page.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QHash>

#include <optional>

namespace {

// The sending pane's texts are progress only; the result lines say what counts.
class CQuietStatusSink : public IStatusSink
{
public:
    void PostStatusText(StatusPane, const QString&) override {}
};

// How "--wait-up" tries a host again: soon at first, at most every half minute.
COutbox::CTuning WaitUpTuning(const CSendSettings& settings)
{
    COutbox::CTuning tuning;
    tuning.firstGap = std::chrono::seconds(1);
    tuning.maxGap = std::chrono::seconds(30);
    tuning.connectTimeLimit = std::chrono::seconds(20);
    tuning.replyTimeLimit = settings.replyTimeLimit;
    return tuning;
}

int Run(const CSendSettings& settings, CSendableNote& note, int nRecipients,
        const QList<QByteArray>& notSent, std::optional<std::chrono::milliseconds> waitUp)
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

    // Hosts that could not be connected wait here, in memory, until the
    // duration ends.
    const qint64 nGiveUpAt =
        QDateTime::currentMSecsSinceEpoch() + waitUp.value_or(std::chrono::milliseconds(0)).count();
    COutbox outbox(nullptr, WaitUpTuning(settings));
    outbox.SetPort(settings.nPort);
    CSendProgress progress(outbox, nGiveUpAt);
    QHash<qint64, std::pair<QByteArray, QString>> waiting; // address and first error
    QByteArray strText;

    int nDelivered = 0;
    int nFinished = 0;
    bool bAllStarted = false;
    const auto QuitWhenDone = [&] {
        if (bAllStarted && jobs.RunningJobs() == 0 && waiting.isEmpty())
            QCoreApplication::quit();
    };
    const auto Result = [&](const QByteArray& strAddress, bool bDelivered,
                            const QString& strError) {
        ++nFinished;
        if (bDelivered)
            ++nDelivered;
        progress.Clear();
        CliOutput::WriteLine(
            (CodePage::ToUnicode(strAddress) + QStringLiteral(": ") +
             (bDelivered ? QStringLiteral("Send successful") : CCliPrompts::OneLine(strError)))
                .toUtf8());
        progress.Show();
    };
    QObject::connect(
        &jobs, &CSendJobs::SendStarted,
        [&](quint64, const QByteArray& strSent, const QList<QByteArray>&) { strText = strSent; });
    QObject::connect(&jobs, &CSendJobs::JobFinished,
                     [&](const QByteArray& strAddress, int nResult, const QString& strError) {
                         if (nResult != 0)
                             prompts.MarkReported(strError);
                         // Nothing of the note went out: the host is tried again.
                         if (nResult == CSendNoteJob::NotConnected && waitUp &&
                             QDateTime::currentMSecsSinceEpoch() < nGiveUpAt) {
                             if (const qint64 nId =
                                     outbox.Queue(0, 0, strAddress, strText, strError, nGiveUpAt)) {
                                 waiting.insert(nId, {strAddress, strError});
                                 progress.Show();
                                 return;
                             }
                         }
                         Result(strAddress, nResult == 0, strError);
                         QuitWhenDone();
                     });
    QObject::connect(&outbox, &COutbox::EntryFinished,
                     [&](qint64 nId, EOutboxState eState, const QString& strReason) {
                         const auto it = waiting.constFind(nId);
                         if (it == waiting.cend())
                             return;
                         const auto [strAddress, strFirstError] = *it;
                         waiting.erase(it);
                         // Given up: the error it met at first, as without waiting.
                         Result(strAddress, eState == EOutboxState::Delivered,
                                eState == EOutboxState::Unknown
                                    ? QStringLiteral("Error during send ! ") + strReason
                                    : strFirstError);
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
    progress.Clear();
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
        QStringLiteral(
            "Sends one note to each RECIPIENT and prints one result line per address. "
            "A recipient is a nickname of your host list, \"Group\" and a group of "
            "it, an IPv4 address or a host name. The note's text is --text, or else "
            "standard input. Options not given come from your settings. One send "
            "serves at most 250 addresses; each one beyond gets the line \"ADDRESS: "
            "not sent: more than 250 recipients\". Exits 0 only when every address "
            "got the note. With --wait-up, a host that cannot be connected to is tried again, "
            "at growing gaps, until it is reached or the DURATION has passed; one that "
            "took the note but did not answer is never sent it again."));
    const CSendOptions options(command.Parser());
    if (const std::optional<int> nDone = command.Parse(arguments, 0, arguments.size()))
        return *nDone;
    std::optional<std::chrono::milliseconds> waitUp;

    const CCliSettings stored;
    const CAppSettings& appSettings = stored.Settings();
    QString strError;
    std::optional<CSendSettings> settings =
        options.Settings(appSettings, stored.System().strComputerName, strError);
    if (!settings || !options.WaitUp(waitUp, strError))
        return command.Fail(strError);
    std::optional<QList<QByteArray>> addresses = options.Addresses(stored.Hosts(), strError);
    if (!addresses)
        return command.Fail(strError);
    const std::optional<QString> body = options.Body(settings->nSizeLimit, strError);
    if (!body)
        return command.Fail(strError);
    CSendableNote note;
    if (!options.ComposeNote(*body, note, *settings, strError))
        return command.Fail(strError);

    // One send starts at most so many jobs; the addresses beyond them get a
    // line of their own instead of the desktop's warning box.
    QList<QByteArray> notSent;
    if (settings->bMultiSend && addresses->size() > RecipientList::MaxJobs) {
        notSent = addresses->mid(RecipientList::MaxJobs);
        addresses->resize(RecipientList::MaxJobs);
    }
    note.m_strAddress = RecipientList::Compose(*addresses);
    return Run(*settings, note, static_cast<int>(addresses->size()), notSent, waitUp);
}
