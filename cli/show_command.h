#pragma once

#include <QStringList>

// blipnote-cli show FILE: prints the nine items of a note file as JSON.
int RunShowCommand(const QStringList& arguments);
