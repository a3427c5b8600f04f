#pragma once

#include <QString>

#include <chrono>
#include <optional>

// A length of time as typed on the command line: a number and a unit, "500ms",
// "30s", "10m", "2h" or "1d" (a bare number is seconds). Nothing for anything
// else, for 0 and for more than 30 days.
std::optional<std::chrono::milliseconds> ParseDuration(const QString& strText);
