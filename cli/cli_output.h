#pragma once

#include <QByteArray>
#include <QString>

// Output helpers of the command-line tool: whole lines, flushed at once.
namespace CliOutput {

void WriteLine(const QByteArray& strLine);
void ErrorLine(const QString& strLine);

} // namespace CliOutput
