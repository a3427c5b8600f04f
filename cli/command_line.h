#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <optional>

// What every command of the tool does first: its options and help, parsing,
// and the errors that end it ("blipnote-cli COMMAND: ..." on standard error,
// exit code 2).
class CCommandLine
{
public:
    CCommandLine(const char* pszCommand, const QString& strDescription);

    QCommandLineParser& Parser() { return m_parser; }
    const QCommandLineParser& Parser() const { return m_parser; }

    // Adds the help option after the command's own, parses the command's
    // arguments (the command's name first). Returns the exit
    // code when the command is done already: 0 after its help, 2 after an error
    // (an unknown option, or fewer or more arguments than it takes).
    // strWrongCount, when given, is the error for a wrong number of arguments.
    std::optional<int> Parse(const QStringList& arguments, qsizetype nMinPositional = 0,
                             qsizetype nMaxPositional = 0,
                             const QString& strWrongCount = QString());

    // Prints the error and returns the exit code 2.
    int Fail(const QString& strMessage) const;

private:
    QByteArray m_strCommand;
    QCommandLineParser m_parser;
};
