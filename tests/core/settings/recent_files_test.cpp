// The recent-file list: newest first, four at most, stored at each change in
// the settings file, and wary of what a hand-edited file may hold.
#include "core/settings/file_settings_store.h"
#include "core/settings/memory_settings_store.h"
#include "core/settings/recent_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kSection = QStringLiteral("Recent File List");

QStringList L(std::initializer_list<const char*> texts)
{
    QStringList list;
    for (const char* pszText : texts)
        list.append(QString::fromUtf8(pszText));
    return list;
}

QStringList Numbered(int nCount)
{
    QStringList paths;
    for (int n = 1; n <= nCount; ++n)
        paths.append(QStringLiteral("/notes/%1.bno").arg(n));
    return paths;
}

TEST(RecentFiles, NewestFirstFourAtMostEachOnce)
{
    CMemorySettingsStore store;
    CRecentFiles recent(store);
    int nChanged = 0;
    QObject::connect(&recent, &CRecentFiles::Changed, [&nChanged] { ++nChanged; });
    for (const QString& strPath : Numbered(5))
        recent.Add(strPath);
    EXPECT_EQ(recent.Paths(), L({"/notes/5.bno", "/notes/4.bno", "/notes/3.bno", "/notes/2.bno"}));
    // Opened again, a file moves to the top instead of standing twice.
    recent.Add(QStringLiteral("/notes/3.bno"));
    EXPECT_EQ(recent.Paths(), L({"/notes/3.bno", "/notes/5.bno", "/notes/4.bno", "/notes/2.bno"}));
    // Written another way, it is still the same file.
    recent.Add(QStringLiteral("/notes/../notes/./2.bno"));
    EXPECT_EQ(recent.Paths().first(), QStringLiteral("/notes/2.bno"));
    EXPECT_EQ(recent.Paths().size(), 4);
    recent.Add(QStringLiteral("/notes/2.bno")); // already first: nothing to show anew
    EXPECT_EQ(nChanged, 7);

    recent.Remove(QStringLiteral("/notes/5.bno"));
    recent.Remove(QStringLiteral("/notes/never.bno"));
    EXPECT_EQ(recent.Paths(), L({"/notes/2.bno", "/notes/3.bno", "/notes/4.bno"}));
    EXPECT_EQ(nChanged, 8);
}

TEST(RecentFiles, AFileIsKeptByItsOwnAbsolutePath)
{
    CMemorySettingsStore store;
    CRecentFiles recent(store);
    recent.Add(QStringLiteral("lunch.bni"));
    EXPECT_EQ(recent.Paths(),
              QStringList({QDir::current().absoluteFilePath(QStringLiteral("lunch.bni"))}));

    // Through a linked folder it is still the one file.
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("real")));
    const QString strReal = dir.filePath(QStringLiteral("real/a.bno"));
    QFile file(strReal);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    ASSERT_TRUE(
        QFile::link(dir.filePath(QStringLiteral("real")), dir.filePath(QStringLiteral("link"))));
    recent.Add(dir.filePath(QStringLiteral("link/a.bno")));
    recent.Add(strReal);
    EXPECT_EQ(recent.Paths().size(), 2);
    EXPECT_EQ(recent.Paths().first(), QFileInfo(strReal).canonicalFilePath());
}

TEST(RecentFiles, StoredAtEachChangeAsFileOneToFour)
{
    CMemorySettingsStore store;
    {
        CRecentFiles recent(store);
        for (const QString& strPath : Numbered(4))
            recent.Add(strPath);
        recent.Remove(QStringLiteral("/notes/1.bno"));
        recent.Remove(QStringLiteral("/notes/2.bno"));
    }
    EXPECT_EQ(store.ReadPath(kSection, QStringLiteral("File1")), QStringLiteral("/notes/4.bno"));
    EXPECT_EQ(store.ReadPath(kSection, QStringLiteral("File2")), QStringLiteral("/notes/3.bno"));
    // What the list no longer holds does not come back at the next start.
    EXPECT_FALSE(store.Contains(kSection, QStringLiteral("File3")));
    EXPECT_FALSE(store.Contains(kSection, QStringLiteral("File4")));

    CRecentFiles later(store);
    later.Load();
    EXPECT_EQ(later.Paths(), L({"/notes/4.bno", "/notes/3.bno"}));
}

TEST(RecentFiles, AHandEditedListIsReadWithCare)
{
    CMemorySettingsStore store;
    const auto Write = [&store](const char* pszName, const QString& strValue) {
        store.WritePath(kSection, QString::fromLatin1(pszName), strValue);
    };
    Write("File1", QStringLiteral("/notes//./a.bno"));
    Write("File2", QStringLiteral("notes/relative.bno"));
    Write("File3", QStringLiteral("/notes/a.bno"));
    Write("File4", QString(1 << 20, QLatin1Char('x')));
    Write("File5", QStringLiteral("/notes/five.bno"));
    CRecentFiles recent(store);
    recent.Load();
    // Relative, repeated, megabyte-long and fifth entries are passed over; a
    // path written another way is read as the file it names.
    EXPECT_EQ(recent.Paths(), L({"/notes/a.bno"}));
    recent.Add(QStringLiteral("/") + QString(5000, QLatin1Char('y')));
    EXPECT_EQ(recent.Paths(), L({"/notes/a.bno"}));

    // The system would read a path only up to a zero character: the entry
    // would show one file and open another.
    CMemorySettingsStore zero;
    zero.WritePath(kSection, QStringLiteral("File1"),
                   QStringLiteral("/notes/a.bno") + QChar(0) + QStringLiteral("/etc/passwd"));
    CRecentFiles fromZero(zero);
    fromZero.Load();
    EXPECT_TRUE(fromZero.Paths().isEmpty());
    fromZero.Add(QStringLiteral("/etc/passwd") + QChar(0) + QStringLiteral(".bno"));
    EXPECT_TRUE(fromZero.Paths().isEmpty());
}

TEST(RecentFiles, EveryCharacterOfAPathSurvivesTheSettingsFile)
{
    // Unlike note texts, paths are not bound to the code page.
    QTemporaryDir dir;
    const QString strConf = dir.filePath(QStringLiteral("Blipnote.conf"));
    const QStringList paths = {QStringLiteral("/home/\u0430\u043d\u044f/\u4fbf\u7b8b.bno"),
                               QStringLiteral("/tmp/a, b; c=d [e] #f.bno"),
                               QStringLiteral("/tmp/line\nbreak \"quoted\" \\.bni"),
                               QStringLiteral("/tmp/\U0001F600.bno")};
    {
        CFileSettingsStore store(strConf);
        CRecentFiles recent(store);
        for (const QString& strPath : paths)
            recent.Add(strPath);
    }
    CFileSettingsStore store(strConf);
    CRecentFiles recent(store);
    recent.Load();
    EXPECT_EQ(recent.Paths(), QStringList(paths.crbegin(), paths.crend()));

    // A value written by hand as a list reads as no path.
    const QString strEdited = dir.filePath(QStringLiteral("edited.conf"));
    QFile file(strEdited);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Recent%20File%20List]\nFile1=/a,/b\nFile2=/c.bno\n");
    file.close();
    CFileSettingsStore edited(strEdited);
    CRecentFiles fromEdited(edited);
    fromEdited.Load();
    EXPECT_EQ(fromEdited.Paths(), L({"/c.bno"}));
}

} // namespace
