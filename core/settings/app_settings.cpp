#include "core/settings/app_settings.h"

#include "core/interfaces/prompts.h"
#include "core/interfaces/settings_store.h"
#include "core/settings/system_info.h"
#include "core/text/leading_number.h"

#include <utility>
#include <variant>

namespace {

const QString kSettings = QStringLiteral("Settings");
const QString kFinger = QStringLiteral("FingerD-Settings");
const QString kPrefs = QStringLiteral("Prefs");
const QString kDesktop = QStringLiteral("Desktop");
const QString kHistory = QStringLiteral("History");
const QString kPresence = QStringLiteral("Presence");
const QString kOutbox = QStringLiteral("Outbox");

} // namespace

// Every stored option, in the order Load reads them, with its group and its
// default. Save writes a group's options in this order too.
const CAppSettings::COption CAppSettings::kOptions[] = {
    {ESetting::Version, &kSettings, "version", SettingsGroup::Preferences,
     &CAppSettings::m_nVersion, 0, ELoad::Never},
    {ESetting::Greetings, &kSettings, "greetings", SettingsGroup::Preferences,
     &CAppSettings::m_bGreetings, 0},
    {ESetting::Nickname, &kSettings, "Nickname", SettingsGroup::Preferences,
     &CAppSettings::m_strNickname,
     [](const CAppSettings& s) { return s.m_environment.strUserName; }},
    {ESetting::Signature, &kSettings, "Signature", SettingsGroup::Preferences,
     &CAppSettings::m_strSignature, "-Blipnote2"},
    {ESetting::SoundPath, &kSettings, "SoundPath", SettingsGroup::Preferences,
     &CAppSettings::m_strSoundPath, "c:\\"},
    {ESetting::SoundFile, &kSettings, "SoundFile", SettingsGroup::Preferences,
     &CAppSettings::m_strSoundFile, "msremind.wav"},
    {ESetting::AwayMessage, &kSettings, "AwayMessage", SettingsGroup::Preferences,
     &CAppSettings::m_strAwayMessage, "I'm away for a while."},
    {ESetting::IpPort, &kSettings, "IP Port", SettingsGroup::Network, &CAppSettings::m_nIpPort,
     7777},
    {ESetting::MultiSendDelay, &kSettings, "MultiSendDelay", SettingsGroup::Network,
     &CAppSettings::m_nMultiSendDelay, DefaultMultiSendDelay},
    {ESetting::UseSound, &kSettings, "Use Sound", SettingsGroup::Preferences,
     &CAppSettings::m_bUseSound, 1},
    {ESetting::UseSignature, &kSettings, "Use Signature", SettingsGroup::Preferences,
     &CAppSettings::m_bUseSignature, 1},
    {ESetting::UseQuote, &kSettings, "Use Quote", SettingsGroup::Preferences,
     &CAppSettings::m_bUseQuote, 1},
    {ESetting::UseQuoteMarks, &kSettings, "Use QuoteMarks", SettingsGroup::Preferences,
     &CAppSettings::m_bUseQuoteMarks, 1},
    {ESetting::UseYouWrote, &kSettings, "Use YouWrote", SettingsGroup::Preferences,
     &CAppSettings::m_bUseYouWrote, 1},
    {ESetting::UsePopUp, &kSettings, "Use PopUp", SettingsGroup::Preferences,
     &CAppSettings::m_bUsePopUp, 1},
    {ESetting::UsePriority, &kSettings, "Use Priority", SettingsGroup::Preferences,
     &CAppSettings::m_bUsePriority, 1},
    {ESetting::UseAutoAdd, &kSettings, "Use AutoAdd", SettingsGroup::Preferences,
     &CAppSettings::m_bUseAutoAdd, 1},
    {ESetting::UseTrayArea, &kSettings, "Use TrayArea", SettingsGroup::Preferences,
     &CAppSettings::m_bUseTrayArea, 1, ELoad::WithTray},
    {ESetting::NoClose, &kSettings, "No Close", SettingsGroup::Preferences,
     &CAppSettings::m_bNoClose, 0},
    {ESetting::MultiSend, &kSettings, "Multi Send", SettingsGroup::Network,
     &CAppSettings::m_bMultiSend, 1},
    {ESetting::AutoDelete, &kSettings, "AutoDelete", SettingsGroup::Preferences,
     &CAppSettings::m_bAutoDelete, 0},
    {ESetting::WriteInMessage, &kSettings, "Write InMessage", SettingsGroup::Preferences,
     &CAppSettings::m_bWriteInMessage, 0},
    {ESetting::Plan, &kFinger, "Plan", SettingsGroup::Finger, &CAppSettings::m_strPlan, ""},
    {ESetting::FingerSoundFile, &kFinger, "SoundFile", SettingsGroup::Finger,
     &CAppSettings::m_strFingerSoundFile, [](const CAppSettings& s) { return s.m_strSoundFile; }},
    {ESetting::SendSystem, &kFinger, "Send System", SettingsGroup::Finger,
     &CAppSettings::m_bSendSystem, 1},
    {ESetting::SendOs, &kFinger, "Send Os", SettingsGroup::Finger, &CAppSettings::m_bSendOs, 1},
    {ESetting::SendUser, &kFinger, "Send User", SettingsGroup::Finger, &CAppSettings::m_bSendUser,
     1},
    {ESetting::SendTime, &kFinger, "Send Time", SettingsGroup::Finger, &CAppSettings::m_bSendTime,
     1},
    {ESetting::SendUptime, &kFinger, "Send Uptime", SettingsGroup::Finger,
     &CAppSettings::m_bSendUptime, 1},
    {ESetting::SendPlan, &kFinger, "Send Plan", SettingsGroup::Finger, &CAppSettings::m_bSendPlan,
     1},
    {ESetting::FingerUseSound, &kFinger, "Use Sound", SettingsGroup::Finger,
     &CAppSettings::m_bFingerUseSound, 1},
    {ESetting::UseFingerD, &kFinger, "Use FingerD", SettingsGroup::Finger,
     &CAppSettings::m_bUseFingerD, 1},
    {ESetting::UseRtf, &kSettings, "Use RTF", SettingsGroup::Styles, &CAppSettings::m_bUseRtf, 0},
    {ESetting::UseNotifications, &kDesktop, "Use Notifications", SettingsGroup::Desktop,
     &CAppSettings::m_bUseNotifications, 1},
    {ESetting::KeepNotes, &kHistory, "Keep Notes", SettingsGroup::Desktop,
     &CAppSettings::m_nKeepNotes, CAppSettings::KeepAlways},
    {ESetting::KeepDays, &kHistory, "Keep Days", SettingsGroup::Desktop, &CAppSettings::m_nKeepDays,
     30},
    {ESetting::HistoryMegabytes, &kHistory, "Max Megabytes", SettingsGroup::Desktop,
     &CAppSettings::m_nHistoryMegabytes, 1024},
    {ESetting::Announce, &kPresence, "Announce", SettingsGroup::Presence,
     &CAppSettings::m_bAnnounce, 1},
    {ESetting::KeepUndelivered, &kOutbox, "Keep Undelivered", SettingsGroup::Outbox,
     &CAppSettings::m_bKeepUndelivered, 0},
    {ESetting::GiveUpDays, &kOutbox, "Give Up Days", SettingsGroup::Outbox,
     &CAppSettings::m_nGiveUpDays, 7},
};

