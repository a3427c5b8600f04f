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
    int nFailed = 0;
    int nInBatch = 0;
    QString strError;
    const auto commit = [&] {
        if (nInBatch > 0 && !store.Commit(&strError)) {
            CliOutput::ErrorLine(QStringLiteral("blipnote-cli import: ") + strError);
            nFailed += nInBatch;
            nKept -= nInBatch;
        }
        nInBatch = 0;
    };
    for (const QString& strPath : command.Parser().positionalArguments()) {
        const QString strName = QFileInfo(strPath).fileName();
        const bool bIn = strName.endsWith(QLatin1String(".bni"), Qt::CaseInsensitive);
        if (!bIn && !strName.endsWith(QLatin1String(".bno"), Qt::CaseInsensitive)) {
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
        if (nInBatch == 0 && !store.Begin(&strError)) {
            CliOutput::ErrorLine(QStringLiteral("blipnote-cli import: ") + strError);
            return 1;
        }
        if (store.RecordFile(record, bIn ? EHistoryDirection::In : EHistoryDirection::Out,
                             QFileInfo(strPath).absoluteFilePath(),
                             QDateTime::currentMSecsSinceEpoch(), &strError) == 0) {
            CliOutput::ErrorLine(
                QStringLiteral("blipnote-cli import: %1: %2").arg(strPath, strError));
            ++nFailed;
            continue;
        }
        ++nKept;
        if (++nInBatch >= kBatch)
            commit();
    }
    commit();
    CliOutput::ErrorLine(
        QStringLiteral("%1 kept in the history%2")
            .arg(nKept == 1 ? QStringLiteral("1 note") : QStringLiteral("%1 notes").arg(nKept),
                 nFailed > 0 ? QStringLiteral(", %1 not").arg(nFailed) : QString()));
    return nFailed > 0 ? 1 : 0;
}
