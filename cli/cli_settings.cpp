#include "cli/cli_settings.h"

#include "core/settings/system_info.h"

CCliSettings::CCliSettings() : m_store(CFileSettingsStore::DefaultPath()), m_settings(m_store)
{
    m_settings.CollectSystemInfo(false);
    m_settings.Load();
}
