#pragma once

#include "core/settings/setting.h"
#include "core/settings/window_placement.h"

#include <QByteArray>
#include <QObject>
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
    // The desktop around the notes, in a section of its own.
    Desktop = 6,
    // Presence on the local network, in a section of its own (the Network page).
    Presence = 7,
    // Notes that wait for their hosts, in a section of its own.
    Outbox = 8,
};

// What loading depends on besides the store: the account's name (the default
// nickname) and whether the desktop has a tray (without one "Use TrayArea" is
// off and not read).
struct CSettingsEnvironment
{
    QByteArray strUserName;
    bool bTrayAvailable = false;
};

// Every option the program keeps between runs. One object serves the whole
// program; it reads and writes the settings store given to it. Options are read
// through their accessors and changed through their setters; a setter that
// changes a value says so with Changed, once per option. Flags are bool here and
// 0 or 1 in the store (any other stored number reads as on).
class CAppSettings : public QObject
{
    Q_OBJECT

public:
    // The program's version number, compared with the stored one at start-up.
    static constexpr int ProgramVersion = 2;
    static constexpr int DefaultMultiSendDelay = 100;

    explicit CAppSettings(ISettingsStore& store, CSettingsEnvironment environment = {});

    void SetEnvironment(CSettingsEnvironment environment);
    // Reads every stored option, each with its default.
    bool Load();
    // Writes one group of options (the host list is stored by its own owner).
    bool Save(SettingsGroup eGroup);
    // The value names a group writes, in order (All: every stored option, the
    // host entries aside).
    static QStringList OptionNames(SettingsGroup eGroup);
    // Takes the environment (the account's name, the tray), then compares the
    // stored version with the program's. When they differ the user is asked
    // "Ready to install Blipnote ?"; Yes loads, takes over an old "Prefs" section
    // and writes every group. Returns whether the versions matched.
    bool CheckFirstRun(IPrompts& prompts, bool bTrayAvailable);

    CWindowPlacement ReadWindowPlacement() const;
    // Stores the placement unless its normal rectangle lies wholly off the screen.
    bool SaveWindowPlacement(const CWindowPlacement& placement, int nScreenWidth,
                             int nScreenHeight);

    // A flag or a text by its key, for pages that list options in tables.
    bool Flag(ESetting eSetting) const;
    void SetFlag(ESetting eSetting, bool bValue);
    const QByteArray& Text(ESetting eSetting) const;
    void SetText(ESetting eSetting, const QByteArray& strValue);
    void SetNumber(ESetting eSetting, int nValue);

    // Section "Settings".
    int Version() const { return m_nVersion; }
    bool Greetings() const { return m_bGreetings; }
    const QByteArray& Nickname() const { return m_strNickname; }
    // The nickname notes carry: the stored one, or the account's name when it
    // was cleared (a note whose nickname is empty reads as untagged text).
    const QByteArray& SenderNickname() const
    {
        return m_strNickname.isEmpty() ? m_environment.strUserName : m_strNickname;
    }
    const QByteArray& Signature() const { return m_strSignature; }
    const QByteArray& SoundPath() const { return m_strSoundPath; }
    const QByteArray& SoundFile() const { return m_strSoundFile; }
    const QByteArray& AwayMessage() const { return m_strAwayMessage; }
    int IpPort() const { return m_nIpPort; }
    int MultiSendDelay() const { return m_nMultiSendDelay; }
    bool UseSound() const { return m_bUseSound; }
    bool UseSignature() const { return m_bUseSignature; }
    bool UseQuote() const { return m_bUseQuote; }
    bool UseQuoteMarks() const { return m_bUseQuoteMarks; }
    bool UseYouWrote() const { return m_bUseYouWrote; }
    bool UsePopUp() const { return m_bUsePopUp; }
    bool UsePriority() const { return m_bUsePriority; }
    bool UseAutoAdd() const { return m_bUseAutoAdd; }
    bool UseTrayArea() const { return m_bUseTrayArea; }
    bool NoClose() const { return m_bNoClose; }
    bool MultiSend() const { return m_bMultiSend; }
    bool AutoDelete() const { return m_bAutoDelete; }
    bool WriteInMessage() const { return m_bWriteInMessage; }
    bool UseRtf() const { return m_bUseRtf; }

