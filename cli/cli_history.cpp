#include "cli/cli_history.h"

#include "cli/cli_output.h"
#include "core/history/history_recorder.h"

std::unique_ptr<CHistoryRecorder> OpenCliHistory(const char* pszCommand)
{
    const QString strPrefix = QStringLiteral("blipnote-cli %1: ").arg(QLatin1String(pszCommand));
    auto pHistory = std::make_unique<CHistoryRecorder>(CHistoryDatabase::DefaultPath());
    QObject::connect(
        pHistory.get(), &CHistoryRecorder::Notice,
        [strPrefix](const QString& strText) { CliOutput::ErrorLine(strPrefix + strText); });
    QObject::connect(
        pHistory.get(), &CHistoryRecorder::RecordingFailed,
        [strPrefix](const QString& strText) { CliOutput::ErrorLine(strPrefix + strText); });
    QString strError;
    if (!pHistory->Open(&strError)) {
        CliOutput::ErrorLine(strPrefix + strError);
        return nullptr;
    }
    return pHistory;
}
