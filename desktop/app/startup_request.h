#pragma once

#include <QString>

// What the command line asks of the start: a note file to open, or one to print
// on the default printer before the program ends; or a start out of the way
// (in the tray), as at login.
struct CStartupRequest
{
    QString strOpenFile{};
    QString strPrintFile{};
    bool bHidden = false;
};
