#pragma once

#include "desktop/setup/setup_page.h"

#include <QByteArray>
#include <QString>

#include <optional>

// Choosing a sound file on a setup page: the file dialog starts in the sound
// folder (home when that is not there) with the current file's name, and shows
// wave sounds.
namespace SoundBrowse {

struct CChoice
{
    QString strFile;      // the full path
    QByteArray strFolder; // its folder, with the trailing separator
};

// Nothing when the user cancels, or when the path holds characters the settings
// cannot keep (the user is told).
std::optional<CChoice> Choose(const CSetupContext& context, const QString& strCurrentFile);

} // namespace SoundBrowse
