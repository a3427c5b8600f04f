#pragma once

#include <QHash>
#include <QObject>
#include <QStringList>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;
class QToolBar;

// The commands of the main window with their menu texts, shortcuts and status
// prompts, and the menus of the three menu bars built from them once: one while
// no note is open, one for an outgoing and one for an incoming note. Items that
// share a command share one action.
class CMainMenus : public QObject
{
    Q_OBJECT

public:
    enum ECommand
    {
        New = 57600,
        Open = 57601,
        Save = 57603,
        SaveAs = 57604,
        PrintSetup = 57606,
        Print = 57607,
        PrintPreview = 57609,
        MailSend = 57612,
        // The recent-file list; the first also stands for the empty list.
        RecentFile1 = 57616,
        RecentFile2 = 57617,
        RecentFile3 = 57618,
        RecentFile4 = 57619,
        Exit = 57665,
        AutoReply = 32780,
        Setup = 32777,
        Previous = 32771,
        Next = 32772,
        Delete = 32773,
        DeleteAll = 32787,
        Send = 32776,
        ChangeTitle = 32792,
        Reply = 32775,
        Cut = 57635,
        Copy = 57634,
        Paste = 57637,
        FingerQueries = 32784,
        FingerDActive = 32790,
        Seeker = 32795,
        History = 32801,
        Outbox = 32802,
        ChatWith = 32785,
        Toolbar = 59392,
        StatusBar = 59393,
        NewWindow = 57648,
        Cascade = 57650,
        Tile = 57651,
        ArrangeIcons = 57649,
        MinimizeAll = 32778,
        HelpTopics = 57667,
        About = 57664,
        Restore = 32781,
        // Keys only, in no menu.
        ContextHelp = 57669,
        NextPane = 57680,
        PreviousPane = 57681,
        Undo = 57643,
    };

    enum class EKind
    {
        NoNote,
        Outgoing,
        Incoming,
    };

    // The window whose menu bar shows the menus owns them.
    explicit CMainMenus(QWidget* pWindow);
    ~CMainMenus() override;

    QAction* Action(ECommand eCommand) const { return m_actions.value(eCommand); }
    // Puts the menus of that kind into the bar (nothing happens when they are
    // there already).
    void Show(QMenuBar& menuBar, EKind eKind);
    // The menus of every kind, for those who watch them.
    QList<QMenu*> AllMenus() const;
    // The Window menus (of the two kinds with a note).
    const QList<QMenu*>& WindowMenus() const { return m_windowMenus; }
    void FillToolBar(QToolBar& toolBar) const;
    // The commands that are keys only (context help, next and previous pane,
    // undo): the window takes them as its own.
    QList<QAction*> KeyOnlyActions() const;
    // The tray icon's menu: Restore, Auto reply, Exit.
    QMenu* TrayMenu() const { return m_pTrayMenu; }
    // Shows these files, newest first, in every File menu ("Recent File", greyed,
    // when there are none).
    void SetRecentFiles(const QStringList& paths);

Q_SIGNALS:
    // An entry of the recent-file list was chosen.
    void RecentFileChosen(const QString& strPath);

private:
    QAction* Add(ECommand eCommand, const QString& strText, const QString& strPrompt,
                 const QList<QKeySequence>& shortcuts = {});
    QList<QMenu*> BuildMenus(EKind eKind);

    QHash<int, QAction*> m_actions;
    QStringList m_recentPaths;
    QMenu* m_pTrayMenu;
    QList<QMenu*> m_menus[3]; // by kind
    QList<QMenu*> m_windowMenus;
    EKind m_eShown = EKind::NoNote;
};
