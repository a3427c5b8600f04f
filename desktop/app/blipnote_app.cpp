#include "desktop/app/blipnote_app.h"

#include "core/documents/blipnote_doc.h"
#include "core/documents/doc_manager.h"
#include "core/documents/doc_template.h"
#include "core/finger/finger_daemon_socket.h"
#include "core/finger/seeker.h"
#include "core/history/history_recorder.h"
#include "core/interfaces/prompts.h"
#include "core/interfaces/settings_store.h"
#include "core/messaging/note_listen_socket.h"
#include "core/messaging/send_jobs.h"
#include "core/messaging/send_note_job.h"
#include "core/net/net_address.h"
#include "core/notes/tagged_text.h"
#include "core/settings/system_info.h"
#include "core/text/code_page.h"
#include "core/text/editor_text.h"
#include "desktop/alerts/note_notifier.h"
#include "desktop/alerts/notification_service.h"
#include "desktop/alerts/unread_notes.h"
#include "desktop/app/about_dialog.h"
#include "desktop/app/autostart_entry.h"
#include "desktop/app/child_frame.h"
#include "desktop/app/command_table.h"
#include "desktop/app/file_commands.h"
#include "desktop/app/finger_switch.h"
#include "desktop/app/help_window.h"
#include "desktop/app/incoming_notes.h"
#include "desktop/app/listen_failure.h"
#include "desktop/app/mail_sender.h"
#include "desktop/app/main_frame.h"
#include "desktop/app/tray_icon_interface.h"
#include "desktop/finger/finger_queries_dlg.h"
#include "desktop/finger/seek_rows_model.h"
#include "desktop/finger/seeker_dlg.h"
#include "desktop/history/history_keeper.h"
#include "desktop/history/history_window.h"
#include "desktop/history/outbox_keeper.h"
#include "desktop/history/outbox_window.h"
#include "desktop/presence/desktop_presence.h"
#include "desktop/presence/presence_texts.h"
#include "desktop/setup/setup_sheet.h"
#include "desktop/views/dialog_font_chooser.h"
#include "desktop/views/msg_in_view.h"
#include "desktop/views/msg_out_view.h"
#include "desktop/views/note_view.h"
#include "desktop/views/rich_text_ctrl.h"

#include <QAction>
#include <QApplication>
#include <QDBusConnection>
#include <QFileInfo>
#include <QMenu>
#include <QPageSetupDialog>
#include <QPointer>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>

CBlipnoteApp::CBlipnoteApp(CAppEnvironment environment, QObject* pParent)
    : QObject(pParent), m_environment(std::move(environment)), m_system(SystemInfo::Collect()),
      m_settings(m_environment.store, {m_system.strUserName, m_environment.bTrayAvailable}),
      m_hostBook(m_environment.store), m_recentFiles(m_environment.store),
      m_autoReply(m_settings, m_system),
      m_sounds(m_environment.sound, m_settings, m_environment.strSoundsFolder)
{
    m_docContext.Wire(m_settings, m_system, m_hostBook, m_autoReply);
    // A box, not a status text: the status panes change with every note, and
    // this needs to be seen once, as every other failure of the program is.
    m_environment.store.SetWriteFailureHandler([this](const QString& strPath,
                                                      const QString& strReason) {
        m_environment.prompts.ShowMessage(tr("The settings cannot be written to %1:\n%2.\n\n"
                                             "What you set stays in effect until Blipnote ends.")
                                              .arg(strPath, strReason),
                                          PromptIcon::Warning);
    });
}

CBlipnoteApp::~CBlipnoteApp()
{
    m_environment.store.SetWriteFailureHandler(nullptr);
    Shutdown();
}

