#pragma once

#include <QString>

// What the user is told when the note server cannot listen: why, in words that
// name the port, and what to do about it.
namespace ListenFailure {

// The note port could not be opened; nErrno and strSystem are the system's
// error number and text.
QString Explanation(int nPort, int nErrno, const QString& strSystem);
// The stored "IP Port" is no port to listen on.
QString BadPortExplanation(int nPort);

} // namespace ListenFailure
