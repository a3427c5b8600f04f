#include "desktop/app/sound_effect_player.h"

#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

CSoundEffectPlayer::CSoundEffectPlayer(QObject* pParent)
    : QObject(pParent), m_pEffect(new QSoundEffect(this))
{}

void CSoundEffectPlayer::Play(const QString& strFile)
{
    // A missing file plays nothing: there is no default sound.
    if (strFile.isEmpty() || !QFileInfo(strFile).isFile())
        return;
    const QUrl url = QUrl::fromLocalFile(QFileInfo(strFile).absoluteFilePath());
    if (m_pEffect->source() != url)
        m_pEffect->setSource(url);
    m_pEffect->play();
}

ISoundPlayer* BlipnoteNewSoundPlayer()
{
    return new CSoundEffectPlayer;
}
