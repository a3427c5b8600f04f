#include "core/finger/finger_reply.h"

#include "core/finger/finger_settings.h"
#include "core/text/code_page.h"

#include <QLocale>

namespace FingerReply {

namespace {
constexpr qsizetype kPlanCopiedUpTo = 16 * 1024;
} // namespace

CTimeStamp TimeStamp(const QDateTime& now)
{
    const QLocale locale;
    // The locale's long time format, but without the time zone.
    QString strTimeFormat = locale.timeFormat(QLocale::LongFormat);
    strTimeFormat.remove(QLatin1Char('t'));
    strTimeFormat = strTimeFormat.trimmed();
    if (!strTimeFormat.contains(QLatin1Char('s')))
        strTimeFormat = QStringLiteral("HH:mm:ss");
    return {CodePage::FromUnicode(locale.toString(now, QStringLiteral("ddd ")) +
                                  locale.toString(now.date(), QLocale::ShortFormat)),
            CodePage::FromUnicode(locale.toString(now.time(), strTimeFormat))};
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
