#pragma once

#include <QByteArray>
#include <QByteArrayList>
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

// The time as the user's locale writes it, or as the C locale does when the
// code page cannot carry the locale's names or digits.
CTimeStamp TimeStamp(const QDateTime& now);

QByteArray Build(const CFingerSettings& settings, const CTimeStamp& time,
                 const QByteArray& strUptime);
// The same reply in the parts that make it up: the plan is the settings' own
// text, shared, not copied (it may be long, and every query holds its reply).
QByteArrayList BuildParts(const CFingerSettings& settings, const CTimeStamp& time,
                          const QByteArray& strUptime);

} // namespace FingerReply
