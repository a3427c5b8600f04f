#pragma once

#include <QStringList>

// blipnote-cli send [options] RECIPIENT...: sends one note to each recipient and
// prints one result line per recipient.
int RunSendCommand(const QStringList& arguments);
