#include "cli/cli_output.h"

#include <cstdio>

namespace CliOutput {

void WriteLine(const QByteArray& strLine)
{
    const QByteArray strOut = strLine + '\n';
    std::fwrite(strOut.constData(), 1, static_cast<std::size_t>(strOut.size()), stdout);
    std::fflush(stdout);
}

void ErrorLine(const QString& strLine)
{
    const QByteArray strOut = strLine.toUtf8() + '\n';
    std::fwrite(strOut.constData(), 1, static_cast<std::size_t>(strOut.size()), stderr);
    std::fflush(stderr);
}

} // namespace CliOutput
