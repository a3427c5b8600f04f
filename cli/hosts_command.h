#pragma once

#include <QStringList>

// blipnote-cli hosts: prints the host list, one JSON object per line.
int RunHostsCommand(const QStringList& arguments);
