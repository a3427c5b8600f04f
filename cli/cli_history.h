#pragma once

#include <memory>

class CHistoryRecorder;

// The user's history for a command of the tool, opened; a file moved aside is
// told on standard error. Nothing, after saying why, when it cannot be used.
std::unique_ptr<CHistoryRecorder> OpenCliHistory(const char* pszCommand);
