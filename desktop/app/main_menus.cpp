#include "desktop/app/main_menus.h"

#include "core/settings/recent_files.h"
#include "desktop/app/menu_text.h"
#include "desktop/resources/lazy_icon_engine.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QToolBar>

#include <algorithm>

namespace {

constexpr int kRecentFiles = CRecentFiles::MaxFiles;
static_assert(CMainMenus::RecentFile4 - CMainMenus::RecentFile1 + 1 == kRecentFiles);
constexpr qsizetype kRecentTextLength = 60;

// A recent file as its menu entry shows it: the home folder as "~", a long path
// shortened in the middle, every character as itself.
QString RecentFileText(const QString& strPath)
{
    QString strText = QDir::toNativeSeparators(strPath);
    const QString strHome = QDir::homePath();
    if (strHome != QStringLiteral("/") && strText.startsWith(strHome + QLatin1Char('/')))
        strText = QLatin1Char('~') + strText.mid(strHome.size());
    if (strText.size() > kRecentTextLength) {
        // The file's name stays whole as far as it can; the folders give way.
        const qsizetype nName = strText.size() - strText.lastIndexOf(QLatin1Char('/'));
        const qsizetype nTail =
            std::clamp<qsizetype>(nName, kRecentTextLength * 2 / 3, kRecentTextLength - 8);
        QString strTail = strText.right(nTail);
        QString strHead = strText.left(kRecentTextLength - nTail - 1);
        // Never half a character outside the basic plane.
        if (strHead.back().isHighSurrogate())
            strHead.chop(1);
        if (strTail.front().isLowSurrogate())
            strTail.remove(0, 1);
        strText = strHead + QChar(0x2026) + strTail;
    }
    return LiteralMenuText(strText);
}

} // namespace

