#include "cli/cli_prompts.h"

#include "cli/cli_output.h"

#include <QRegularExpression>

void CCliPrompts::ShowMessage(const QString& strText, PromptIcon)
{
    if (m_reported.contains(strText))
        return;
    CliOutput::ErrorLine(QStringLiteral("blipnote-cli: ") + OneLine(strText));
}

QString CCliPrompts::OneLine(const QString& strText)
{
    static const QRegularExpression lineBreaks(QStringLiteral("\\s*\\n+\\s*"));
    return QString(strText).replace(lineBreaks, QStringLiteral(" "));
}
