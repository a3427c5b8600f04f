#include "core/settings/system_info.h"

#include "core/text/code_page.h"

#include <QString>
#include <QSysInfo>

#include <array>
#include <cstdio>
#include <ctime>
#include <pwd.h>
#include <unistd.h>

namespace SystemInfo {

CSystemInfo Collect()
{
    return {ComputerName(), UserName(), QByteArray()};
}

QByteArray ComputerName()
{
    std::array<char, 256> name{};
    if (::gethostname(name.data(), name.size() - 1) != 0)
        return QByteArray();
    return CodePage::FromUnicode(QString::fromLocal8Bit(name.data()));
}

QByteArray UserName()
{
    const passwd* pEntry = ::getpwuid(::geteuid());
    if (!pEntry || !pEntry->pw_name)
        return QByteArray();
    return CodePage::FromUnicode(QString::fromLocal8Bit(pEntry->pw_name));
}

QByteArray ProcessorText()
{
    const long nOnline = sysconf(_SC_NPROCESSORS_ONLN);
    return QByteArray::number(nOnline > 0 ? static_cast<qlonglong>(nOnline) : 1) + " x " +
           QSysInfo::currentCpuArchitecture().toLatin1();
}

quint32 TickCount()
{
    timespec now{};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    const quint64 nMilliseconds =
        static_cast<quint64>(now.tv_sec) * 1000u + static_cast<quint64>(now.tv_nsec) / 1000000u;
    return static_cast<quint32>(nMilliseconds);
}

} // namespace SystemInfo

QByteArray FormatUptime(quint32 nTickCount)
{
    quint32 s = nTickCount / 1000;
    const quint32 nDays = s / 86400;
    s -= nDays * 86400;
    const quint32 nHours = s / 3600;
    s -= nHours * 3600;
    const quint32 nMinutes = s / 60;
    const quint32 nSeconds = s % 60;
    char szText[96];
    std::snprintf(szText, sizeof(szText), "%u Days  %u Hours  %u Minutes  %u Seconds", nDays,
                  nHours, nMinutes, nSeconds);
    return QByteArray(szText);
}

QByteArray FormatUptime()
{
    return FormatUptime(SystemInfo::TickCount());
}
