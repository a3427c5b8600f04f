#include "desktop/app/own_sounds.h"

#include "core/settings/app_settings.h"
#include "core/text/code_page.h"

#include <QDir>
#include <QFileInfo>

COwnSounds::COwnSounds(ISoundPlayer& player, const CAppSettings& settings, QString strFolder)
    : m_player(player), m_settings(settings), m_strFolder(std::move(strFolder))
{}

QString COwnSounds::FileFor(const QString& strFile) const
{
    if (strFile != QLatin1String(OldDefault) || QFileInfo(strFile).isFile())
        return strFile;
    const QString strInSoundPath =
        QDir(CodePage::ToUnicode(m_settings.SoundPath())).filePath(strFile);
    if (QFileInfo(strInSoundPath).isFile())
        return strInSoundPath;
    const QString strArrival = QDir(m_strFolder).filePath(QLatin1String(Arrival));
    return !m_strFolder.isEmpty() && QFileInfo(strArrival).isFile() ? strArrival : strFile;
}

QString COwnSounds::FindFolder(const QStringList& candidates)
{
    for (const QString& strFolder : candidates) {
        if (QFileInfo(QDir(strFolder).filePath(QLatin1String(Arrival))).isFile())
            return QDir(strFolder).absolutePath();
    }
    return {};
}