    void SetGreetings(bool b) { SetFlag(ESetting::Greetings, b); }
    void SetNickname(const QByteArray& str) { SetText(ESetting::Nickname, str); }
    void SetSignature(const QByteArray& str) { SetText(ESetting::Signature, str); }
    void SetSoundPath(const QByteArray& str) { SetText(ESetting::SoundPath, str); }
    void SetSoundFile(const QByteArray& str) { SetText(ESetting::SoundFile, str); }
    void SetAwayMessage(const QByteArray& str) { SetText(ESetting::AwayMessage, str); }
    void SetIpPort(int n) { SetNumber(ESetting::IpPort, n); }
    void SetMultiSendDelay(int n) { SetNumber(ESetting::MultiSendDelay, n); }
    void SetUseSound(bool b) { SetFlag(ESetting::UseSound, b); }
    void SetUseSignature(bool b) { SetFlag(ESetting::UseSignature, b); }
    void SetUseQuote(bool b) { SetFlag(ESetting::UseQuote, b); }
    void SetUseQuoteMarks(bool b) { SetFlag(ESetting::UseQuoteMarks, b); }
    void SetUseYouWrote(bool b) { SetFlag(ESetting::UseYouWrote, b); }
    void SetUsePopUp(bool b) { SetFlag(ESetting::UsePopUp, b); }
    void SetUsePriority(bool b) { SetFlag(ESetting::UsePriority, b); }
    void SetUseAutoAdd(bool b) { SetFlag(ESetting::UseAutoAdd, b); }
    void SetUseTrayArea(bool b) { SetFlag(ESetting::UseTrayArea, b); }
    void SetNoClose(bool b) { SetFlag(ESetting::NoClose, b); }
    void SetMultiSend(bool b) { SetFlag(ESetting::MultiSend, b); }
    void SetAutoDelete(bool b) { SetFlag(ESetting::AutoDelete, b); }
    void SetWriteInMessage(bool b) { SetFlag(ESetting::WriteInMessage, b); }
    void SetUseRtf(bool b) { SetFlag(ESetting::UseRtf, b); }

    // Section "FingerD-Settings".
    const QByteArray& Plan() const { return m_strPlan; }
    const QByteArray& FingerSoundFile() const { return m_strFingerSoundFile; }
    bool SendSystem() const { return m_bSendSystem; }
    bool SendOs() const { return m_bSendOs; }
    bool SendUser() const { return m_bSendUser; }
    bool SendTime() const { return m_bSendTime; }
    bool SendUptime() const { return m_bSendUptime; }
    bool SendPlan() const { return m_bSendPlan; }
    bool FingerUseSound() const { return m_bFingerUseSound; }
    bool UseFingerD() const { return m_bUseFingerD; }

    void SetPlan(const QByteArray& str) { SetText(ESetting::Plan, str); }
    void SetFingerSoundFile(const QByteArray& str) { SetText(ESetting::FingerSoundFile, str); }
    void SetSendSystem(bool b) { SetFlag(ESetting::SendSystem, b); }
    void SetSendOs(bool b) { SetFlag(ESetting::SendOs, b); }
    void SetSendUser(bool b) { SetFlag(ESetting::SendUser, b); }
    void SetSendTime(bool b) { SetFlag(ESetting::SendTime, b); }
    void SetSendUptime(bool b) { SetFlag(ESetting::SendUptime, b); }
    void SetSendPlan(bool b) { SetFlag(ESetting::SendPlan, b); }
    void SetFingerUseSound(bool b) { SetFlag(ESetting::FingerUseSound, b); }
    void SetUseFingerD(bool b) { SetFlag(ESetting::UseFingerD, b); }

    // Section "Desktop": how the program meets the desktop around it.
    bool UseNotifications() const { return m_bUseNotifications; }
    void SetUseNotifications(bool b) { SetFlag(ESetting::UseNotifications, b); }

