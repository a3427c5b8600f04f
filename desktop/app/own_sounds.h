#pragma once

#include "core/interfaces/sound_player.h"

class CAppSettings;

// The program's own sounds, installed with it: the old default sound's name,
// "msremind.wav", which no Linux desktop has, plays the arrival sound instead
// when no file of that name stands where it is looked for. Every other name is
// played as it stands.
class COwnSounds : public ISoundPlayer
{
public:
    // strFolder: where the own sounds are ("" when they are not installed).
    COwnSounds(ISoundPlayer& player, const CAppSettings& settings, QString strFolder);

    static constexpr const char* OldDefault = "msremind.wav";
    static constexpr const char* Arrival = "arrival.wav";

    void Play(const QString& strFile) override { m_player.Play(FileFor(strFile)); }
    QString FileFor(const QString& strFile) const override;
    const QString& Folder() const { return m_strFolder; }

    // The first of the folders that holds the own sounds, or "".
    static QString FindFolder(const QStringList& candidates);

private:
    ISoundPlayer& m_player;
    const CAppSettings& m_settings;
    QString m_strFolder;
};
