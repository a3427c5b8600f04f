#pragma once

#include <QByteArray>
#include <QDateTime>

struct CFingerSettings;

// The answer to a finger query: a line feed, then the lines the finger settings
// switch on, in their fixed order, each value starting at the twelfth column,
// lines ending in a bare line feed.
namespace FingerReply {

struct CTimeStamp
{
    QByteArray strDay;  // the abbreviated day name, a blank, the short date
    QByteArray strTime; // the time of day, with seconds
    QByteArray Text() const { return strDay + "  " + strTime; }
};

// The time as the user's locale writes it.
CTimeStamp TimeStamp(const QDateTime& now);

QByteArray Build(const CFingerSettings& settings, const CTimeStamp& time,
                 const QByteArray& strUptime);

} // namespace FingerReply