bool CBlipnoteApp::Startup(const CStartupRequest& request)
{
    // The two note types, outgoing first, and the recent-file list.
    m_pDocuments = std::make_unique<CDocManager>(m_docContext);
    m_recentFiles.Load();
    m_pFileCommands =
        std::make_unique<CFileCommands>(*m_pDocuments, m_environment.prompts, m_recentFiles);
    m_pMailSender =
        std::make_unique<CMailSender>(m_environment.prompts, m_environment.strMailProgram);
    m_pViewContext = std::make_unique<CViewContext>(
        m_settings, m_hostBook, m_docContext, *m_pDocuments, m_environment.prompts, m_autoReply);
    m_pViewContext->printer = [this]() -> QPrinter& { return Printer(); };
    m_pPresenceTexts = std::make_unique<CPresenceTexts>(m_hostBook.Hosts(), m_hostPresence);
    m_pViewContext->pPresenceTexts = m_pPresenceTexts.get();
    for (const EDocKind eKind : {EDocKind::MessageOut, EDocKind::MessageIn})
        m_pDocuments->Template(eKind).SetViewFactory(
            [this](CBlipnoteDoc& doc) { return CreateView(doc); });
    connect(m_pDocuments.get(), &CDocManager::DocumentClosing, this, [this](CBlipnoteDoc* pDoc) {
        for (CChildFrame* pFrame : m_pMainFrame->NoteWindows()) {
            if (pFrame->View()->Document() == pDoc)
                pFrame->CloseWithoutQuestion();
        }
    });

    // The main window, which restores its placement and shows itself.
    m_pMainFrame =
        std::make_unique<CMainFrame>(m_settings, m_environment.tray, m_environment.bTrayAvailable,
                                     m_environment.prompts, m_environment.greetingDelay);
    if (request.bHidden)
        m_pMainFrame->StartHidden();
    else
        m_pMainFrame->show();
    Q_EMIT MainWindowCreated(m_pMainFrame.get());
    m_pSendJobs = std::make_unique<CSendJobs>(*m_pMainFrame, m_environment.prompts);
    m_docContext.pSendJobs = m_pSendJobs.get();
    m_pNoteServer = std::make_unique<CNoteListenSocket>(*m_pMainFrame);
    m_pFingerServer = std::make_unique<CFingerDaemonSocket>(
        [this] { return FingerSettingsOf(m_settings, m_system); }, m_fingerQueryLog,
        m_environment.prompts, m_sounds);
    m_pFingerSwitch = std::make_unique<CFingerSwitch>(
        m_settings, *m_pFingerServer, m_environment.nFingerPort, m_environment.pFingerPort);
    m_pIncoming = std::make_unique<CIncomingNotes>(m_settings, m_hostBook.Hosts(), m_autoReply,
                                                   *m_pDocuments, *m_pMainFrame, m_environment.tray,
                                                   m_environment.prompts, m_sounds);
    m_pIncoming->Attach(*m_pNoteServer);
    m_pHistory = std::make_unique<CHistoryKeeper>(m_settings, m_environment.prompts,
                                                  m_environment.strHistoryPath);
    m_pHistory->Attach(*m_pNoteServer, *m_pSendJobs, *m_pDocuments);
    m_pPresence = std::make_unique<CDesktopPresence>(
        m_settings, m_system.strComputerName,
        [this] { return m_pNoteServer->IsListening() ? m_pNoteServer->ServerPort() : quint16(0); },
        m_environment.bUseSystemBus ? QDBusConnection::systemBus()
                                    : QDBusConnection(QStringLiteral("none")),
        m_hostPresence);
    connect(m_pPresence.get(), &CDesktopPresence::Unavailable, m_pMainFrame.get(),
            &CMainFrame::ShowPresenceUnavailable);
    // A copy announced on the network is up: the notes waiting for it go now.
    connect(m_pPresence.get(), &CDesktopPresence::HostUp, this,
            [this](const QByteArray& strAddress) {
                if (COutbox* pOutbox = Outbox())
                    pOutbox->HostUp(strAddress);
            });
    // A host a note was delivered to was up then (the outbox's tries too).
    connect(m_pSendJobs.get(), &CSendJobs::JobFinished, this,
            [this](const QByteArray& strAddress, int nResult) {
                if (nResult == CSendNoteJob::Delivered)
                    m_hostPresence.SeenAt(strAddress);
            });
    // A note's sender was up when it sent it.
    connect(m_pNoteServer.get(), &CNoteListenSocket::NoteReceived, this,
            [this](const QByteArray& strText) {
                m_hostPresence.SeenAt(TaggedText::ParseView(strText).address.toByteArray());
            });
    m_pOutbox = std::make_unique<COutboxKeeper>(m_settings, m_environment.prompts,
                                                m_environment.outboxTuning);
    // Beside the alerts above: notes waiting unread mark the tray and are told
    // of by the desktop's notifications.
    m_pUnread = std::make_unique<CUnreadNotes>(*m_pMainFrame, *m_pDocuments);
    connect(m_pIncoming.get(), &CIncomingNotes::NoteOpened, m_pUnread.get(), &CUnreadNotes::Add);
    connect(m_pUnread.get(), &CUnreadNotes::Changed, this, [this] {
        m_environment.tray.SetAttention(static_cast<int>(m_pUnread->Notes().size()),
                                        m_pUnread->Summary());
    });
    m_pNotifications = std::make_unique<CNotificationService>(
        m_environment.bUseSessionBus ? QDBusConnection::sessionBus()
                                     : QDBusConnection(QStringLiteral("none")));
    m_pNotifier = std::make_unique<CNoteNotifier>(*m_pUnread, *m_pNotifications, m_settings);
    connect(m_pIncoming.get(), &CIncomingNotes::PriorityAlertShown, m_pNotifier.get(),
            &CNoteNotifier::OnPriorityAlertShown);
    connect(m_pIncoming.get(), &CIncomingNotes::PriorityAlertAnswered, m_pNotifier.get(),
            &CNoteNotifier::OnPriorityAlertAnswered);
    if (!m_environment.strAutostartFolder.isEmpty())
        m_pAutostart = std::make_unique<CAutostartEntry>(QApplication::applicationFilePath(),
                                                         m_environment.strAutostartFolder);
    m_docContext.sendAutoReply = [this](CBlipnoteDoc& doc) { m_pIncoming->SendAutoReply(doc); };
    ConnectMainFrame();

    // The command line: a note to open, or to print and end.
    if (!request.strPrintFile.isEmpty()) {
        m_nExitCode = m_pFileCommands->PrintNoteFile(request.strPrintFile) ? 0 : 1;
        return false;
    }
    if (!request.strOpenFile.isEmpty() && !m_pFileCommands->OpenNoteFile(request.strOpenFile)) {
        m_nExitCode = 1;
        return false;
    }

    m_settings.CheckFirstRun(m_environment.prompts, m_environment.bTrayAvailable);
    m_settings.Load();
    StartSoundPathAtOwnSounds();
    m_hostBook.Load();
    m_pHistory->Start();
    // What waited in the outbox when the program last ended is tried again.
    m_pOutbox->Start(m_pHistory->Recorder(), *m_pSendJobs);
    m_bSettingsLoaded = true;
    if (m_bGreetingWaits)
        QMetaObject::invokeMethod(this, &CBlipnoteApp::ShowGreeting, Qt::QueuedConnection);
    for (const CStartupRequest& waiting : std::exchange(m_waitingRequests, {}))
        QMetaObject::invokeMethod(
            this, [this, waiting] { TakeRequest(waiting); }, Qt::QueuedConnection);
    m_pMainFrame->PostStatusText(StatusPane::Listening, QStringLiteral("initializing"));
    m_pMainFrame->PostStatusText(StatusPane::Sending, QStringLiteral(" "));
    if (const auto nPort = NetAddress::Port(m_settings.IpPort(), NetAddress::EPortUse::Listen)) {
        if (!m_pNoteServer->Open(*nPort))
            m_pMainFrame->ShowNotReceiving(ListenFailure::Explanation(
                *nPort, m_pNoteServer->OpenErrorNumber(), m_pNoteServer->OpenError()));
    } else {
        m_pMainFrame->PostStatusText(StatusPane::Listening, QStringLiteral("Error while creating"));
        m_pMainFrame->ShowNotReceiving(ListenFailure::BadPortExplanation(m_settings.IpPort()));
    }
    // The finger server after the note port: a box saying that its port cannot
    // be had must not keep the note port closed while it waits for the user.
    m_pFingerSwitch->Start();
    m_pPresence->Start();
    UpdateChecks();
    return true;
}

