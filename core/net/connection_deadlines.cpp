#include "core/net/connection_deadlines.h"

#include "core/net/served_connection.h"

#include <algorithm>

CConnectionDeadlines::CConnectionDeadlines(
    std::function<void(CServedConnection& connection)> passed)
    : m_passed(std::move(passed))
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { Passed(); });
}

void CConnectionDeadlines::Set(CServedConnection& connection, CClock::time_point deadline)
{
    m_deadlines.erase({connection.deadline, &connection});
    connection.deadline = deadline;
    if (deadline != CClock::time_point::max())
        m_deadlines.insert({deadline, &connection});
    Arm();
}

void CConnectionDeadlines::Arm()
{
    if (m_deadlines.empty()) {
        m_timer.stop();
        return;
    }
    // A timer that fires before the nearest time limit finds nothing to do and
    // is set again: it is only moved when a nearer one comes.
    const CClock::time_point nearest = m_deadlines.begin()->first;
    if (m_timer.isActive() && m_armedFor <= nearest)
        return;
    m_armedFor = nearest;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(nearest - CClock::now());
    m_timer.start(std::max(left, std::chrono::milliseconds(0)));
}

void CConnectionDeadlines::Passed()
{
    while (!m_deadlines.empty() && m_deadlines.begin()->first <= CClock::now())
        m_passed(*m_deadlines.begin()->second);
    Arm();
}
