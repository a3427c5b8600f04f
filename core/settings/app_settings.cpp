#include "core/settings/app_settings.h"

#include "core/interfaces/logging.h"
#include "core/interfaces/prompts.h"
#include "core/interfaces/settings_store.h"
#include "core/net/net_address.h"
#include "core/settings/system_info.h"
#include "core/text/leading_number.h"

#include <algorithm>
#include <variant>

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
    // Not arg(): a list of a hundred thousand hosts names as many values.
    return QLatin1String("Host ") + QString::number(n);
}

} // namespace

// Every stored option, in the order Load reads them, with its group and its
// default. Save writes a group's options in this order too.
const CAppSettings::COption CAppSettings::kOptions[] = {
    {&kSettings, "version", SettingsGroup::Preferences, &CAppSettings::m_nVersion, 0, ELoad::Never},
    {&kSettings, "greetings", SettingsGroup::Preferences, &CAppSettings::m_nGreetings, 0},
    {&kSettings, "Nickname", SettingsGroup::Preferences, &CAppSettings::m_strNickname,
     [](const CAppSettings& s) { return s.m_strUserName; }},
    {&kSettings, "Signature", SettingsGroup::Preferences, &CAppSettings::m_strSignature,
     "-Blipnote2"},
    {&kSettings, "SoundPath", SettingsGroup::Preferences, &CAppSettings::m_strSoundPath, "c:\\"},
    {&kSettings, "SoundFile", SettingsGroup::Preferences, &CAppSettings::m_strSoundFile,
     "msremind.wav"},
    {&kSettings, "AwayMessage", SettingsGroup::Preferences, &CAppSettings::m_strAwayMessage,
     "I'm away for a while."},
    {&kSettings, "IP Port", SettingsGroup::Network, &CAppSettings::m_nIpPort, 7777},
    {&kSettings, "MultiSendDelay", SettingsGroup::Network, &CAppSettings::m_nMultiSendDelay,
     [](const CAppSettings& s) { return s.m_nDefaultDelay; }},
    {&kSettings, "Use Sound", SettingsGroup::Preferences, &CAppSettings::m_nUseSound, 1},
    {&kSettings, "Use Signature", SettingsGroup::Preferences, &CAppSettings::m_nUseSignature, 1},
    {&kSettings, "Use Quote", SettingsGroup::Preferences, &CAppSettings::m_nUseQuote, 1},
    {&kSettings, "Use QuoteMarks", SettingsGroup::Preferences, &CAppSettings::m_nUseQuoteMarks, 1},
    {&kSettings, "Use YouWrote", SettingsGroup::Preferences, &CAppSettings::m_nUseYouWrote, 1},
    {&kSettings, "Use PopUp", SettingsGroup::Preferences, &CAppSettings::m_nUsePopUp, 1},
    {&kSettings, "Use Priority", SettingsGroup::Preferences, &CAppSettings::m_nUsePriority, 1},
    {&kSettings, "Use AutoAdd", SettingsGroup::Preferences, &CAppSettings::m_nUseAutoAdd, 1},
    {&kSettings, "Use TrayArea", SettingsGroup::Preferences, &CAppSettings::m_nUseTrayArea, 1,
     ELoad::WithTray},
    {&kSettings, "No Close", SettingsGroup::Preferences, &CAppSettings::m_nNoClose, 0},
    {&kSettings, "Multi Send", SettingsGroup::Network, &CAppSettings::m_nMultiSend, 1},
    {&kSettings, "AutoDelete", SettingsGroup::Preferences, &CAppSettings::m_nAutoDelete, 0},
    {&kSettings, "Write InMessage", SettingsGroup::Preferences, &CAppSettings::m_nWriteInMessage,
     0},
    {&kFinger, "Plan", SettingsGroup::Finger, &CAppSettings::m_strPlan, ""},
    {&kFinger, "SoundFile", SettingsGroup::Finger, &CAppSettings::m_strFingerSoundFile,
     [](const CAppSettings& s) { return s.m_strSoundFile; }},
    {&kFinger, "Send System", SettingsGroup::Finger, &CAppSettings::m_nSendSystem, 1},
    {&kFinger, "Send Os", SettingsGroup::Finger, &CAppSettings::m_nSendOs, 1},
    {&kFinger, "Send User", SettingsGroup::Finger, &CAppSettings::m_nSendUser, 1},
    {&kFinger, "Send Time", SettingsGroup::Finger, &CAppSettings::m_nSendTime, 1},
    {&kFinger, "Send Uptime", SettingsGroup::Finger, &CAppSettings::m_nSendUptime, 1},
    {&kFinger, "Send Plan", SettingsGroup::Finger, &CAppSettings::m_nSendPlan, 1},
    {&kFinger, "Use Sound", SettingsGroup::Finger, &CAppSettings::m_nFingerUseSound, 1},
    {&kFinger, "Use FingerD", SettingsGroup::Finger, &CAppSettings::m_nUseFingerD, 1},
    {&kSettings, "Use RTF", SettingsGroup::Styles, &CAppSettings::m_nUseRtf, 0},
};

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
    for (const COption& option : kOptions) {
        if (option.eLoad == ELoad::Never || (option.eLoad == ELoad::WithTray && !m_nTrayAvailable))
            continue; // without a tray "Use TrayArea" keeps the 0 it was given
        const QString strName = QString::fromLatin1(option.pszName);
        if (const auto* pField = std::get_if<CIntField>(&option.field))
            this->*(*pField) = m_store.ReadInt(*option.pSection, strName, IntDefault(option));
        else
            this->*std::get<CTextField>(option.field) =
                m_store.ReadText(*option.pSection, strName, TextDefault(option));
    }
    LoadHosts();
    return true;
}

