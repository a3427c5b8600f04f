#pragma once

#include "tests/support/printers.h"

#include <chrono>
#include <functional>

// Runs the event loop until the condition holds or the timeout passes; returns
// whether the condition holds. The timeout only guards against a hanging test.
bool SpinUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(20));
