#include "core/settings/app_settings.h"

#include "core/interfaces/prompts.h"
#include "core/interfaces/settings_store.h"
#include "core/settings/system_info.h"
#include "core/text/leading_number.h"

#include <algorithm>

namespace {

const QString kSettings = QStringLiteral("Settings");
const QString kFinger = QStringLiteral("FingerD-Settings");
const QString kHosts = QStringLiteral("Hosts");
const QString kPrefs = QStringLiteral("Prefs");

// The program's version number, compared with the stored one at start-up.
constexpr int kProgramVersion = 2;
constexpr int kDefaultMultiSendDelay = 100;

QString HostValueName(qsizetype n)
{
    return QStringLiteral("Host %1").arg(n);
}

} // namespace

CAppSettings::CAppSettings(ISettingsStore& store) : m_store(store) {}

void CAppSettings::CollectSystemInfo(bool bTrayAvailable)
{
    m_nProgramVersion = kProgramVersion;
    m_nNoteSizeLimit = static_cast<int>(NoteLimits::NoteSizeLimit);
    m_nDefaultDelay = kDefaultMultiSendDelay;
    m_strLocalAddress = "unknown";
    m_nAutoReplyActive = 0;
    const SystemInfo::CSystemInfo system = SystemInfo::Collect();
    m_strComputerName = system.strComputerName;
    m_strUserName = system.strUserName;
    m_strPlatform = system.strPlatform;
    m_nTrayAvailable = bTrayAvailable ? 1 : 0;
    if (!bTrayAvailable)
        m_nUseTrayArea = 0;
}

bool CAppSettings::Load()
{
    const auto Int = [this](const QString& strSection, const char* pszName, int nDefault) {
        return m_store.ReadInt(strSection, QString::fromLatin1(pszName), nDefault);
    };
    const auto Text = [this](const QString& strSection, const char* pszName,
                             const QByteArray& strDefault) {
        return m_store.ReadText(strSection, QString::fromLatin1(pszName), strDefault);
    };

    m_nGreetings = Int(kSettings, "greetings", 0);
    m_strNickname = Text(kSettings, "Nickname", m_strUserName);
    m_strSignature = Text(kSettings, "Signature", "-Blipnote2");
    m_strSoundPath = Text(kSettings, "SoundPath", "c:\\");
    m_strSoundFile = Text(kSettings, "SoundFile", "msremind.wav");
    m_strAwayMessage = Text(kSettings, "AwayMessage", "I'm away for a while.");
    m_nIpPort = Int(kSettings, "IP Port", 7777);
    m_nMultiSendDelay = Int(kSettings, "MultiSendDelay", m_nDefaultDelay);
    m_nUseSound = Int(kSettings, "Use Sound", 1);
    m_nUseSignature = Int(kSettings, "Use Signature", 1);
    m_nUseQuote = Int(kSettings, "Use Quote", 1);
    m_nUseQuoteMarks = Int(kSettings, "Use QuoteMarks", 1);
    m_nUseYouWrote = Int(kSettings, "Use YouWrote", 1);
    m_nUsePopUp = Int(kSettings, "Use PopUp", 1);
    m_nUsePriority = Int(kSettings, "Use Priority", 1);
    m_nUseAutoAdd = Int(kSettings, "Use AutoAdd", 1);
    // Without a tray the option stays off, whatever the store holds.
    if (m_nTrayAvailable)
        m_nUseTrayArea = Int(kSettings, "Use TrayArea", 1);
    m_nNoClose = Int(kSettings, "No Close", 0);
    m_nMultiSend = Int(kSettings, "Multi Send", 1);
    m_nAutoDelete = Int(kSettings, "AutoDelete", 0);
    m_nWriteInMessage = Int(kSettings, "Write InMessage", 0);

    m_strPlan = Text(kFinger, "Plan", QByteArray());
    m_strFingerSoundFile = Text(kFinger, "SoundFile", m_strSoundFile);
    m_nSendSystem = Int(kFinger, "Send System", 1);
    m_nSendOs = Int(kFinger, "Send Os", 1);
    m_nSendUser = Int(kFinger, "Send User", 1);
    m_nSendTime = Int(kFinger, "Send Time", 1);
    m_nSendUptime = Int(kFinger, "Send Uptime", 1);
    m_nSendPlan = Int(kFinger, "Send Plan", 1);
    m_nFingerUseSound = Int(kFinger, "Use Sound", 1);
    m_nUseFingerD = Int(kFinger, "Use FingerD", 1);

    LoadHosts();
    m_nUseRtf = Int(kSettings, "Use RTF", 0);
    return true;
}

