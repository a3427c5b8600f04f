#include "tests/support/small_file_system.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {
const QString kFiller = QStringLiteral("/filler");
}

CSmallFileSystem::CSmallFileSystem(int nKilobytes)
{
    const QByteArray strOptions = "size=" + QByteArray::number(nKilobytes) + 'k';
    if (::mount("blipnote-test", QFile::encodeName(Path()).constData(), "tmpfs", 0,
                strOptions.constData()) == 0)
        m_bMounted = true;
    else
        m_strWhy = QStringLiteral("cannot mount a small file system: %1 (needs root)")
                       .arg(QString::fromLocal8Bit(std::strerror(errno)));
}

CSmallFileSystem::~CSmallFileSystem()
{
    if (m_bMounted)
        ::umount2(QFile::encodeName(Path()).constData(), MNT_DETACH);
}

bool CSmallFileSystem::Fill()
{
    const int nFile = ::open(QFile::encodeName(Path() + kFiller).constData(),
                             O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (nFile < 0)
        return false;
    static const char kZeros[4096] = {};
    ssize_t nWritten = 0;
    do
        nWritten = ::write(nFile, kZeros, sizeof(kZeros));
    while (nWritten > 0);
    const bool bFull = errno == ENOSPC;
    ::close(nFile);
    return bFull;
}

void CSmallFileSystem::Unfill()
{
    QFile::remove(Path() + kFiller);
}
