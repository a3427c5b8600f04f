#pragma once

#include <QStringList>

// blipnote-cli listen [--port N]: runs the note server without a window and
// writes each received note to standard output as one line of JSON.
int RunListenCommand(const QStringList& arguments);
