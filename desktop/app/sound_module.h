#pragma once

#include "core/interfaces/sound_player.h"

#include <QLibrary>
#include <QStringList>

#include <memory>

// Plays sounds through the sound module, loaded at the first sound that has a
// file to play: the sound system (Qt Multimedia, the sound server's client and
// the decoders behind it) is not loaded while the program starts, nor ever by a
// program that plays nothing. Without the module, sounds play nothing.
class CSoundModule : public ISoundPlayer
{
public:
    // Where the module is looked for, first found first.
    explicit CSoundModule(QStringList folders);
    ~CSoundModule() override;

    // The folders of an installed program and of the build folder, beside the
    // program.
    static QStringList DefaultFolders();

    void Play(const QString& strFile) override;

private:
    void Load();

    QStringList m_folders;
    QLibrary m_module;
    std::unique_ptr<ISoundPlayer> m_pPlayer;
    bool m_bTried = false;
};
