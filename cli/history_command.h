#pragma once

#include <QStringList>

// blipnote-cli history: prints the kept notes, newest first, as JSON lines.
int RunHistoryCommand(const QStringList& arguments);
