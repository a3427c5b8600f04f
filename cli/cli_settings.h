#pragma once

#include "core/hosts/host_book.h"
#include "core/settings/app_settings.h"
#include "core/settings/file_settings_store.h"
#include "core/settings/system_info.h"

// The user's settings and host list as the command-line tool sees them, and the
// system's texts: loaded from the settings file at start, never written.
class CCliSettings
{
public:
    CCliSettings();

    const CAppSettings& Settings() const { return m_settings; }
    CAppSettings& Settings() { return m_settings; }
    const SystemInfo::CSystemInfo& System() const { return m_system; }
    const CHostList& Hosts() const { return m_hosts.Hosts(); }
    CHostBook& HostBook() { return m_hosts; }

private:
    CFileSettingsStore m_store;
    SystemInfo::CSystemInfo m_system;
    CAppSettings m_settings;
    CHostBook m_hosts;
};