QPrinter& CBlipnoteApp::Printer()
{
    // Made at the first print: the printing system's support is loaded only
    // then, not while the program starts.
    if (!m_pPrinter)
        m_pPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_pPrinter;
}

void CBlipnoteApp::TakeRequest(const CStartupRequest& request)
{
    if (!m_bSettingsLoaded) {
        m_waitingRequests.append(request);
        return;
    }
    if (!request.bHidden)
        m_pMainFrame->ShowAndRestore();
    if (!request.strPrintFile.isEmpty())
        m_pFileCommands->PrintNoteFile(request.strPrintFile);
    else if (!request.strOpenFile.isEmpty())
        m_pFileCommands->OpenNoteFile(request.strOpenFile);
}

void CBlipnoteApp::Shutdown()
{
    // Probes still running end quietly.
    m_pSeeker.reset();
    m_pHistoryWindow.reset();
    m_pOutboxWindow.reset();
    if (m_pDocuments)
        m_pDocuments->CloseAll();
}

IDocView* CBlipnoteApp::CreateView(CBlipnoteDoc& doc)
{
    CNoteView* pView = doc.IsIncoming()
                           ? static_cast<CNoteView*>(new CMsgInView(doc, *m_pViewContext))
                           : new CMsgOutView(doc, *m_pViewContext);
    CChildFrame* pFrame = m_pMainFrame->AddNoteWindow(pView);
    connect(pFrame, &CChildFrame::NoteClosed, this, [this, pView] {
        if (CBlipnoteDoc* pDoc = pView->Document())
            m_pDocuments->CloseDocument(pDoc);
    });
    const auto Save = [this, pView] { m_pFileCommands->OnSave(pView->Document()); };
    connect(pFrame, &CChildFrame::SaveRequested, this, Save);
    connect(pView, &CNoteView::SaveRequested, this, Save);
    connect(pView, &CNoteView::SaveAsRequested, this,
            [this, pView] { m_pFileCommands->OnSaveAs(pView->Document()); });
    return pView;
}

