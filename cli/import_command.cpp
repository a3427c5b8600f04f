#include "cli/import_command.h"

#include "cli/cli_history.h"
#include "cli/cli_output.h"
#include "cli/command_line.h"
#include "core/history/history_recorder.h"
#include "core/notes/note_file.h"

#include <QDateTime>
#include <QFileInfo>

#include <limits>

namespace {
// Files kept in one transaction.
constexpr int kBatch = 500;
} // namespace

int RunImportCommand(const QStringList& arguments)
{
    CCommandLine command("import",
                         QStringLiteral("Keeps note files in the history: .bni files as received "
                                        "notes, .bno files as sent ones. A file kept before is "
                                        "not kept twice."));
    command.Parser().addPositionalArgument(
        QStringLiteral("FILE"), QStringLiteral("The note files."), QStringLiteral("FILE..."));
    if (const std::optional<int> nDone =
            command.Parse(arguments, 1, std::numeric_limits<qsizetype>::max(),
                          QStringLiteral("name one or more note files")))
        return *nDone;
    const std::unique_ptr<CHistoryRecorder> pHistory = OpenCliHistory("import");
    if (!pHistory)
        return 1;
    CHistoryStore& store = pHistory->Store();
    int nKept = 0;
    int nThere = 0;
    int nFailed = 0;
    // Files of a batch kept so far; -1 while no batch is open.
    int nInBatch = -1;
    QString strError;
    const auto commit = [&] {
        if (nInBatch >= 0 && !store.Commit(&strError)) {
            CliOutput::ErrorLine(QStringLiteral("blipnote-cli import: ") + strError);
            nFailed += nInBatch;
            nKept -= nInBatch;
        }
        nInBatch = -1;
    };
    for (const QString& strPath : command.Parser().positionalArguments()) {
        const QFileInfo file(strPath);
        const bool bIn = file.fileName().endsWith(QLatin1String(".bni"), Qt::CaseInsensitive);
        if (!bIn && !file.fileName().endsWith(QLatin1String(".bno"), Qt::CaseInsensitive)) {
            CliOutput::ErrorLine(
                QStringLiteral("blipnote-cli import: %1: not a note file (.bno or .bni)")
                    .arg(strPath));
            ++nFailed;
            continue;
        }
        CNoteRecord record;
        if (!NoteFile::Load(strPath, record, &strError)) {
            CliOutput::ErrorLine(
                QStringLiteral("blipnote-cli import: %1: %2").arg(strPath, strError));
            ++nFailed;
            continue;
        }
        if (nInBatch < 0) {
            if (!store.Begin(&strError)) {
                CliOutput::ErrorLine(QStringLiteral("blipnote-cli import: ") + strError);
                return 1;
            }
            nInBatch = 0;
        }
        // Kept at the note's own time, else the file's.
        bool bAdded = false;
        if (store.RecordFile(record, bIn ? EHistoryDirection::In : EHistoryDirection::Out,
                             file.absoluteFilePath(), file.lastModified().toMSecsSinceEpoch(),
                             &strError, &bAdded) == 0) {
            CliOutput::ErrorLine(
                QStringLiteral("blipnote-cli import: %1: %2").arg(strPath, strError));
            ++nFailed;
            continue;
        }
        if (!bAdded) {
            ++nThere;
            continue;
        }
        ++nKept;
        if (++nInBatch >= kBatch)
            commit();
    }
    commit();
    const auto notes = [](int n) {
        return n == 1 ? QStringLiteral("1 note") : QStringLiteral("%1 notes").arg(n);
    };
    QString strSummary = notes(nKept) + QStringLiteral(" kept in the history");
    if (nThere > 0)
        strSummary += QStringLiteral(", %1 there already").arg(nThere);
    if (nFailed > 0)
        strSummary += QStringLiteral(", %1 not").arg(nFailed);
    CliOutput::ErrorLine(strSummary);
    return nFailed > 0 ? 1 : 0;
}
