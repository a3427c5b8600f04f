#pragma once

#include <QByteArray>

// Facts about the local machine, as code-page texts.
namespace SystemInfo {

// The computer's network name.
QByteArray ComputerName();

// The name of the account the program runs as (from the password database, not
// from an environment variable that anyone can set).
QByteArray UserName();

} // namespace SystemInfo
