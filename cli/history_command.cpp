#include "cli/history_command.h"

#include "cli/cli_history.h"
#include "cli/cli_output.h"
#include "cli/command_line.h"
#include "cli/history_json.h"
#include "core/history/history_recorder.h"
#include "core/text/code_page.h"

#include <QDateTime>

namespace {
// Notes read from the store at a time.
constexpr int kPage = 500;

// A date (the start of that day) or a date and time, local unless it says.
std::optional<qint64> ParseSince(const QString& strText)
{
    QDateTime time = QDateTime::fromString(strText, Qt::ISODateWithMs);
    if (!time.isValid()) {
        const QDate date = QDate::fromString(strText, Qt::ISODate);
        if (date.isValid())
            time = date.startOfDay();
    }
    if (!time.isValid())
        return std::nullopt;
    return time.toMSecsSinceEpoch();
}
} // namespace

int RunHistoryCommand(const QStringList& arguments)
{
    CCommandLine command(
        "history", QStringLiteral("Prints the notes kept in the history, newest first, each as "
                                  "one line of JSON."));
    QCommandLineParser& parser = command.Parser();
    const QCommandLineOption searchOption(
        QStringLiteral("search"),
        QStringLiteral("Only notes whose nickname, title or text hold every word of TEXT (the "
                       "last, of three letters or more, also as the start of a longer word)."),
        QStringLiteral("TEXT"));
    const QCommandLineOption hostOption(
        QStringLiteral("host"), QStringLiteral("Only notes from or to this address, exactly."),
        QStringLiteral("HOST"));
    const QCommandLineOption sinceOption(
        QStringLiteral("since"),
        QStringLiteral("Only notes kept from DATE on (2026-12-08, or 2026-12-08T14:30)."),
        QStringLiteral("DATE"));
    const QCommandLineOption limitOption(QStringLiteral("limit"),
                                         QStringLiteral("At most N notes (default: all)."),
                                         QStringLiteral("N"));
    const QCommandLineOption directionOption(
        QStringLiteral("direction"), QStringLiteral("Only received (in) or sent (out) notes."),
        QStringLiteral("in|out"));
    parser.addOptions({searchOption, hostOption, sinceOption, limitOption, directionOption});
    if (const std::optional<int> nDone = command.Parse(arguments))
        return *nDone;

    CHistoryFilter filter;
    filter.strSearch = parser.value(searchOption);
    filter.strHost = CodePage::FromUnicode(parser.value(hostOption));
    if (parser.isSet(sinceOption)) {
        filter.since = ParseSince(parser.value(sinceOption));
        if (!filter.since)
            return command.Fail(QStringLiteral("invalid date '%1'").arg(parser.value(sinceOption)));
    }
    qint64 nLimit = -1;
    if (parser.isSet(limitOption)) {
        bool bNumber = false;
        nLimit = parser.value(limitOption).toLongLong(&bNumber);
        if (!bNumber || nLimit < 0)
            return command.Fail(
                QStringLiteral("invalid limit '%1'").arg(parser.value(limitOption)));
    }
    if (parser.isSet(directionOption)) {
        const QString strDirection = parser.value(directionOption);
        if (strDirection == QLatin1String("in"))
            filter.direction = EHistoryDirection::In;
        else if (strDirection == QLatin1String("out"))
            filter.direction = EHistoryDirection::Out;
        else
            return command.Fail(
                QStringLiteral("invalid direction '%1' (in or out)").arg(strDirection));
    }

    const std::unique_ptr<CHistoryRecorder> pHistory = OpenCliHistory("history");
    if (!pHistory)
        return 1;
    CHistoryStore& store = pHistory->Store();
    QString strError;
    // Every note is searched, however many the last writer left unindexed.
    if (!filter.strSearch.isEmpty() && !store.IndexAll(&strError)) {
        CliOutput::ErrorLine(QStringLiteral("blipnote-cli history: ") + strError);
        pHistory->ReportFailure(strError);
        return 1;
    }
    for (qint64 nLeft = nLimit; nLeft != 0;) {
        filter.nLimit = nLeft < 0 ? kPage : static_cast<int>(std::min<qint64>(nLeft, kPage));
        const auto rows = store.Find(filter, &strError);
        if (!rows) {
            CliOutput::ErrorLine(QStringLiteral("blipnote-cli history: ") + strError);
            pHistory->ReportFailure(strError); // a damaged file goes aside
            return 1;
        }
        for (const CHistoryRow& row : *rows) {
            const std::optional<CHistoryNote> note = store.Get(row.nId, &strError);
            if (note && !CliOutput::WriteLine(HistoryNoteJson(*note)))
                return 1; // nobody reads any more
        }
        if (rows->size() < static_cast<std::size_t>(filter.nLimit))
            break;
        filter.nBeforeId = rows->back().nId;
        if (nLeft > 0)
            nLeft -= static_cast<qint64>(rows->size());
    }
    return 0;
}
