#pragma once

#include <QByteArray>
#include <QString>

class QCommandLineParser;

// Output helpers of the command-line tool: whole lines, flushed at once.
namespace CliOutput {

// Returns false when the line could not be written (standard output closed).
bool WriteLine(const QByteArray& strLine);
void ErrorLine(const QString& strLine);
// Prints a command's help, naming it "blipnote-cli COMMAND".
void WriteHelp(const QCommandLineParser& parser, const char* pszCommand);

} // namespace CliOutput
