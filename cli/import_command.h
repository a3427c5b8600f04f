#pragma once

#include <QStringList>

// blipnote-cli import: keeps note files (.bno, .bni) in the history.
int RunImportCommand(const QStringList& arguments);
