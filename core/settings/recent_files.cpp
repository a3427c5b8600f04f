#include "core/settings/recent_files.h"

#include "core/interfaces/settings_store.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString kSection = QStringLiteral("Recent File List");

QString ValueName(int n)
{
    return QStringLiteral("File%1").arg(n + 1);
}

// The file's own path: links resolved when it is there, else absolute and clean.
QString Normalized(const QString& strPath)
{
    const QFileInfo file(strPath);
    const QString strCanonical = file.canonicalFilePath();
    return strCanonical.isEmpty() ? QDir::cleanPath(file.absoluteFilePath()) : strCanonical;
}

// What can be a file's path here: absolute (a relative one would name another
// file from each working folder), of sensible length, without a zero character
// (the system would read the path only up to it).
bool IsPath(const QString& strPath)
{
    return QDir::isAbsolutePath(strPath) && strPath.size() <= CRecentFiles::MaxPathLength &&
           !strPath.contains(QChar(0));
}

} // namespace

CRecentFiles::CRecentFiles(ISettingsStore& store, QObject* pParent)
    : QObject(pParent), m_store(store)
{}

void CRecentFiles::Load()
{
    QStringList paths;
    for (int n = 0; n < MaxFiles; ++n) {
        const QString strPath = m_store.ReadPath(kSection, ValueName(n)).value_or(QString());
        if (!IsPath(strPath))
            continue;
        // Written by hand as "/notes/./a.bno" it is still "/notes/a.bno".
        const QString strClean = QDir::cleanPath(strPath);
        if (!paths.contains(strClean))
            paths.append(strClean);
    }
    SetPaths(paths);
}

void CRecentFiles::Add(const QString& strPath)
{
    if (strPath.contains(QChar(0)))
        return;
    const QString strFull = Normalized(strPath);
    if (!IsPath(strFull))
        return;
    // Entries were kept by their own path too: a file reached through a link is
    // found without asking the file system about every entry (a stale network
    // mount would stall the window).
    QStringList paths = m_paths;
    paths.removeAll(strFull);
    paths.prepend(strFull);
    if (paths.size() > MaxFiles)
        paths.resize(MaxFiles);
    SetPaths(paths);
    Store();
}

void CRecentFiles::Remove(const QString& strPath)
{
    // The entry as the list holds it (the menu hands it back as it is).
    QStringList paths = m_paths;
    if (paths.removeAll(strPath) == 0)
        return;
    SetPaths(paths);
    Store();
}

void CRecentFiles::SetPaths(QStringList paths)
{
    if (paths == m_paths)
        return;
    m_paths = std::move(paths);
    Q_EMIT Changed();
}

void CRecentFiles::Store()
{
    for (int n = 0; n < MaxFiles; ++n) {
        if (n < m_paths.size())
            m_store.WritePath(kSection, ValueName(n), m_paths[n]);
        else
            m_store.DeleteValue(kSection, ValueName(n));
    }
}
