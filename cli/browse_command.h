#pragma once

#include <QStringList>

// "blipnote-cli browse": prints the copies announced on the local network as
// JSON lines, once or (--watch) as they come and go.
int RunBrowseCommand(const QStringList& arguments);
