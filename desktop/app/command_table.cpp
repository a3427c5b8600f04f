#include "desktop/app/command_table.h"

#include "desktop/app/blipnote_app.h"
#include "desktop/app/child_frame.h"
#include "desktop/app/file_commands.h"
#include "desktop/app/mail_sender.h"
#include "desktop/app/main_frame.h"
#include "desktop/views/msg_in_view.h"
#include "desktop/views/msg_out_view.h"
#include "desktop/views/rich_text_ctrl.h"

#include <QAction>
#include <QStatusBar>
#include <QToolBar>
#include <QWhatsThis>

#include <functional>

namespace {
struct CCommandRow
{
    CMainMenus::ECommand eCommand;
    std::function<void()> handler;
};

// A command of the active note window: nothing happens while none is open, nor
// when the active one is not of the view type the command is for.
template <typename TView>
std::function<void()> OnNote(CMainFrame* pFrame, std::function<void(TView&)> handler)
{
    return [pFrame, handler] {
        const CChildFrame* pChild = pFrame->ActiveNoteWindow();
        if (auto* pView = pChild ? qobject_cast<TView*>(pChild->View()) : nullptr)
            handler(*pView);
    };
}
} // namespace

void CommandTable::Connect(const CCommandTargets& targets)
{
    CBlipnoteApp* pApp = &targets.app;
    CMainFrame* pFrame = &targets.frame;
    CFileCommands* pFiles = &targets.files;
    CMailSender* pMail = &targets.mail;
    const auto OnView = [pFrame](std::function<void(CNoteView&)> handler) {
        return OnNote<CNoteView>(pFrame, std::move(handler));
    };
    const CCommandRow rows[] = {
        // File
        {CMainMenus::New, [pApp] { pApp->OnNew(); }},
        {CMainMenus::Open,
         [pFiles, pFrame] {
             const CChildFrame* pActive = pFrame->ActiveNoteWindow();
             pFiles->OnOpen(pActive ? pActive->View()->Document() : nullptr);
         }},
        {CMainMenus::Save, OnView([pFiles](CNoteView& view) { pFiles->OnSave(view.Document()); })},
        {CMainMenus::SaveAs,
         OnView([pFiles](CNoteView& view) { pFiles->OnSaveAs(view.Document()); })},
        {CMainMenus::PrintSetup, [pApp] { pApp->OnPrintSetup(); }},
        {CMainMenus::Print, OnView([](CNoteView& view) { view.Print(); })},
        {CMainMenus::PrintPreview, OnView([](CNoteView& view) { view.PrintPreview(); })},
        {CMainMenus::MailSend, OnView([pMail](CNoteView& view) { pMail->Send(*view.Document()); })},
        {CMainMenus::AutoReply, [pApp] { pApp->OnAutoReply(); }},
        {CMainMenus::Setup, [pApp] { pApp->OnSetup(); }},
        {CMainMenus::DeleteAll, [pApp] { pApp->OnDeleteAll(); }},
        {CMainMenus::Exit, [pApp] { pApp->OnExit(); }},
        // Message
        {CMainMenus::Send, OnNote<CMsgOutView>(pFrame, [](CMsgOutView& view) { view.Send(); })},
        {CMainMenus::ChangeTitle,
         OnNote<CMsgOutView>(pFrame, [](CMsgOutView& view) { view.ChangeTitle(); })},
        {CMainMenus::Reply, OnNote<CMsgInView>(pFrame, [](CMsgInView& view) { view.Reply(); })},
        // Edit, and the keys that are in no menu
        {CMainMenus::Cut, OnView([](CNoteView& view) { view.Cut(); })},
        {CMainMenus::Copy, OnView([](CNoteView& view) { view.Copy(); })},
        {CMainMenus::Paste, OnView([](CNoteView& view) { view.Paste(); })},
        {CMainMenus::Undo, OnView([](CNoteView& view) { view.Editor().undo(); })},
        {CMainMenus::NextPane, OnView([](CNoteView& view) { view.MoveFocus(true); })},
        {CMainMenus::PreviousPane, OnView([](CNoteView& view) { view.MoveFocus(false); })},
        {CMainMenus::ContextHelp, [] { QWhatsThis::enterWhatsThisMode(); }},
        // Finger
        {CMainMenus::FingerQueries, [pApp] { pApp->OnFingerQueries(); }},
        {CMainMenus::FingerDActive, [pApp] { pApp->OnFingerDActive(); }},
        {CMainMenus::Seeker, [pApp] { pApp->OnSeeker(); }},
        {CMainMenus::History, [pApp] { pApp->OnHistory(); }},
        {CMainMenus::Outbox, [pApp] { pApp->OnOutbox(); }},
        // Window: the main window's own
        {CMainMenus::Next, [pFrame] { pFrame->ActivateNextNoteWindow(); }},
        // Previous goes the same way round as Next.
        {CMainMenus::Previous, [pFrame] { pFrame->ActivateNextNoteWindow(); }},
        {CMainMenus::Cascade, [pFrame] { pFrame->CascadeNoteWindows(); }},
        {CMainMenus::Tile, [pFrame] { pFrame->TileNoteWindows(); }},
        {CMainMenus::MinimizeAll, [pFrame] { pFrame->MinimizeAll(); }},
        {CMainMenus::ArrangeIcons, [pFrame] { pFrame->ArrangeIcons(); }},
        {CMainMenus::Restore, [pFrame] { pFrame->ShowAndRestore(); }},
        {CMainMenus::Delete,
         [pFrame] {
             if (CChildFrame* pChild = pFrame->ActiveNoteWindow())
                 pChild->close();
         }},
        // Help
        {CMainMenus::HelpTopics, [pApp] { pApp->OnHelp(); }},
        {CMainMenus::About, [pApp] { pApp->OnAbout(); }},
    };
    CMainMenus& menus = pFrame->Menus();
    for (const CCommandRow& row : rows)
        QObject::connect(menus.Action(row.eCommand), &QAction::triggered, pFrame, row.handler);
    // The switches follow their check mark, however it changes.
    QObject::connect(menus.Action(CMainMenus::Toolbar), &QAction::toggled, &pFrame->ToolBar(),
                     &QWidget::setVisible);
    QObject::connect(menus.Action(CMainMenus::StatusBar), &QAction::toggled, pFrame->statusBar(),
                     &QWidget::setVisible);
    QObject::connect(&menus, &CMainMenus::RecentFileChosen, pFrame,
                     [pFiles](const QString& strPath) { pFiles->OpenRecentFile(strPath); });
    // Not there: chat, which nothing answers, and a second window on one note,
    // which the note views do not offer.
    for (const CMainMenus::ECommand eCommand : {CMainMenus::ChatWith, CMainMenus::NewWindow})
        menus.Action(eCommand)->setEnabled(false);
}
