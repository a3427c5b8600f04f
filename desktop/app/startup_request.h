#pragma once

#include <QString>

// What the command line asks of the start: a note file to open, or one to print
// on the default printer before the program ends.
struct CStartupRequest
{
    QString strOpenFile{};
    QString strPrintFile{};
};
