#include "core/finger/finger_reply.h"

#include "core/settings/app_settings.h"
#include "core/text/code_page.h"

#include <QLocale>

namespace FingerReply {

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

QByteArray Build(const CAppSettings& settings, const CTimeStamp& time, const QByteArray& strUptime)
{
    QByteArray strReply = "\n";
    if (settings.m_nSendSystem)
        strReply += "System:    " + settings.m_strComputerName + "\n";
    if (settings.m_nSendOs)
        strReply += "Platform:  " + settings.m_strPlatform + "\n";
    if (settings.m_nSendUser)
        strReply += "User:      " + settings.m_strUserName + "\n";
    if (settings.m_nSendUptime)
        strReply += "Uptime:    " + strUptime + "\n";
    if (settings.m_nSendTime)
        strReply += "Localtime: " + time.strDay + "  " + time.strTime + "\n\n";
    if (settings.m_nSendPlan)
        strReply += settings.m_strPlan + "\n";
    return strReply;
}

} // namespace FingerReply
