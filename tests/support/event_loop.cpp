#include "tests/support/event_loop.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>

bool SpinUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const QDeadlineTimer deadline(timeout);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}