    // Section "History": which notes are kept, and for how long.
    enum EKeepNotes
    {
        KeepNever = 0,
        KeepAlways = 1,
        KeepForDays = 2,
    };
    int KeepNotes() const { return m_nKeepNotes; }
    int KeepDays() const { return m_nKeepDays; }
    // The most the history may take on disk (0: no bound); the oldest notes go.
    int HistoryMegabytes() const { return m_nHistoryMegabytes; }
    void SetKeepNotes(int n) { SetNumber(ESetting::KeepNotes, n); }
    void SetKeepDays(int n) { SetNumber(ESetting::KeepDays, n); }
    void SetHistoryMegabytes(int n) { SetNumber(ESetting::HistoryMegabytes, n); }

    // Section "Presence": whether this copy announces itself on the local
    // network (its note port, nickname, computer name and version).
    bool Announce() const { return m_bAnnounce; }
    void SetAnnounce(bool b) { SetFlag(ESetting::Announce, b); }
    // Section "Outbox": notes whose host could not be connected wait for it
    // (without asking), and are given up after so many days.
    bool KeepUndelivered() const { return m_bKeepUndelivered; }
    int GiveUpDays() const { return m_nGiveUpDays; }
    void SetKeepUndelivered(bool b) { SetFlag(ESetting::KeepUndelivered, b); }
    void SetGiveUpDays(int n) { SetNumber(ESetting::GiveUpDays, n); }

Q_SIGNALS:
    // One option took a new value (a setter, Load or the first run).
    void Changed(ESetting eSetting);

private:
    using CIntField = int CAppSettings::*;
    using CFlagField = bool CAppSettings::*;
    using CTextField = QByteArray CAppSettings::*;
    enum class ELoad
    {
        Always,
        WithTray, // only on a desktop with a tray
        Never,    // written, but read elsewhere ("version")
    };
    // One stored option: its key, where it is kept, which field holds it, and
    // its default when the store has none: a constant, or a function of the
    // environment.
    struct COption
    {
        ESetting eSetting;
        const QString* pSection;
        const char* pszName;
        SettingsGroup eGroup;
        std::variant<CIntField, CFlagField, CTextField> field;
        std::variant<int, const char*, QByteArray (*)(const CAppSettings&)> defaultValue;
        ELoad eLoad = ELoad::Always;
    };
    static const COption kOptions[];
    static const COption& OptionOf(ESetting eSetting);

    QByteArray TextDefault(const COption& option) const;
    void MigratePrefs();
    // Sets a field and says so when its value changed.
    template <class T>
    void Assign(T CAppSettings::*pField, ESetting eSetting, const T& value);

    ISettingsStore& m_store;
    CSettingsEnvironment m_environment;

    int m_nVersion = 0;
    bool m_bGreetings = false;
    QByteArray m_strNickname;
    QByteArray m_strSignature;
    QByteArray m_strSoundPath;
    QByteArray m_strSoundFile;
    QByteArray m_strAwayMessage;
    int m_nIpPort = 0;
    int m_nMultiSendDelay = 0;
    bool m_bUseSound = false;
    bool m_bUseSignature = false;
    bool m_bUseQuote = false;
    bool m_bUseQuoteMarks = false;
    bool m_bUseYouWrote = false;
    bool m_bUsePopUp = false;
    bool m_bUsePriority = false;
    bool m_bUseAutoAdd = false;
    bool m_bUseTrayArea = false;
    bool m_bNoClose = false;
    bool m_bMultiSend = false;
    bool m_bAutoDelete = false;
    bool m_bWriteInMessage = false;
    bool m_bUseRtf = false;

    QByteArray m_strPlan;
    QByteArray m_strFingerSoundFile;
    bool m_bSendSystem = false;
    bool m_bSendOs = false;
    bool m_bSendUser = false;
    bool m_bSendTime = false;
    bool m_bSendUptime = false;
    bool m_bSendPlan = false;
    bool m_bFingerUseSound = false;
    bool m_bUseFingerD = false;

    bool m_bUseNotifications = false;
    int m_nKeepNotes = 0;
    int m_nKeepDays = 0;
    int m_nHistoryMegabytes = 0;
    bool m_bAnnounce = false;
    bool m_bKeepUndelivered = false;
    int m_nGiveUpDays = 0;
};