CAppSettings::CAppSettings(ISettingsStore& store, CSettingsEnvironment environment) : m_store(store)
{
    SetEnvironment(std::move(environment));
}

void CAppSettings::SetEnvironment(CSettingsEnvironment environment)
{
    m_environment = std::move(environment);
    if (!m_environment.bTrayAvailable)
        SetUseTrayArea(false);
}

const CAppSettings::COption& CAppSettings::OptionOf(ESetting eSetting)
{
    for (const COption& option : kOptions) {
        if (option.eSetting == eSetting)
            return option;
    }
    Q_UNREACHABLE();
}

template <class T>
void CAppSettings::Assign(T CAppSettings::*pField, ESetting eSetting, const T& value)
{
    if (this->*pField == value)
        return;
    this->*pField = value;
    Q_EMIT Changed(eSetting);
}

bool CAppSettings::Flag(ESetting eSetting) const
{
    return this->*std::get<CFlagField>(OptionOf(eSetting).field);
}

void CAppSettings::SetFlag(ESetting eSetting, bool bValue)
{
    Assign(std::get<CFlagField>(OptionOf(eSetting).field), eSetting, bValue);
}

const QByteArray& CAppSettings::Text(ESetting eSetting) const
{
    return this->*std::get<CTextField>(OptionOf(eSetting).field);
}

void CAppSettings::SetText(ESetting eSetting, const QByteArray& strValue)
{
    Assign(std::get<CTextField>(OptionOf(eSetting).field), eSetting, strValue);
}

