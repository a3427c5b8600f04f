#pragma once

#include "core/settings/app_settings.h"
#include "core/settings/file_settings_store.h"

// The user's settings as the command-line tool sees them: loaded from the
// settings file at start, never written (changes, such as senders added to the
// host list, stay in memory).
class CCliSettings
{
public:
    CCliSettings();

    const CAppSettings& Settings() const { return m_settings; }
    CAppSettings& Settings() { return m_settings; }

private:
    CFileSettingsStore m_store;
    CAppSettings m_settings;
};
