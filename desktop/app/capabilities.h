#pragma once

#include <QString>

// The capabilities of the process (Linux): the package gives the desktop
// program the one to bind ports below 1024, which it needs only to bind the
// finger port at its start, and then gives up.
namespace Capabilities {

// Gives up every capability the process holds: effective, permitted,
// inheritable and ambient, and the bounding set too when it may (which takes
// CAP_SETPCAP, which a program with only a file capability never has). A
// process run as root keeps what it has (see the source). False, with the
// reason in *pstrProblem, when something is still held afterwards.
bool DropAll(QString* pstrProblem);

} // namespace Capabilities
