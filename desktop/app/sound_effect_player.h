#pragma once

#include "core/interfaces/sound_player.h"

#include <QObject>

class QSoundEffect;

// Plays sounds through Qt Multimedia. It lives in the sound module
// (blipnote-sound.so), which the program loads at its first sound.
class CSoundEffectPlayer : public QObject, public ISoundPlayer
{
    Q_OBJECT

public:
    explicit CSoundEffectPlayer(QObject* pParent = nullptr);

    void Play(const QString& strFile) override;

private:
    QSoundEffect* m_pEffect;
};

// The sound module's one entry: a new player, which the caller owns.
extern "C" Q_DECL_EXPORT ISoundPlayer* BlipnoteNewSoundPlayer();
