#pragma once

#include <QByteArray>
#include <QStringList>

#include <span>

// The commands of blipnote-cli, in the order its help lists them: the one
// table that dispatch and the help are made from.
struct CCliCommand
{
    const char* pszName;
    const char* pszSummary;
    // Runs the command on its arguments (its name first); the exit code.
    int (*run)(const QStringList& arguments);
};

std::span<const CCliCommand> CliCommands();
// The tool's help, with one line for every command.
QByteArray CliUsage();
