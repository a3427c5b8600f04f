#include "cli/command_line.h"

#include "cli/cli_output.h"

CCommandLine::CCommandLine(const char* pszCommand, const QString& strDescription)
    : m_strCommand(pszCommand)
{
    m_parser.setApplicationDescription(strDescription);
}

std::optional<int> CCommandLine::Parse(const QStringList& arguments, qsizetype nMinPositional,
                                       qsizetype nMaxPositional, const QString& strWrongCount)
{
    const QCommandLineOption helpOption = m_parser.addHelpOption();
    if (!m_parser.parse(arguments))
        return Fail(m_parser.errorText());
    // --help-all is offered with --help; the tool has no other options to show.
    if (m_parser.isSet(helpOption) || m_parser.isSet(QStringLiteral("help-all"))) {
        CliOutput::WriteHelp(m_parser, m_strCommand.constData());
        return 0;
    }
    const QStringList positional = m_parser.positionalArguments();
    const bool bWrongCount =
        positional.size() > nMaxPositional || positional.size() < nMinPositional;
    if (bWrongCount && !strWrongCount.isEmpty())
        return Fail(strWrongCount);
    if (positional.size() > nMaxPositional)
        return Fail(
            QStringLiteral("unexpected argument '%1'").arg(positional.value(nMaxPositional)));
    if (positional.size() < nMinPositional)
        return Fail(QStringLiteral("missing argument"));
    return std::nullopt;
}

int CCommandLine::Fail(const QString& strMessage) const
{
    CliOutput::ErrorLine(QStringLiteral("blipnote-cli ") + QString::fromLatin1(m_strCommand) +
                         QStringLiteral(": ") + strMessage);
    return 2;
}
