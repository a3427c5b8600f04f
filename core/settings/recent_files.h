#pragma once

#include <QObject>
#include <QStringList>

class ISettingsStore;

// The recent-file list of the File menu: the note files opened or saved last,
// newest first, at most MaxFiles. It is kept in section "Recent File List" as
// "File1" to "File4" and stored at each change, so a program that ends without
// its shutdown keeps it too.
class CRecentFiles : public QObject
{
    Q_OBJECT

public:
    static constexpr int MaxFiles = 4;
    // Longer values in the settings file are no path of this system.
    static constexpr qsizetype MaxPathLength = 4096;

    explicit CRecentFiles(ISettingsStore& store, QObject* pParent = nullptr);

    // Reads the stored list; empty, relative, over-long and repeated values and
    // values holding a zero character are passed over.
    void Load();
    const QStringList& Paths() const { return m_paths; }

    // Puts the file first (by its absolute path, links resolved); the oldest
    // beyond MaxFiles goes.
    void Add(const QString& strPath);
    // Takes the entry off the list, as the list holds it.
    void Remove(const QString& strPath);

Q_SIGNALS:
    void Changed();

private:
    void Store();
    void SetPaths(QStringList paths);

    ISettingsStore& m_store;
    QStringList m_paths;
};