void CAppSettings::SetNumber(ESetting eSetting, int nValue)
{
    Assign(std::get<CIntField>(OptionOf(eSetting).field), eSetting, nValue);
}

bool CAppSettings::Load()
{
    for (const COption& option : kOptions) {
        if (option.eLoad == ELoad::Never ||
            (option.eLoad == ELoad::WithTray && !m_environment.bTrayAvailable))
            continue; // without a tray "Use TrayArea" keeps the off it was given
        const QString strName = QString::fromLatin1(option.pszName);
        if (const auto* pField = std::get_if<CIntField>(&option.field))
            Assign(*pField, option.eSetting,
                   m_store.ReadInt(*option.pSection, strName, std::get<int>(option.defaultValue)));
        else if (const auto* pFlag = std::get_if<CFlagField>(&option.field))
            Assign(*pFlag, option.eSetting,
                   m_store.ReadInt(*option.pSection, strName, std::get<int>(option.defaultValue)) !=
                       0);
        else
            Assign(std::get<CTextField>(option.field), option.eSetting,
                   m_store.ReadText(*option.pSection, strName, TextDefault(option)));
    }
    return true;
}

QByteArray CAppSettings::TextDefault(const COption& option) const
{
    if (const auto* pFunction =
            std::get_if<QByteArray (*)(const CAppSettings&)>(&option.defaultValue))
        return (*pFunction)(*this);
    return QByteArray(std::get<const char*>(option.defaultValue));
}

bool CAppSettings::Save(SettingsGroup eGroup)
{
    if (eGroup == SettingsGroup::All) {
        for (const SettingsGroup eEach :
             {SettingsGroup::Preferences, SettingsGroup::Finger, SettingsGroup::Network,
              SettingsGroup::Styles, SettingsGroup::Desktop, SettingsGroup::Presence,
              SettingsGroup::Outbox})
            Save(eEach);
        return true;
    }
    for (const COption& option : kOptions) {
        if (option.eGroup != eGroup)
            continue;
        const QString strName = QString::fromLatin1(option.pszName);
        if (const auto* pField = std::get_if<CIntField>(&option.field))
            m_store.WriteInt(*option.pSection, strName, this->*(*pField));
        else if (const auto* pFlag = std::get_if<CFlagField>(&option.field))
            m_store.WriteInt(*option.pSection, strName, this->*(*pFlag) ? 1 : 0);
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

bool CAppSettings::CheckFirstRun(IPrompts& prompts, bool bTrayAvailable)
{
    SetEnvironment({SystemInfo::UserName(), bTrayAvailable});
    SetNumber(ESetting::Version, m_store.ReadInt(kSettings, QStringLiteral("version"), 0));
    if (m_nVersion == ProgramVersion)
        return true;
    if (!prompts.AskYesNo(QStringLiteral("Ready to install Blipnote ?")))
        return false;
    Load();
    MigratePrefs();
    SetNumber(ESetting::Version, ProgramVersion);
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
        ESetting eSetting;
        const char* pszOldName;
        const char* pszDefault;
    };
    // "SoundPath" is taken from the old "SoundFile", as it always was.
    static const COldPref kOldPrefs[] = {
        {ESetting::Signature, "Signature", "-Blipnote2"},
        {ESetting::SoundPath, "SoundFile", "c:\\"},
        {ESetting::SoundFile, "SoundFile", "msremind.wav"},
        {ESetting::IpPort, "IP Port", "7777"},
        {ESetting::UseSound, "Use Sound", "1"},
        {ESetting::UseSignature, "Use Signature", "1"},
        {ESetting::UseQuote, "Quote reply", "1"},
        {ESetting::UseQuoteMarks, "Use QuoteMarks", "1"},
        {ESetting::UseYouWrote, "Use YouWrote", "1"},
        {ESetting::UsePopUp, "Use Popup", "1"},
    };
    for (const COldPref& old : kOldPrefs) {
        const QByteArray strValue = Old(old.pszOldName, old.pszDefault);
        const auto& field = OptionOf(old.eSetting).field;
        if (std::holds_alternative<CIntField>(field))
            SetNumber(old.eSetting, ParseLeadingNumber(strValue));
        else if (std::holds_alternative<CFlagField>(field))
            SetFlag(old.eSetting, ParseLeadingNumber(strValue) != 0);
        else
            SetText(old.eSetting, strValue);
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
