#pragma once

#include <QString>

// Plays a sound file without waiting for it; a file that cannot be played plays
// nothing (there is no default sound).
class ISoundPlayer
{
public:
    virtual ~ISoundPlayer() = default;
    virtual void Play(const QString& strFile) = 0;
    // The file Play plays for this name (a player may resolve a name).
    virtual QString FileFor(const QString& strFile) const { return strFile; }
};
