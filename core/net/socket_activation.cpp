#include "core/net/socket_activation.h"

#include <QByteArray>

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace SocketActivation {

std::optional<int> TakeListeningSocket(QString* pstrNote)
{
    const QByteArray strPid = qgetenv("LISTEN_PID");
    const QByteArray strCount = qgetenv("LISTEN_FDS");
    ::unsetenv("LISTEN_PID");
    ::unsetenv("LISTEN_FDS");
    ::unsetenv("LISTEN_FDNAMES");
    if (strPid.isEmpty() || strCount.isEmpty())
        return std::nullopt;
    bool bPid = false;
    bool bCount = false;
    const qlonglong nPid = strPid.toLongLong(&bPid);
    const int nCount = strCount.toInt(&bCount);
    // Meant for another process (a parent that did not clear them).
    if (!bPid || nPid != static_cast<qlonglong>(::getpid()))
        return std::nullopt;
    if (!bCount || nCount < 1) {
        if (pstrNote)
            *pstrNote =
                QStringLiteral("LISTEN_FDS=%1 passes no socket").arg(QString::fromLatin1(strCount));
        return std::nullopt;
    }
    // Only the first is served; the others are not handed on to children.
    for (int nDescriptor = kFirstDescriptor + 1; nDescriptor < kFirstDescriptor + nCount;
         ++nDescriptor)
        ::fcntl(nDescriptor, F_SETFD, FD_CLOEXEC);
    if (nCount > 1 && pstrNote)
        *pstrNote = QStringLiteral("%1 sockets passed; the first is served").arg(nCount);
    return kFirstDescriptor;
}

} // namespace SocketActivation
