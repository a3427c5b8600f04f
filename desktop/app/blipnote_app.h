#pragma once

#include "core/documents/doc_context.h"
#include "core/finger/finger_query_log.h"
#include "core/hosts/host_book.h"
#include "core/messaging/auto_reply.h"
#include "core/net/local_address.h"
#include "core/outbox/outbox.h"
#include "core/presence/host_presence.h"
#include "core/settings/app_settings.h"
#include "core/settings/recent_files.h"
#include "core/settings/system_info.h"
#include "desktop/app/own_sounds.h"
#include "desktop/app/startup_request.h"
#include "desktop/views/view_context.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>

class CAutostartEntry;
class CBlipnoteDoc;
class QPrinter;
class QWidget;
class CDocManager;
class CFileCommands;
class CFingerDaemonSocket;
class CFingerSwitch;
class CHeldPort;
class CIncomingNotes;
class CMailSender;
class CMainFrame;
class CNoteListenSocket;
class CNoteNotifier;
class CNotificationService;
class CUnreadNotes;
class CSeekerDlg;
class CDesktopPresence;
class CPresenceTexts;
class CHistoryKeeper;
class CHistoryWindow;
class COutboxKeeper;
class COutboxWindow;
class CSendJobs;
class IDocView;
class IPrompts;
class ISettingsStore;
class ISoundPlayer;
class ITrayIcon;

// What the desktop gives the program; tests give doubles.
struct CAppEnvironment
{
    ISettingsStore& store;
    IPrompts& prompts;
    ITrayIcon& tray;
    ISoundPlayer& sound;
    bool bTrayAvailable = false;
    // The finger port: 79, or a free one in tests.
    quint16 nFingerPort = 79;
    std::chrono::milliseconds greetingDelay = std::chrono::seconds(30);
    // Where the greeting note is looked for: the working folder first.
    QStringList greetingFiles = {QStringLiteral("greetings.bni")};
    // Where the program's own sounds are ("" when they are not installed).
    QString strSoundsFolder = QString();
    // Whether the desktop's services on the session bus (notifications) are
    // used: only when asked, so that no test reaches a real desktop.
    bool bUseSessionBus = false;
    // Whether presence (announcing this copy, finding the others) uses the
    // Avahi daemon on the system bus: only when asked, for the same reason.
    bool bUseSystemBus = false;
    // The desktop's autostart folder ("": the login start is not offered).
    QString strAutostartFolder = QString();
    // The history's file ("": none is kept, as in the tests that do not look).
    QString strHistoryPath = QString();
    // The finger port bound at the start, before the program gave up the right
    // to bind it: the finger server listens on it when switched on (none, or
    // not bound: the server opens nFingerPort itself, as tests do).
    CHeldPort* pFingerPort = nullptr;
    // How often the outbox tries its notes (tests make the gaps short).
    COutboxTuning outboxTuning = COutboxTuning();
    // What hands a note to the desktop's mail program.
    QString strMailProgram = QStringLiteral("xdg-email");
    // How "&Get IP-addr" looks this computer's address up.
    std::function<void(QObject*, std::function<void(const QByteArray&)>)> resolveLocalAddress =
        LocalAddress::Resolve;
};

// The desktop program: starts in a fixed order (note types, main window, the
// command line, the first-run check and the settings, the note server), owns
// the long-lived objects, answers the application's commands, shows the greeting
// note once and shuts down.
class CBlipnoteApp : public QObject
{
    Q_OBJECT

public:
    explicit CBlipnoteApp(CAppEnvironment environment, QObject* pParent = nullptr);
    ~CBlipnoteApp() override;

    // A later start's request, handed over by it: a note to open (as File / Open
    // would), or to print, or only the window to show. Requests that come during
    // the start-up wait for its end.
    void TakeRequest(const CStartupRequest& request);

    // The start-up; false ends the program at once, with ExitCode().
    bool Startup(const CStartupRequest& request = CStartupRequest());
    void Shutdown();
    int ExitCode() const { return m_nExitCode; }

    // The application's commands.
    void OnNew();
    void OnAutoReply();
    void OnDeleteAll();
    void OnExit();
    void OnAbout();
    void OnHelp();
    void OnPrintSetup();
    void OnFingerDActive();
    void OnFingerQueries();
    void OnSeeker();
    void OnHistory();
    void OnOutbox();
    // The setup sheet, modal; when it has closed, the tray icon and the finger
    // server follow the options.
    void OnSetup();
    void ShowGreeting();

