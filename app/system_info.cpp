#include "app/system_info.h"

#include "messaging/code_page.h"

#include <QString>

#include <array>
#include <pwd.h>
#include <unistd.h>

namespace SystemInfo {

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

} // namespace SystemInfo