void CBlipnoteApp::ConnectMainFrame()
{
    CommandTable::Connect({*this, *m_pMainFrame, *m_pFileCommands, *m_pMailSender});
    CMainMenus& menus = m_pMainFrame->Menus();
    menus.SetRecentFiles(m_recentFiles.Paths());
    connect(&m_recentFiles, &CRecentFiles::Changed, &menus,
            [this, pMenus = &menus] { pMenus->SetRecentFiles(m_recentFiles.Paths()); });
    connect(menus.TrayMenu(), &QMenu::aboutToShow, this, &CBlipnoteApp::UpdateChecks);
    connect(m_pMainFrame.get(), &CMainFrame::MenusShown, this, &CBlipnoteApp::UpdateChecks);

    connect(m_pMainFrame.get(), &CMainFrame::GreetingDue, this, &CBlipnoteApp::ShowGreeting);
    connect(m_pMainFrame.get(), &CMainFrame::FilesDropped, this, [this](const QStringList& paths) {
        for (const QString& strPath : paths)
            m_pFileCommands->OpenNoteFile(strPath);
    });
    connect(m_pMainFrame.get(), &CMainFrame::Closing, this, [this] {
        Shutdown();
        Q_EMIT Finished();
    });
}

void CBlipnoteApp::UpdateChecks()
{
    CMainMenus& menus = m_pMainFrame->Menus();
    menus.Action(CMainMenus::AutoReply)->setChecked(m_autoReply.IsActive());
    menus.Action(CMainMenus::FingerDActive)->setChecked(m_settings.UseFingerD());
    menus.Action(CMainMenus::FingerQueries)->setEnabled(m_settings.UseFingerD());
}

void CBlipnoteApp::OnFingerDActive()
{
    m_pFingerSwitch->Toggle();
    UpdateChecks();
}

void CBlipnoteApp::OnFingerQueries()
{
    CFingerQueriesDlg dialog(m_fingerQueryLog, m_pMainFrame.get());
    dialog.exec();
}