    CAppSettings& Settings() { return m_settings; }
    SystemInfo::CSystemInfo& System() { return m_system; }
    CHostBook& HostBook() { return m_hostBook; }
    CAutoReply& AutoReply() { return m_autoReply; }
    // The printer set up for this run, made when first used.
    QPrinter& Printer();
    CMainFrame& MainFrame() const { return *m_pMainFrame; }
    CNoteListenSocket& NoteServer() const { return *m_pNoteServer; }
    CFingerDaemonSocket& FingerServer() const { return *m_pFingerServer; }
    CDocManager& Documents() const { return *m_pDocuments; }
    CIncomingNotes& IncomingNotes() const { return *m_pIncoming; }
    CUnreadNotes& UnreadNotes() const { return *m_pUnread; }
    CMailSender& MailSender() const { return *m_pMailSender; }
    // Made by the first "Seeker ..." command.
    CSeekerDlg* Seeker() const { return m_pSeeker.get(); }
    // Made by the first "History ..." command.
    CHistoryWindow* HistoryWindow() const { return m_pHistoryWindow.get(); }
    CHistoryKeeper& History() const { return *m_pHistory; }
    CHostPresence& HostPresence() { return m_hostPresence; }
    CDesktopPresence& Presence() const { return *m_pPresence; }
    // The notes waiting for their hosts; none without a history.
    COutbox* Outbox() const;
    // Made by the first "Outbox ..." command.
    COutboxWindow* OutboxWindow() const { return m_pOutboxWindow.get(); }

Q_SIGNALS:
    // The main window exists (during the start-up, before its first box).
    void MainWindowCreated(QWidget* pWindow);
    // The program has ended its work (Exit, or the main window closed).
    void Finished();

private:
    // Starts "SoundPath" at the own sounds while it is the old default.
    void StartSoundPathAtOwnSounds();
    IDocView* CreateView(CBlipnoteDoc& doc);
    // The menus' commands, the menus' check marks and the main window's signals.
    void ConnectMainFrame();
    void UpdateChecks();
    // Tool windows (History, Outbox) open over the main window, in front.
    void PlaceOverMainWindow(QWidget& window) const;
    static void ShowInFront(QWidget& window);

    CAppEnvironment m_environment;
    SystemInfo::CSystemInfo m_system;
    CAppSettings m_settings;
    CHostBook m_hostBook;
    CFingerQueryLog m_fingerQueryLog;
    CHostPresence m_hostPresence;
    CRecentFiles m_recentFiles;
    CAutoReply m_autoReply;
    COwnSounds m_sounds;
    CDocContext m_docContext;
    // In the order they are taken down backwards: the windows go before the
    // notes they show, the sending and the servers before the window they report to.
    std::unique_ptr<CDocManager> m_pDocuments;
    std::unique_ptr<CFileCommands> m_pFileCommands;
    std::unique_ptr<CMailSender> m_pMailSender;
    std::unique_ptr<QPrinter> m_pPrinter;
    std::unique_ptr<CPresenceTexts> m_pPresenceTexts;
    std::unique_ptr<CViewContext> m_pViewContext;
    std::unique_ptr<CMainFrame> m_pMainFrame;
    std::unique_ptr<CSendJobs> m_pSendJobs;
    std::unique_ptr<CNoteListenSocket> m_pNoteServer;
    std::unique_ptr<CFingerDaemonSocket> m_pFingerServer;
    std::unique_ptr<CFingerSwitch> m_pFingerSwitch;
    std::unique_ptr<CIncomingNotes> m_pIncoming;
    std::unique_ptr<CUnreadNotes> m_pUnread;
    std::unique_ptr<CNotificationService> m_pNotifications;
    std::unique_ptr<CNoteNotifier> m_pNotifier;
    std::unique_ptr<CHistoryKeeper> m_pHistory;
    std::unique_ptr<CDesktopPresence> m_pPresence;
    std::unique_ptr<COutboxKeeper> m_pOutbox;
    std::unique_ptr<CAutostartEntry> m_pAutostart;
    std::unique_ptr<CSeekerDlg> m_pSeeker;            // a child of the main window, gone before it
    std::unique_ptr<CHistoryWindow> m_pHistoryWindow; // the same
    std::unique_ptr<COutboxWindow> m_pOutboxWindow;   // the same
    bool m_bSettingsLoaded = false;
    QList<CStartupRequest> m_waitingRequests;
    bool m_bGreetingWaits = false; // it came due before the settings were loaded
    bool m_bGreetingDone = false;
    int m_nExitCode = 0;
};
