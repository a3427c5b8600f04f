#include "desktop/setup/sound_browse.h"

#include "core/interfaces/prompts.h"
#include "core/settings/app_settings.h"
#include "core/text/code_page.h"

#include <QDir>
#include <QFileInfo>
#include <QObject>

namespace SoundBrowse {

std::optional<CChoice> Choose(const CSetupContext& context, const QString& strCurrentFile)
{
    QString strStartAt = CodePage::ToUnicode(context.settings.m_strSoundPath);
    // A folder that is not there (the first run's default) starts at home instead.
    if (!QFileInfo(strStartAt).isDir())
        strStartAt = QDir::homePath() + QLatin1Char('/');
    const QString strFileName = QFileInfo(strCurrentFile).fileName();
    if (!strFileName.isEmpty())
        strStartAt += strFileName;
    const QString strChosen =
        context.prompts.AskOpenFileName(QObject::tr("Wav-sounds (*.wav)"), strStartAt);
    if (strChosen.isEmpty())
        return std::nullopt;
    const QString strPath = QFileInfo(strChosen).absoluteFilePath();
    bool bLossless = true;
    const QByteArray strStored = CodePage::FromUnicode(strPath, &bLossless);
    if (!bLossless) {
        context.prompts.ShowMessage(
            QObject::tr("The path of this sound holds characters that Blipnote cannot keep:\n"
                        "%1\n\nSettings use the Windows-1252 character set. Please choose a "
                        "sound whose path has none.")
                .arg(strPath),
            PromptIcon::Stop);
        return std::nullopt;
    }
    return CChoice{strPath, strStored.left(strStored.lastIndexOf('/') + 1)};
}

} // namespace SoundBrowse
