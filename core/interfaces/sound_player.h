#pragma once

#include <QString>

// Plays a sound file without waiting for it; a file that cannot be played plays
// nothing (there is no default sound).
class ISoundPlayer
{
public:
    virtual ~ISoundPlayer() = default;
    virtual void Play(const QString& strFile) = 0;
};
