#include "core/finger/finger_reply.h"

#include "core/finger/finger_settings.h"
#include "core/text/code_page.h"

#include <QLocale>

namespace FingerReply {

namespace {
constexpr qsizetype kPlanCopiedUpTo = 16 * 1024;

// The day, date and time as the locale writes them, in the code page;
// *pbLossless tells whether every character could be carried.
CTimeStamp TimeStampIn(const QLocale& locale, const QDateTime& now, bool* pbLossless)
{
    // The locale's long time format, but without the time zone.
    QString strTimeFormat = locale.timeFormat(QLocale::LongFormat);
    strTimeFormat.remove(QLatin1Char('t'));
    strTimeFormat.remove(QStringLiteral("()")); // what stood around it
    strTimeFormat = strTimeFormat.trimmed();
    while (strTimeFormat.endsWith(QLatin1Char(',')))
        strTimeFormat = strTimeFormat.chopped(1).trimmed();
    if (!strTimeFormat.contains(QLatin1Char('s')))
        strTimeFormat = QStringLiteral("HH:mm:ss");
    bool bDay = true;
    bool bTime = true;
    CTimeStamp stamp{CodePage::FromUnicode(locale.toString(now, QStringLiteral("ddd ")) +
                                               locale.toString(now.date(), QLocale::ShortFormat),
                                           &bDay),
                     CodePage::FromUnicode(locale.toString(now.time(), strTimeFormat), &bTime)};
    *pbLossless = bDay && bTime;
    return stamp;
}
} // namespace

CTimeStamp TimeStamp(const QDateTime& now)
{
    // A locale whose names or digits the code page cannot carry would reach
    // peers as question marks: the C locale's are readable everywhere.
    bool bLossless = true;
    CTimeStamp stamp = TimeStampIn(QLocale(), now, &bLossless);
    if (!bLossless)
        stamp = TimeStampIn(QLocale::c(), now, &bLossless);
    return stamp;
}

QByteArrayList BuildParts(const CFingerSettings& settings, const CTimeStamp& time,
                          const QByteArray& strUptime)
{
    QByteArray strReply = "\n";
    if (settings.bSendSystem)
        strReply += "System:    " + settings.strComputerName + "\n";
    if (settings.bSendOs)
        strReply += "Platform:  " + settings.strPlatform + "\n";
    if (settings.bSendUser)
        strReply += "User:      " + settings.strUserName + "\n";
    if (settings.bSendUptime)
        strReply += "Uptime:    " + strUptime + "\n";
    if (settings.bSendTime)
        strReply += "Localtime: " + time.strDay + "  " + time.strTime + "\n\n";
    if (!settings.bSendPlan)
        return {strReply};
    // A short plan goes with the rest in one piece; a long one is not copied.
    if (settings.strPlan.size() <= kPlanCopiedUpTo)
        return {strReply + settings.strPlan + '\n'};
    return {strReply, settings.strPlan, QByteArrayLiteral("\n")};
}

QByteArray Build(const CFingerSettings& settings, const CTimeStamp& time,
                 const QByteArray& strUptime)
{
    return BuildParts(settings, time, strUptime).join();
}

} // namespace FingerReply