void CBlipnoteApp::OnHistory()
{
    CHistoryRecorder* pRecorder = m_pHistory->Recorder();
    if (!pRecorder) {
        m_environment.prompts.ShowMessage(tr("There is no history to show: it could not be "
                                             "opened when Blipnote started."),
                                          PromptIcon::Information);
        return;
    }
    if (!m_pHistoryWindow) {
        m_pHistoryWindow = std::make_unique<CHistoryWindow>(
            *pRecorder, *m_pDocuments, m_environment.prompts, m_pMainFrame.get());
        PlaceOverMainWindow(*m_pHistoryWindow);
    }
    ShowInFront(*m_pHistoryWindow);
}

void CBlipnoteApp::PlaceOverMainWindow(QWidget& window) const
{
    // Over the main window, or amid the screen when that is hidden or tiny.
    const QRect main = m_pMainFrame->frameGeometry();
    const QPoint center = m_pMainFrame->isVisible() && main.width() > 200
                              ? main.center()
                              : m_pMainFrame->screen()->availableGeometry().center();
    window.move(center - window.rect().center());
}

void CBlipnoteApp::ShowInFront(QWidget& window)
{
    window.show();
    window.raise();
    window.activateWindow();
}

COutbox* CBlipnoteApp::Outbox() const
{
    return m_pOutbox ? m_pOutbox->Outbox() : nullptr;
}

void CBlipnoteApp::OnOutbox()
{
    COutbox* pOutbox = Outbox();
    if (!pOutbox) {
        m_environment.prompts.ShowMessage(tr("There is no outbox to show: the history it is kept "
                                             "in could not be opened when Blipnote started."),
                                          PromptIcon::Information);
        return;
    }
    if (!m_pOutboxWindow) {
        m_pOutboxWindow =
            std::make_unique<COutboxWindow>(*pOutbox, m_environment.prompts, m_pMainFrame.get());
        PlaceOverMainWindow(*m_pOutboxWindow);
    }
    ShowInFront(*m_pOutboxWindow);
}

void CBlipnoteApp::OnSeeker()
{
    if (!m_pSeeker) {
        m_pSeeker = std::make_unique<CSeekerDlg>(
            m_settings, m_hostBook.Hosts(), m_environment.prompts,
            [this](const QByteArray& strAddress) {
                if (CBlipnoteDoc* pDoc = m_pDocuments->NewNote(EDocKind::MessageOut))
                    pDoc->SetRecipientText(strAddress);
            },
            m_pMainFrame.get());
        // Port 0 (tests only) stands for the one our own finger server got.
        m_pSeeker->SetFingerPort(m_environment.nFingerPort != 0 ? m_environment.nFingerPort
                                                                : m_pFingerServer->ServerPort());
        m_pSeeker->move(m_pMainFrame->geometry().center() - m_pSeeker->rect().center());
        m_pSeeker->Rows().SetPresence(&m_hostPresence);
        // What the Seeker finds is known beside what the network announces.
        connect(&m_pSeeker->Seeker(), &CSeeker::RowReady, this, [this](const SeekRow::CRow& row) {
            if (row.eKind != SeekRow::EKind::Unknown)
                m_hostPresence.SeekResult(row.strAddress, row.eKind == SeekRow::EKind::Up);
        });
    }
    ShowInFront(*m_pSeeker);
}

void CBlipnoteApp::OnSetup()
{
    // The sheet is a child of the main window: should the main window end
    // while the sheet's loop runs (Exit chosen from the tray meanwhile), the
    // sheet goes with it, and the guarded pointer is then null.
    CDialogFontChooser fontChooser;
    QPointer<CPSheetSetup> pSheet(
        new CPSheetSetup({m_settings, m_hostBook, m_system, m_environment.bTrayAvailable,
                          m_environment.prompts, m_sounds, fontChooser,
                          m_environment.resolveLocalAddress, m_pAutostart.get(), &m_hostPresence},
                         m_pMainFrame.get()));
    pSheet->exec();
    delete pSheet.data();
    if (!m_settings.UseTrayArea() && m_environment.tray.IsShown()) {
        m_environment.tray.SetIcon(ITrayIcon::EIcon::None);
        // Without the icon a hidden window could not be brought back.
        if (m_pMainFrame->isHidden())
            m_pMainFrame->ShowAndRestore();
    }
    m_pFingerSwitch->FollowSettings();
    m_pPresence->FollowSettings();
    UpdateChecks();
}

