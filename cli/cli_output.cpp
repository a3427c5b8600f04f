#include "cli/cli_output.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

namespace CliOutput {

bool WriteLine(const QByteArray& strLine)
{
    const std::size_t nWritten =
        std::fwrite(strLine.constData(), 1, static_cast<std::size_t>(strLine.size()), stdout);
    const bool bEnded = std::fputc('\n', stdout) != EOF;
    return std::fflush(stdout) == 0 && bEnded &&
           nWritten == static_cast<std::size_t>(strLine.size());
}

void ErrorLine(const QString& strLine)
{
    const QByteArray strOut = strLine.toUtf8() + '\n';
    std::fwrite(strOut.constData(), 1, static_cast<std::size_t>(strOut.size()), stderr);
    std::fflush(stderr);
}

void WriteHelp(const QCommandLineParser& parser, const char* pszCommand)
{
    const QByteArray strProgram = QCoreApplication::arguments().constFirst().toUtf8();
    WriteLine(
        parser.helpText().toUtf8().replace(strProgram, QByteArray("blipnote-cli ") + pszCommand));
}

} // namespace CliOutput
