#pragma once

#include "core/finger/finger_query_log.h"
#include "core/finger/finger_settings.h"
#include "core/hosts/host_list.h"
#include "core/messaging/send_settings.h"
#include "core/settings/window_placement.h"

#include <QByteArray>
#include <QStringList>

#include <variant>

class IPrompts;
class ISettingsStore;

// The groups in which settings are written, each when its page is confirmed.
enum class SettingsGroup
{
    All = 0,
    Preferences = 1,
    Hosts = 2,
    Network = 3,
    Finger = 4,
    Styles = 5,
};

// Every option the program keeps between runs, the program constants, the
// run-time flags, the local system texts and the host list. One object serves the
// whole program; it reads and writes the settings store given to it. Flags are
// integers: 0 off, anything else on.
class CAppSettings
{
public:
    explicit CAppSettings(ISettingsStore& store);

    // Fills the program constants, the system texts and the tray flag. Whether the
    // desktop has a tray is the desktop program's finding; without one "Use
    // TrayArea" is off.
    void CollectSystemInfo(bool bTrayAvailable);
    // Reads every stored setting and the host list, each with its default.
    bool Load();
    // Writes one group of settings.
    bool Save(SettingsGroup eGroup);
    // The value names a group writes, in order (All: every stored option, the
    // host entries aside).
    static QStringList OptionNames(SettingsGroup eGroup);
    // Collects the system information, then compares the stored version with the
    // program's. When they differ the user is asked "Ready to install Blipnote ?";
    // Yes loads, takes over an old "Prefs" section and writes every group. Returns
    // whether the versions matched.
    bool CheckFirstRun(IPrompts& prompts, bool bTrayAvailable);

    CWindowPlacement ReadWindowPlacement() const;
    // Stores the placement unless its normal rectangle lies wholly off the screen.
    bool SaveWindowPlacement(const CWindowPlacement& placement, int nScreenWidth,
                             int nScreenHeight);

    // The host list's automatic adding, under "Use AutoAdd"; the first sender
    // not added because the list is at its bound is logged.
    QByteArray AddUnknownSender(const QByteArray& strNickname, const QByteArray& strAddress);
    // Replaces the host list (the hosts page applied) and stores it. storedAt
    // gives, for each entry, the index it was listed at before (-1: new); an
    // entry still at its place whose stored text reads as it stands keeps that
    // text, byte for byte. Without storedAt every entry counts as in its place.
    void ReplaceHostList(const QList<CHostEntry>& entries, const QList<qsizetype>& storedAt = {});

    // What sending takes from the settings, copied.
    CSendSettings SendSettings() const;
    // What the finger server takes from the settings, copied.
    CFingerSettings FingerSettings() const;

    // Program constants.
    int m_nProgramVersion = 0;
    int m_nNoteSizeLimit = 0;
    int m_nDefaultDelay = 0;

    // Section "Settings".
    int m_nVersion = 0;
    int m_nGreetings = 0;
    QByteArray m_strNickname;
    QByteArray m_strSignature;
    QByteArray m_strSoundPath;
    QByteArray m_strSoundFile;
    QByteArray m_strAwayMessage;
    int m_nIpPort = 0;
    int m_nMultiSendDelay = 0;
    int m_nUseSound = 0;
    int m_nUseSignature = 0;
    int m_nUseQuote = 0;
    int m_nUseQuoteMarks = 0;
    int m_nUseYouWrote = 0;
    int m_nUsePopUp = 0;
    int m_nUsePriority = 0;
    int m_nUseAutoAdd = 0;
    int m_nUseTrayArea = 0;
    int m_nNoClose = 0;
    int m_nMultiSend = 0;
    int m_nAutoDelete = 0;
    int m_nWriteInMessage = 0;
    int m_nUseRtf = 0;

    // Section "FingerD-Settings".
    QByteArray m_strPlan;
    QByteArray m_strFingerSoundFile;
    int m_nSendSystem = 0;
    int m_nSendOs = 0;
    int m_nSendUser = 0;
    int m_nSendTime = 0;
    int m_nSendUptime = 0;
    int m_nSendPlan = 0;
    int m_nFingerUseSound = 0;
    int m_nUseFingerD = 0;

    // Run-time fields, never stored.
    int m_nAutoReplyActive = 0;
    int m_nTrayAvailable = 0;
    QByteArray m_strPlatform;
    QByteArray m_strUserName;
    QByteArray m_strComputerName;
    QByteArray m_strLocalAddress;
    CHostList m_hosts;
    CFingerQueryLog m_fingerQueryLog;

private:
    using CIntField = int CAppSettings::*;
    using CTextField = QByteArray CAppSettings::*;
    enum class ELoad
    {
        Always,
        WithTray, // only on a desktop with a tray
        Never,    // written, but read elsewhere ("version")
    };
    // One stored option: where it is kept, which field holds it, and its default
    // when the store has none: a constant, or a function of values read before it.
    struct COption
    {
        const QString* pSection;
        const char* pszName;
        SettingsGroup eGroup;
        std::variant<CIntField, CTextField> field;
        std::variant<int, const char*, int (*)(const CAppSettings&),
                     QByteArray (*)(const CAppSettings&)>
            defaultValue;
        ELoad eLoad = ELoad::Always;
    };
    static const COption kOptions[];

    int IntDefault(const COption& option) const;
    QByteArray TextDefault(const COption& option) const;
    void LoadHosts();
    void SaveHosts(const QList<qsizetype>& storedAt = {});
    void MigratePrefs();

    ISettingsStore& m_store;
};