int CAppSettings::IntDefault(const COption& option) const
{
    if (const auto* pFunction = std::get_if<int (*)(const CAppSettings&)>(&option.defaultValue))
        return (*pFunction)(*this);
    return std::get<int>(option.defaultValue);
}

QByteArray CAppSettings::TextDefault(const COption& option) const
{
    if (const auto* pFunction =
            std::get_if<QByteArray (*)(const CAppSettings&)>(&option.defaultValue))
        return (*pFunction)(*this);
    return QByteArray(std::get<const char*>(option.defaultValue));
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
    switch (eGroup) {
    case SettingsGroup::All:
        for (const SettingsGroup eEach :
             {SettingsGroup::Preferences, SettingsGroup::Finger, SettingsGroup::Network,
              SettingsGroup::Styles, SettingsGroup::Hosts})
            Save(eEach);
        return true;
    case SettingsGroup::Hosts:
        SaveHosts();
        return true;
    default:
        break;
    }
    for (const COption& option : kOptions) {
        if (option.eGroup != eGroup)
            continue;
        const QString strName = QString::fromLatin1(option.pszName);
        if (const auto* pField = std::get_if<CIntField>(&option.field))
            m_store.WriteInt(*option.pSection, strName, this->*(*pField));
        else
            m_store.WriteText(*option.pSection, strName, this->*std::get<CTextField>(option.field));
    }
    return true;
}

QStringList CAppSettings::OptionNames(SettingsGroup eGroup)
{
    QStringList names;
    for (const COption& option : kOptions) {
        if (option.eGroup == eGroup || eGroup == SettingsGroup::All)
            names.append(QString::fromLatin1(option.pszName));
    }
    return names;
}

void CAppSettings::SaveHosts(const QList<qsizetype>& storedAt)
{
    const QList<CHostEntry>& entries = m_hosts.Entries();
    qsizetype i = 0;
    for (; i < entries.size(); ++i) {
        const QString strName = HostValueName(i);
        if (storedAt.value(i, i) == i) {
            // An entry read from a text that is not quite its own (a part too
            // short to count, a character written by hand) keeps that text
            // while it stays where it is: writing it anew would change it.
            const std::optional<QByteArray> stored = m_store.ReadText(kHosts, strName);
            if (stored && CHostList::ParseHostEntry(*stored) == entries[i])
                continue;
        } else {
            // Another entry's text is not this one's, even when they read alike.
            m_store.DeleteValue(kHosts, strName);
        }
        m_store.WriteText(kHosts, strName, CHostList::BuildHostEntry(entries[i]));
    }
    // Remove what a longer list left behind, up to the first gap.
    for (; !m_store.ReadText(kHosts, HostValueName(i), QByteArray()).isEmpty(); ++i)
        m_store.DeleteValue(kHosts, HostValueName(i));
}

bool CAppSettings::CheckFirstRun(IPrompts& prompts, bool bTrayAvailable)
{
    CollectSystemInfo(bTrayAvailable);
    m_nVersion = m_store.ReadInt(kSettings, QStringLiteral("version"), 0);
    if (m_nVersion == m_nProgramVersion)
        return true;
    if (!prompts.AskYesNo(QStringLiteral("Ready to install Blipnote ?")))
        return false;
    Load();
    MigratePrefs();
    m_nVersion = m_nProgramVersion;
    Save(SettingsGroup::All);
    return false;
}