void CBlipnoteApp::OnNew()
{
    m_pDocuments->NewNote(EDocKind::MessageOut);
}

void CBlipnoteApp::OnAutoReply()
{
    if (m_autoReply.IsActive()) {
        m_autoReply.End();
    } else if (const std::optional<QString> away = m_environment.prompts.AskMultilineText(
                   QStringLiteral("Auto-reply"), QStringLiteral("Auto-reply message"),
                   EditorText::LinesFromNote(m_settings.AwayMessage()))) {
        bool bLossless = true;
        const QByteArray strAway = EditorText::LinesToNote(*away, &bLossless);
        if (!bLossless) {
            m_environment.prompts.ShowMessage(
                CBlipnoteDoc::UnencodableMessage(EditorText::Unencodable(*away)), PromptIcon::Stop);
        } else {
            m_autoReply.Start(strAway);
        }
    }
    UpdateChecks();
}

void CBlipnoteApp::OnDeleteAll()
{
    m_pDocuments->CloseAll();
}

void CBlipnoteApp::OnExit()
{
    OnDeleteAll();
    if (m_hostBook.HasUnsavedChanges())
        m_hostBook.Save();
    m_settings.SetNoClose(false); // in memory only: the close below really ends the program
    m_pMainFrame->close();
}

void CBlipnoteApp::OnAbout()
{
    CAboutDialog dialog(m_pMainFrame.get());
    dialog.exec();
}

void CBlipnoteApp::StartSoundPathAtOwnSounds()
{
    // The old default folder, "c:\\", means nothing here: choosing a sound
    // starts at the program's own sounds instead.
    if (m_settings.SoundPath() != "c:\\" || m_sounds.Folder().isEmpty())
        return;
    bool bLossless = true;
    const QByteArray strFolder = CodePage::FromUnicode(m_sounds.Folder() + u'/', &bLossless);
    if (!bLossless)
        return;
    m_settings.SetSoundPath(strFolder);
    m_settings.Save(SettingsGroup::Preferences);
}

void CBlipnoteApp::OnHelp()
{
    auto* pHelp = new CHelpWindow(m_pMainFrame.get());
    pHelp->setAttribute(Qt::WA_DeleteOnClose);
    pHelp->show();
}

void CBlipnoteApp::OnPrintSetup()
{
    // The page set-up needs a printer of the system's to set up.
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        m_environment.prompts.ShowMessage(tr("There is no printer to set up."),
                                          PromptIcon::Information);
        return;
    }
    // The choice holds for the rest of the run: Print and Print Preview use it.
    QPageSetupDialog dialog(&Printer(), m_pMainFrame.get());
    dialog.exec();
}

void CBlipnoteApp::ShowGreeting()
{
    // The timer runs from the main window's start, and may fire inside a box
    // of the start-up: the greeting then waits until the settings are loaded.
    if (!m_bSettingsLoaded) {
        m_bGreetingWaits = true;
        return;
    }
    if (std::exchange(m_bGreetingDone, true) || m_settings.Greetings())
        return;
    const auto found =
        std::find_if(m_environment.greetingFiles.cbegin(), m_environment.greetingFiles.cend(),
                     [](const QString& strPath) { return QFileInfo(strPath).isFile(); });
    if (found == m_environment.greetingFiles.cend())
        return;
    QString strError;
    CBlipnoteDoc* pDoc = m_pDocuments->OpenDocumentFile(*found, &strError);
    if (!pDoc)
        return; // tried again at the next start
    if (CNoteView* pView = NoteViewOf(*pDoc))
        pView->Editor().InsertText(m_system.strUserName + " ", 6);
    m_environment.prompts.ShowMessage(CIncomingNotes::PriorityAlertText(), PromptIcon::Warning);
    m_settings.SetGreetings(true);
    m_settings.Save(SettingsGroup::Preferences);
}
