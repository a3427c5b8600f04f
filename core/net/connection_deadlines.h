#pragma once

#include <QTimer>

#include <chrono>
#include <functional>
#include <set>
#include <utility>

class CServedConnection;

// The time limit of every served connection, on one timer: the nearest one's.
class CConnectionDeadlines
{
public:
    using CClock = std::chrono::steady_clock;

    // passed runs for each connection whose time limit has come; it gives the
    // connection another (or none).
    explicit CConnectionDeadlines(std::function<void(CServedConnection& connection)> passed);
    CConnectionDeadlines(const CConnectionDeadlines&) = delete;
    CConnectionDeadlines& operator=(const CConnectionDeadlines&) = delete;

    // The connection's time limit from now on; CClock::time_point::max() for none.
    void Set(CServedConnection& connection, CClock::time_point deadline);

private:
    void Arm();
    void Passed();

    std::function<void(CServedConnection& connection)> m_passed;
    // Nearest first.
    std::set<std::pair<CClock::time_point, CServedConnection*>> m_deadlines;
    QTimer m_timer;
    CClock::time_point m_armedFor; // what the timer was set for
};