void CAppSettings::LoadHosts()
{
    m_hosts.Clear();
    for (qsizetype n = 0;; ++n) {
        const QByteArray strEntry = m_store.ReadText(kHosts, HostValueName(n), QByteArray());
        if (strEntry.isEmpty())
            break; // entries after a gap are never read
        m_hosts.Append(CHostList::ParseHostEntry(strEntry));
    }
}

bool CAppSettings::Save(SettingsGroup eGroup)
{
    const auto Int = [this](const QString& strSection, const char* pszName, int nValue) {
        m_store.WriteInt(strSection, QString::fromLatin1(pszName), nValue);
    };
    const auto Text = [this](const QString& strSection, const char* pszName,
                             const QByteArray& strValue) {
        m_store.WriteText(strSection, QString::fromLatin1(pszName), strValue);
    };

    switch (eGroup) {
    case SettingsGroup::All:
        for (const SettingsGroup eEach :
             {SettingsGroup::Preferences, SettingsGroup::Finger, SettingsGroup::Network,
              SettingsGroup::Styles, SettingsGroup::Hosts})
            Save(eEach);
        break;
    case SettingsGroup::Preferences:
        Int(kSettings, "version", m_nVersion);
        Int(kSettings, "greetings", m_nGreetings);
        Text(kSettings, "Nickname", m_strNickname);
        Text(kSettings, "Signature", m_strSignature);
        Text(kSettings, "SoundPath", m_strSoundPath);
        Text(kSettings, "SoundFile", m_strSoundFile);
        Text(kSettings, "AwayMessage", m_strAwayMessage);
        Int(kSettings, "Use Sound", m_nUseSound);
        Int(kSettings, "Use Signature", m_nUseSignature);
        Int(kSettings, "Use Quote", m_nUseQuote);
        Int(kSettings, "Use QuoteMarks", m_nUseQuoteMarks);
        Int(kSettings, "Use YouWrote", m_nUseYouWrote);
        Int(kSettings, "Use PopUp", m_nUsePopUp);
        Int(kSettings, "Use Priority", m_nUsePriority);
        Int(kSettings, "Use AutoAdd", m_nUseAutoAdd);
        Int(kSettings, "No Close", m_nNoClose);
        Int(kSettings, "Use TrayArea", m_nUseTrayArea);
        Int(kSettings, "AutoDelete", m_nAutoDelete);
        Int(kSettings, "Write InMessage", m_nWriteInMessage);
        break;
    case SettingsGroup::Finger:
        Text(kFinger, "Plan", m_strPlan);
        Text(kFinger, "SoundFile", m_strFingerSoundFile);
        Int(kFinger, "Send System", m_nSendSystem);
        Int(kFinger, "Send Os", m_nSendOs);
        Int(kFinger, "Send User", m_nSendUser);
        Int(kFinger, "Send Uptime", m_nSendUptime);
        Int(kFinger, "Send Time", m_nSendTime);
        Int(kFinger, "Send Plan", m_nSendPlan);
        Int(kFinger, "Use Sound", m_nFingerUseSound);
        Int(kFinger, "Use FingerD", m_nUseFingerD);
        break;
    case SettingsGroup::Network:
        Int(kSettings, "IP Port", m_nIpPort);
        Int(kSettings, "Multi Send", m_nMultiSend);
        Int(kSettings, "MultiSendDelay", m_nMultiSendDelay);
        break;
    case SettingsGroup::Styles:
        Int(kSettings, "Use RTF", m_nUseRtf);
        break;
    case SettingsGroup::Hosts:
        SaveHosts();
        break;
    }
    return true;
}

