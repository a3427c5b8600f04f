#pragma once

#include "core/interfaces/sound_player.h"

#include <QObject>

class QSoundEffect;

// Plays sounds through Qt Multimedia.
class CSoundEffectPlayer : public QObject, public ISoundPlayer
{
    Q_OBJECT

public:
    explicit CSoundEffectPlayer(QObject* pParent = nullptr);

    void Play(const QString& strFile) override;

private:
    QSoundEffect* m_pEffect;
};