CMainMenus::CMainMenus(QWidget* pWindow) : QObject(pWindow), m_pTrayMenu(new QMenu)
{
    const auto Keys = [](const char* pszKeys) {
        return QList<QKeySequence>{QKeySequence(QString::fromLatin1(pszKeys))};
    };
    Add(New, tr("&New"), tr("Create a new message\nNew"), Keys("Ctrl+N"));
    Add(Open, tr("&Open ..."), tr("Open an existing message\nOpen"), Keys("Ctrl+O"));
    Add(Save, tr("&Save"), tr("Save the active message\nSave"));
    Add(SaveAs, tr("Save &As ..."), tr("Save the active message with a new name\nSave As"));
    Add(PrintSetup, tr("Print setup ..."),
        tr("Change the printer and printing options\nPrint Setup"));
    Add(Print, tr("&Print ..."), tr("Print the active message\nPrint"), Keys("Ctrl+P"));
    Add(PrintPreview, tr("Print Previe&w"), tr("Display full pages\nPrint Preview"));
    Add(MailSend, tr("&Mapi Send..."), tr("Send the active message through electronic mail\nSend"));
    for (int n = 0; n < kRecentFiles; ++n) {
        QAction* pRecent = Add(static_cast<ECommand>(RecentFile1 + n), QString(), QString());
        connect(pRecent, &QAction::triggered, this, [this, n] {
            if (n < m_recentPaths.size())
                Q_EMIT RecentFileChosen(m_recentPaths[n]);
        });
    }
    SetRecentFiles({});
    Add(Exit, tr("E&xit"), tr("Quit the application; prompts to save documents\nExit"));
    Add(AutoReply, tr("Au&to reply"), tr("Auto-reply with custom message\nAuto reply"))
        ->setCheckable(true);
    Add(Setup, tr("Se&tup ..."), tr("Setup Blipnote \nSetup"));
    Add(Previous, tr("&Previous"), tr("Activate the previous message\nPrevious"),
        Keys("Ctrl+Shift+Tab"));
    Add(Next, tr("&Next"), tr("Activate the next message\nNext"), Keys("Ctrl+Tab"));
    Add(Delete, tr("&Delete"), tr("Close the active message\nDelete"), Keys("Ctrl+Del"));
    Add(DeleteAll, tr("Delete &All"), QString(), Keys("Alt+Del"));
    Add(Send, tr("&Send"), tr("Send the message\nSend"), Keys("Ctrl+S"));
    Add(ChangeTitle, tr("&Change Title ..."), tr("Change the title of the message\nTitle"),
        Keys("Ctrl+T"));
    Add(Reply, tr("&Reply"), tr("Reply to the message\nReply"), Keys("Ctrl+R"));
    Add(Cut, tr("Cu&t"), tr("Cut the selection and put it on the Clipboard\nCut"),
        {QKeySequence(QStringLiteral("Ctrl+X")), QKeySequence(QStringLiteral("Shift+Del"))});
    Add(Copy, tr("&Copy"), tr("Copy the selection and put it on the Clipboard\nCopy"),
        {QKeySequence(QStringLiteral("Ctrl+C")), QKeySequence(QStringLiteral("Ctrl+Ins"))});
    Add(Paste, tr("&Paste"), tr("Insert Clipboard contents\nPaste"),
        {QKeySequence(QStringLiteral("Ctrl+V")), QKeySequence(QStringLiteral("Shift+Ins"))});
    Add(FingerQueries, tr("&Finger Queries ..."),
        tr("Display incame finger queries in dialog\nfingerq"));
    Add(FingerDActive, tr("FingerD active"), tr("Use fingerdaemon\nFingerD active"))
        ->setCheckable(true);
    Add(Seeker, tr("Seeker ..."), tr("Seeks status from range of IP-addresses\nseeker"));
    Add(History, tr("&History ..."), tr("Shows the notes kept, and finds them\nhistory"),
        Keys("Ctrl+H"));
    Add(Outbox, tr("&Outbox ..."),
        tr("Shows the notes waiting for their hosts, and sends or cancels them\noutbox"));
    Add(ChatWith, tr("Chat with ..."), tr("Opens chat-window\nchat"))->setEnabled(false);
    Add(Toolbar, tr("&Toolbar"), tr("Show or hide the toolbar\nToggle ToolBar"))
        ->setCheckable(true);
    Add(StatusBar, tr("&Status Bar"), tr("Show or hide the status bar\nToggle StatusBar"))
        ->setCheckable(true);
    Add(NewWindow, tr("&New Window"), tr("Open another window for the active message\nNew Window"));
    Add(Cascade, tr("&Cascade"), tr("Arrange windows so they overlap\nCascade Windows"));
    Add(Tile, tr("&Tile"), tr("Arrange windows as non-overlapping tiles\nTile Windows"));
    Add(ArrangeIcons, tr("&Arrange Icons"),
        tr("Arrange icons at the bottom of the window\nArrange Icons"));
    Add(MinimizeAll, tr("&Minimize All"), tr("Minimize all message windows\nMinimize All"));
    Add(HelpTopics, tr("&Help Topics"), tr("List Help topics\nHelp Topics"), Keys("F1"));
    Add(About, tr("&About Blipnote ..."),
        tr("Display program information, version number and copyright\nAbout"));
    Add(Restore, tr("&Restore"), tr("Restore the window\nRestore"));
    Add(ContextHelp, tr("Help"), tr("Display help for clicked on buttons, menus and windows\nHelp"),
        Keys("Shift+F1"));
    Add(NextPane, tr("Next Pane"), tr("Switch to the next window pane\nNext Pane"), Keys("F6"));
    Add(PreviousPane, tr("Previous Pane"),
        tr("Switch back to the previous window pane\nPrevious Pane"), Keys("Shift+F6"));
    Add(Undo, tr("&Undo"), tr("Undo the last action\nUndo"),
        {QKeySequence(QStringLiteral("Ctrl+Z")), QKeySequence(QStringLiteral("Alt+Backspace"))});

    // The style's pictures are read when the toolbar is first drawn, not while
    // the program starts.
    for (const auto& [eCommand, eIcon] :
         {std::pair{New, QStyle::SP_FileIcon}, std::pair{Open, QStyle::SP_DialogOpenButton},
          std::pair{Save, QStyle::SP_DialogSaveButton}, std::pair{Send, QStyle::SP_ArrowForward},
          std::pair{Reply, QStyle::SP_ArrowBack},
          std::pair{About, QStyle::SP_MessageBoxInformation}}) {
        Action(eCommand)->setIcon(
            CLazyIconEngine::Icon([eIcon] { return QApplication::style()->standardIcon(eIcon); }));
    }

    m_pTrayMenu->addAction(Action(Restore));
    m_pTrayMenu->addAction(Action(AutoReply));
    m_pTrayMenu->addSeparator();
    m_pTrayMenu->addAction(Action(Exit));
    for (const EKind eKind : {EKind::NoNote, EKind::Outgoing, EKind::Incoming})
        m_menus[static_cast<int>(eKind)] = BuildMenus(eKind);
}

CMainMenus::~CMainMenus()
{
    // Later, in case this ends from inside the tray menu's own command.
    m_pTrayMenu->deleteLater();
}

QAction* CMainMenus::Add(ECommand eCommand, const QString& strText, const QString& strPrompt,
                         const QList<QKeySequence>& shortcuts)
{
    auto* pAction = new QAction(strText, this);
    pAction->setShortcuts(shortcuts);
    pAction->setStatusTip(strPrompt.section(QLatin1Char('\n'), 0, 0));
    pAction->setToolTip(strPrompt.section(QLatin1Char('\n'), 1, 1));
    m_actions.insert(eCommand, pAction);
    return pAction;
}

