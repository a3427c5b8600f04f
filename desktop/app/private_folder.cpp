#include "desktop/app/private_folder.h"

#include "core/interfaces/logging.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString ErrorText(int nError)
{
    return QString::fromLocal8Bit(std::strerror(nError));
}

QString ModeText(mode_t nMode)
{
    return QStringLiteral("0%1").arg(nMode & 0777, 3, 8, QLatin1Char('0'));
}

// Another user may rename or remove what lies in a folder they can write to,
// unless its sticky bit keeps each entry to its owner (as in /tmp).
QString WhyParentUnsafe(const QString& strPath)
{
    const QString strParent = QFileInfo(strPath).path();
    struct stat info
    {};
    if (::stat(QFile::encodeName(strParent).constData(), &info) != 0)
        return QStringLiteral("%1: %2").arg(strParent, ErrorText(errno));
    const bool bOwnerTrusted = info.st_uid == 0 || info.st_uid == ::geteuid();
    const bool bOthersWrite = (info.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    if (!bOwnerTrusted || (bOthersWrite && (info.st_mode & S_ISVTX) == 0))
        return QStringLiteral("%1 lies in %2, where other users may replace it")
            .arg(strPath, strParent);
    return {};
}

} // namespace

QString CPrivateFolder::Find(QString* pstrProblem)
{
    const QString strRuntime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!strRuntime.isEmpty()) {
        const QString strWhy = QDir::isAbsolutePath(strRuntime)
                                   ? WhyNotPrivate(QDir::cleanPath(strRuntime))
                                   : QStringLiteral("%1 is not an absolute path").arg(strRuntime);
        if (strWhy.isEmpty())
            return QDir::cleanPath(strRuntime);
        // Typical after su, which keeps the variable of the user it came from.
        qCWarning(lcNet, "XDG_RUNTIME_DIR is not used: %s", qUtf8Printable(strWhy));
    }
    // Shared, so the name is guessable: another user may have taken it first,
    // which is found and refused below rather than used.
    const QString strFolder =
        QDir(QDir::tempPath()).filePath(QStringLiteral("blipnote-%1").arg(::geteuid()));
    QString strWhy = WhyParentUnsafe(strFolder);
    if (strWhy.isEmpty()) {
        const QByteArray strNative = QFile::encodeName(strFolder);
        if (::mkdir(strNative.constData(), 0700) == 0)
            ::chmod(strNative.constData(), 0700); // whatever the umask
        strWhy = WhyNotPrivate(strFolder);
    }
    if (strWhy.isEmpty())
        return strFolder;
    *pstrProblem = strWhy;
    return {};
}

QString CPrivateFolder::WhyNotPrivate(const QString& strFolder)
{
    if (QString strWhy = WhyParentUnsafe(strFolder); !strWhy.isEmpty())
        return strWhy;
    struct stat info
    {};
    if (::lstat(QFile::encodeName(strFolder).constData(), &info) != 0)
        return QStringLiteral("%1: %2").arg(strFolder, ErrorText(errno));
    if (S_ISLNK(info.st_mode))
        return QStringLiteral("%1 is a symbolic link").arg(strFolder);
    if (!S_ISDIR(info.st_mode))
        return QStringLiteral("%1 is not a folder").arg(strFolder);
    if (info.st_uid != ::geteuid())
        return QStringLiteral("%1 belongs to %2").arg(strFolder, DescribeUser(info.st_uid));
    if ((info.st_mode & 0777) != 0700)
        return QStringLiteral("%1 has mode %2, not 0700").arg(strFolder, ModeText(info.st_mode));
    return {};
}

QString CPrivateFolder::WhyNotOwn(const QString& strPath, mode_t nType)
{
    struct stat info
    {};
    if (::lstat(QFile::encodeName(strPath).constData(), &info) != 0)
        return errno == ENOENT ? QString()
                               : QStringLiteral("%1: %2").arg(strPath, ErrorText(errno));
    if ((info.st_mode & S_IFMT) != nType)
        return QStringLiteral("%1 is not a %2")
            .arg(strPath, nType == S_IFSOCK ? QStringLiteral("socket") : QStringLiteral("file"));
    if (info.st_uid != ::geteuid())
        return QStringLiteral("%1 belongs to %2").arg(strPath, DescribeUser(info.st_uid));
    return {};
}

std::optional<uid_t> CPrivateFolder::PeerUser(qintptr nSocket)
{
    ucred credentials{};
    socklen_t nSize = sizeof(credentials);
    if (::getsockopt(static_cast<int>(nSocket), SOL_SOCKET, SO_PEERCRED, &credentials, &nSize) !=
            0 ||
        nSize != sizeof(credentials))
        return std::nullopt;
    return credentials.uid;
}

QString CPrivateFolder::DescribeUser(uid_t nUser)
{
    // Reentrant: hand-overs may be checked on several threads.
    passwd entry{};
    passwd* pEntry = nullptr;
    char buffer[2048];
    if (::getpwuid_r(nUser, &entry, buffer, sizeof(buffer), &pEntry) == 0 && pEntry)
        return QStringLiteral("user %1 (uid %2)")
            .arg(QString::fromLocal8Bit(pEntry->pw_name))
            .arg(nUser);
    return QStringLiteral("uid %1").arg(nUser);
}
