#pragma once

#include <QStringList>

// "blipnote-cli seek": fingers the host list, or the addresses given, and
// prints a JSON line for each as it answers.
int RunSeekCommand(const QStringList& arguments);