QList<QMenu*> CMainMenus::BuildMenus(EKind eKind)
{
    const bool bNote = eKind != EKind::NoNote;
    QList<QMenu*> menus;
    // The menus belong to the window of the bar, and live as long as it does.
    QWidget* pWindow = qobject_cast<QWidget*>(parent());
    const auto Menu = [&menus, pWindow](const QString& strTitle) {
        menus.append(new QMenu(strTitle, pWindow));
        return menus.last();
    };

    QMenu* pFile = Menu(tr("&File"));
    pFile->addActions({Action(New), Action(Open)});
    if (bNote)
        pFile->addActions({Action(Save), Action(SaveAs)});
    pFile->addSeparator();
    pFile->addActions({Action(AutoReply), Action(Setup)});
    pFile->addSeparator();
    if (bNote) {
        pFile->addActions({Action(Print), Action(PrintPreview), Action(PrintSetup)});
        pFile->addSeparator();
        pFile->addAction(Action(MailSend));
        pFile->addSeparator();
    }
    for (int n = 0; n < kRecentFiles; ++n)
        pFile->addAction(Action(static_cast<ECommand>(RecentFile1 + n)));
    pFile->addSeparator();
    pFile->addAction(Action(Exit));

    if (bNote) {
        QMenu* pMessage = Menu(tr("&Message"));
        pMessage->addActions({Action(Previous), Action(Next)});
        pMessage->addSeparator();
        pMessage->addActions({Action(Delete), Action(DeleteAll)});
        pMessage->addSeparator();
        if (eKind == EKind::Outgoing)
            pMessage->addActions({Action(Send), Action(ChangeTitle)});
        else
            pMessage->addAction(Action(Reply));
    }

    Menu(tr("&Utils"))
        ->addActions({Action(FingerQueries), Action(FingerDActive), Action(Seeker), Action(History),
                      Action(Outbox), Action(ChatWith)});

    if (bNote) {
        QMenu* pEdit = Menu(tr("&Edit"));
        pEdit->addActions({Action(Cut), Action(Copy)});
        if (eKind == EKind::Outgoing)
            pEdit->addAction(Action(Paste));
    }

    Menu(tr("&View"))->addActions({Action(Toolbar), Action(StatusBar)});

    if (bNote) {
        QMenu* pWindowMenu = Menu(tr("&Window"));
        pWindowMenu->addActions({Action(NewWindow), Action(Cascade), Action(Tile),
                                 Action(ArrangeIcons), Action(MinimizeAll)});
        m_windowMenus.append(pWindowMenu);
    }

    QMenu* pHelp = Menu(tr("&Help"));
    pHelp->addAction(Action(HelpTopics));
    pHelp->addSeparator();
    pHelp->addAction(Action(About));
    return menus;
}

void CMainMenus::SetRecentFiles(const QStringList& paths)
{
    m_recentPaths = paths.first(std::min<qsizetype>(paths.size(), kRecentFiles));
    for (int n = 0; n < kRecentFiles; ++n) {
        QAction* pAction = Action(static_cast<ECommand>(RecentFile1 + n));
        const bool bFile = n < m_recentPaths.size();
        pAction->setVisible(bFile || n == 0);
        pAction->setEnabled(bFile);
        pAction->setText(
            bFile ? QStringLiteral("&%1 %2").arg(n + 1).arg(RecentFileText(m_recentPaths[n]))
                  : tr("Recent File"));
        pAction->setStatusTip(bFile ? m_recentPaths[n] : QString());
    }
}

void CMainMenus::Show(QMenuBar& menuBar, EKind eKind)
{
    if (m_eShown == eKind && !menuBar.actions().isEmpty())
        return;
    // Only the menus' entries leave the bar: the menus themselves stay, so a
    // command may switch the bar from inside the menu it was chosen in.
    menuBar.clear();
    for (QMenu* pMenu : m_menus[static_cast<int>(eKind)])
        menuBar.addMenu(pMenu);
    m_eShown = eKind;
}

QList<QMenu*> CMainMenus::AllMenus() const
{
    QList<QMenu*> all;
    for (const QList<QMenu*>& menus : m_menus)
        all += menus;
    return all;
}

QList<QAction*> CMainMenus::KeyOnlyActions() const
{
    return {Action(ContextHelp), Action(NextPane), Action(PreviousPane), Action(Undo)};
}

void CMainMenus::FillToolBar(QToolBar& toolBar) const
{
    toolBar.addActions({Action(New), Action(Open), Action(Save)});
    toolBar.addSeparator();
    toolBar.addActions({Action(Send), Action(Reply)});
    toolBar.addSeparator();
    toolBar.addAction(Action(About));
}
