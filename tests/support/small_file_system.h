#pragma once

#include <QString>
#include <QTemporaryDir>

// A file system of a few kilobytes on a folder of its own, to meet a full disk
// as users do. Mounting needs root: elsewhere Mounted() is false and Why()
// says why. It is taken away again even while files on it are open.
class CSmallFileSystem
{
public:
    explicit CSmallFileSystem(int nKilobytes = 64);
    ~CSmallFileSystem();

    bool Mounted() const { return m_bMounted; }
    const QString& Why() const { return m_strWhy; }
    QString Path() const { return m_folder.path(); }

    // Writes a file that takes every free byte; Unfill() removes it.
    bool Fill();
    void Unfill();

private:
    QTemporaryDir m_folder;
    bool m_bMounted = false;
    QString m_strWhy;
};