void CAppSettings::SaveHosts()
{
    const QList<CHostEntry>& entries = m_hosts.Entries();
    qsizetype i = 0;
    for (; i < entries.size(); ++i)
        m_store.WriteText(kHosts, HostValueName(i), CHostList::BuildHostEntry(entries[i]));
    // Remove what a longer list left behind, up to the first gap.
    for (; !m_store.ReadText(kHosts, HostValueName(i), QByteArray()).isEmpty(); ++i)
        m_store.DeleteValue(kHosts, HostValueName(i));
}

int CAppSettings::CheckFirstRun(IPrompts& prompts, bool bTrayAvailable)
{
    CollectSystemInfo(bTrayAvailable);
    m_nVersion = m_store.ReadInt(kSettings, QStringLiteral("version"), 0);
    if (m_nVersion == m_nProgramVersion)
        return 1;
    if (!prompts.AskYesNo(QStringLiteral("Ready to install Blipnote ?")))
        return 0;
    Load();
    MigratePrefs();
    m_nVersion = m_nProgramVersion;
    Save(SettingsGroup::All);
    return 0;
}

void CAppSettings::MigratePrefs()
{
    const auto Old = [this](const char* pszName, const QByteArray& strDefault) {
        return m_store.ReadText(kPrefs, QString::fromLatin1(pszName), strDefault);
    };
    const auto OldNumber = [&Old](const char* pszName, const QByteArray& strDefault) {
        return ParseLeadingNumber(Old(pszName, strDefault));
    };
    if (OldNumber("IP Port", QByteArray()) == 0)
        return;
    m_strSignature = Old("Signature", "-Blipnote2");
    m_strSoundPath = Old("SoundFile", "c:\\");
    m_strSoundFile = Old("SoundFile", "msremind.wav");
    m_nIpPort = OldNumber("IP Port", "7777");
    m_nUseSound = OldNumber("Use Sound", "1");
    m_nUseSignature = OldNumber("Use Signature", "1");
    m_nUseQuote = OldNumber("Quote reply", "1");
    m_nUseQuoteMarks = OldNumber("Use QuoteMarks", "1");
    m_nUseYouWrote = OldNumber("Use YouWrote", "1");
    m_nUsePopUp = OldNumber("Use Popup", "1");
    m_store.DeleteSection(kPrefs);
}

CWindowPlacement CAppSettings::ReadWindowPlacement() const
{
    CWindowPlacement placement;
    placement.nFlags = m_store.ReadInt(kSettings, QStringLiteral("flags"), -1);
    // "showCmd" is written but not read back: the window reopens normally.
    const QByteArray strRect = m_store.ReadText(kSettings, QStringLiteral("rcNormal"), {});
    if (placement.nFlags != -1 && !strRect.isEmpty())
        placement.SetNormalRectFromText(strRect);
    return placement;
}

bool CAppSettings::SaveWindowPlacement(const CWindowPlacement& placement, int nScreenWidth,
                                       int nScreenHeight)
{
    if (!placement.IsOnScreen(nScreenWidth, nScreenHeight))
        return false;
    m_store.WriteInt(kSettings, QStringLiteral("flags"), placement.nFlags);
    m_store.WriteInt(kSettings, QStringLiteral("showCmd"), placement.nShowCmd);
    m_store.WriteText(kSettings, QStringLiteral("rcNormal"), placement.NormalRectText());
    return true;
}

QByteArray CAppSettings::AddUnknownSender(const QByteArray& strNickname,
                                          const QByteArray& strAddress)
{
    return m_hosts.AddUnknownSender(strNickname, strAddress, m_nUseAutoAdd != 0);
}

void CAppSettings::ReplaceHostList(const QList<CHostEntry>& entries)
{
    m_hosts.Replace(entries);
    Save(SettingsGroup::Hosts);
}

CSendSettings CAppSettings::SendSettings() const
{
    CSendSettings settings;
    settings.nPort = static_cast<quint16>(std::clamp(m_nIpPort, 0, 65535));
    settings.bMultiSend = m_nMultiSend != 0;
    settings.nMultiSendDelay = std::max(0, m_nMultiSendDelay);
    settings.bAutoDelete = m_nAutoDelete != 0;
    settings.strNickname = m_strNickname;
    settings.strComputerName = m_strComputerName;
    settings.nSizeLimit = m_nNoteSizeLimit > 0 ? m_nNoteSizeLimit : NoteLimits::NoteSizeLimit;
    return settings;
}
