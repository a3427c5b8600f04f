#pragma once

#include <QStringList>

// blipnote-cli fingerd [--port N]: runs the finger server without a window and
// writes each answered query as one line of JSON.
int RunFingerdCommand(const QStringList& arguments);
