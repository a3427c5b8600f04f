#include "desktop/app/autostart_entry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <utility>

namespace {
// An entry bigger than this is none of ours and not read.
constexpr qint64 kMaxEntry = 64 * 1024;

// A program path as an argument of an Exec line: quoted, with the characters
// that are special inside quotes escaped, and "%" doubled.
QString ExecArgument(const QString& strPath)
{
    // A path no line can hold: the program as the package installs it.
    if (std::any_of(strPath.cbegin(), strPath.cend(), [](QChar c) { return c < u' '; }))
        return QStringLiteral("blipnote");
    QString strQuoted;
    for (const QChar c : strPath) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            strQuoted += u'\\';
        strQuoted += c;
    }
    strQuoted.replace(QStringLiteral("%"), QStringLiteral("%%"));
    // The desktop entry format escapes backslashes once more.
    strQuoted.replace(QStringLiteral("\\"), QStringLiteral("\\\\"));
    return u'"' + strQuoted + u'"';
}
} // namespace

CAutostartEntry::CAutostartEntry(QString strProgram, QString strFolder)
    : m_strProgram(std::move(strProgram)), m_strFolder(std::move(strFolder))
{}

QString CAutostartEntry::DefaultFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("autostart"));
}

QString CAutostartEntry::Path() const
{
    return QDir(m_strFolder).filePath(QStringLiteral("blipnote.desktop"));
}

bool CAutostartEntry::IsOn() const
{
    QFile file(Path());
    if (!QFileInfo(file).isFile() || file.size() > kMaxEntry || !file.open(QIODevice::ReadOnly))
        return false;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray& line : lines) {
        const QByteArray strLine = line.trimmed();
        if (strLine == "Hidden=true" || strLine == "X-GNOME-Autostart-enabled=false")
            return false;
    }
    return true;
}

QString CAutostartEntry::Contents() const
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Blipnote\n"
                          "Comment=Receive notes from login on\n"
                          "Icon=blipnote\n"
                          "Exec=%1 --hidden\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(ExecArgument(m_strProgram));
}

bool CAutostartEntry::Set(bool bOn, QString* pstrError) const
{
    if (!bOn) {
        QFile file(Path());
        if (!QFileInfo::exists(Path()) && !QFileInfo(Path()).isSymLink())
            return true;
        if (file.remove())
            return true;
        *pstrError = file.errorString();
        return false;
    }
    if (!QDir().mkpath(m_strFolder)) {
        *pstrError = QStringLiteral("the folder %1 cannot be made").arg(m_strFolder);
        return false;
    }
    // Written whole or not at all; a link left there is replaced, not followed.
    if (QFileInfo(Path()).isSymLink())
        QFile::remove(Path());
    QSaveFile file(Path());
    if (!file.open(QIODevice::WriteOnly) || file.write(Contents().toUtf8()) < 0 || !file.commit()) {
        *pstrError = file.errorString();
        return false;
    }
    return true;
}
