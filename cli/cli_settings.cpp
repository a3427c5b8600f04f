#include "cli/cli_settings.h"

#include "cli/cli_output.h"
#include "core/settings/system_info.h"

CCliSettings::CCliSettings()
    : m_store(CFileSettingsStore::DefaultPath()), m_system(SystemInfo::Collect()),
      m_settings(m_store, {m_system.strUserName, false}), m_hosts(m_store)
{
    if (const QString strWhy = CFileSettingsStore::WhyUnusable(CFileSettingsStore::DefaultPath());
        !strWhy.isEmpty())
        CliOutput::ErrorLine(QStringLiteral("blipnote-cli: %1; the defaults are used").arg(strWhy));
    m_settings.Load();
    m_hosts.Load();
    // The tools do not write the settings; should one ever, a failure is said.
    m_store.SetWriteFailureHandler([](const QString& strPath, const QString& strReason) {
        CliOutput::ErrorLine(QStringLiteral("blipnote-cli: the settings cannot be written to %1: "
                                            "%2; they stay in effect until the tool ends")
                                 .arg(strPath, strReason));
    });
}