void CAppSettings::MigratePrefs()
{
    // The old section kept every value as a text.
    const auto Old = [this](const char* pszName, const char* pszDefault) {
        return m_store.ReadText(kPrefs, QString::fromLatin1(pszName), QByteArray(pszDefault));
    };
    if (ParseLeadingNumber(Old("IP Port", "")) == 0)
        return;
    struct COldPref
    {
        std::variant<CIntField, CTextField> field;
        const char* pszOldName;
        const char* pszDefault;
    };
    // "SoundPath" is taken from the old "SoundFile", as it always was.
    static const COldPref kOldPrefs[] = {
        {&CAppSettings::m_strSignature, "Signature", "-Blipnote2"},
        {&CAppSettings::m_strSoundPath, "SoundFile", "c:\\"},
        {&CAppSettings::m_strSoundFile, "SoundFile", "msremind.wav"},
        {&CAppSettings::m_nIpPort, "IP Port", "7777"},
        {&CAppSettings::m_nUseSound, "Use Sound", "1"},
        {&CAppSettings::m_nUseSignature, "Use Signature", "1"},
        {&CAppSettings::m_nUseQuote, "Quote reply", "1"},
        {&CAppSettings::m_nUseQuoteMarks, "Use QuoteMarks", "1"},
        {&CAppSettings::m_nUseYouWrote, "Use YouWrote", "1"},
        {&CAppSettings::m_nUsePopUp, "Use Popup", "1"},
    };
    for (const COldPref& old : kOldPrefs) {
        const QByteArray strValue = Old(old.pszOldName, old.pszDefault);
        if (const auto* pField = std::get_if<CIntField>(&old.field))
            this->*(*pField) = ParseLeadingNumber(strValue);
        else
            this->*std::get<CTextField>(old.field) = strValue;
    }
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
    const int nRefusedBefore = m_hosts.RefusedSenders();
    const QByteArray strShown =
        m_hosts.AddUnknownSender(strNickname, strAddress, m_nUseAutoAdd != 0);
    if (nRefusedBefore == 0 && m_hosts.RefusedSenders() > 0)
        qCWarning(lcSettings,
                  "the host list holds %lld hosts: senders are no longer added to it "
                  "automatically in this run (the first one not added came from %s)",
                  static_cast<long long>(m_hosts.Count()), strAddress.constData());
    return strShown;
}

void CAppSettings::ReplaceHostList(const QList<CHostEntry>& entries,
                                   const QList<qsizetype>& storedAt)
{
    m_hosts.Replace(entries);
    SaveHosts(storedAt);
    m_hosts.m_bHostsUnsaved = false; // what was added meanwhile is stored or replaced
}

CSendSettings CAppSettings::SendSettings() const
{
    CSendSettings settings;
    // A stored port out of range sends nowhere: the connection is refused and
    // the send says so, rather than going to a port nobody chose.
    settings.nPort = NetAddress::Port(m_nIpPort, NetAddress::EPortUse::Listen).value_or(0);
    settings.bMultiSend = m_nMultiSend != 0;
    settings.nMultiSendDelay = std::max(0, m_nMultiSendDelay);
    settings.bAutoDelete = m_nAutoDelete != 0;
    settings.strNickname = m_strNickname;
    settings.strComputerName = m_strComputerName;
    settings.nSizeLimit = m_nNoteSizeLimit > 0 ? m_nNoteSizeLimit : NoteLimits::NoteSizeLimit;
    return settings;
}

CFingerSettings CAppSettings::FingerSettings() const
{
    CFingerSettings settings;
    settings.bSendSystem = m_nSendSystem != 0;
    settings.bSendOs = m_nSendOs != 0;
    settings.bSendUser = m_nSendUser != 0;
    settings.bSendUptime = m_nSendUptime != 0;
    settings.bSendTime = m_nSendTime != 0;
    settings.bSendPlan = m_nSendPlan != 0;
    settings.strComputerName = m_strComputerName;
    settings.strPlatform = m_strPlatform;
    settings.strUserName = m_strUserName;
    settings.strPlan = m_strPlan;
    settings.bUseSound = m_nFingerUseSound != 0;
    settings.strSoundFile = m_strFingerSoundFile;
    return settings;
}
