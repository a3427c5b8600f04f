#pragma once

#include "core/interfaces/status_sink.h"
#include "desktop/app/main_menus.h"

#include <QMainWindow>
#include <QTimer>

#include <chrono>

class CAppSettings;
class CChildFrame;
class CNoteView;
class IPrompts;
class ITrayIcon;
class QLabel;
class QMdiArea;
class QToolBar;

// The main window: the note windows in its client area, the toolbar, the status
// bar with the listening and sending panes, and the tray icon. It decides what
// closing and minimising mean ("No Close", "Use TrayArea"), restores and stores
// its placement, and once, a while after it was created, asks for the greeting.
class CMainFrame : public QMainWindow, public IStatusSink
{
    Q_OBJECT

public:
    // bTrayAvailable: whether the desktop has a tray to minimise to.
    CMainFrame(CAppSettings& settings, ITrayIcon& tray, bool bTrayAvailable, IPrompts& prompts,
               std::chrono::milliseconds greetingDelay, QWidget* pParent = nullptr);

    // From any thread: the pane shows the text as soon as the window gets to it.
    void PostStatusText(StatusPane ePane, const QString& strText) override;
    QString StatusText(StatusPane ePane) const;
    // The note server could not start: the listening pane's tooltip says why
    // and what to do, and the tray's tip that no notes come in.
    // Presence cannot be known (""): said in the status bar's tooltip, not in a box.
    void ShowPresenceUnavailable(const QString& strWhy);
    void ShowNotReceiving(const QString& strWhy);
    // The tip of the tray icon while it shows no new note.
    static QString ListeningTip() { return QStringLiteral("Blipnote - listening"); }
    static QString NotReceivingTip() { return QStringLiteral("Blipnote - not receiving notes"); }
    // A note in the status bar's message pane that stays: a menu item's hint
    // shows over it only while the pointer is on that item.
    void ShowStatusNote(const QString& strText);
    QString StatusNote() const;

    CMainMenus& Menus() const { return *m_pMenus; }
    CChildFrame* AddNoteWindow(CNoteView* pView);
    QList<CChildFrame*> NoteWindows() const;
    CChildFrame* ActiveNoteWindow() const;

    // Shows the window and brings it back from minimised or hidden.
    void ShowAndRestore();
    // The same, with that note window active and in front.
    void ShowNoteWindow(CChildFrame* pFrame);
    // A start that keeps the window out of the way: in the tray, or minimised
    // on a desktop without one.
    void StartHidden();
    void CenterOnScreen();
    void MinimizeAll();
    // Puts the minimised note windows in rows along the bottom of the window.
    void ArrangeIcons();
    void ActivateNextNoteWindow();
    void CascadeNoteWindows();
    void TileNoteWindows();
    QToolBar& ToolBar() const { return *m_pToolBar; }

Q_SIGNALS:
    void GreetingDue();
    // A menu of the menu bar is about to show: check marks may need updating.
    void MenusShown();
    void FilesDropped(const QStringList& paths);
    // Another note window became the active one.
    void NoteWindowActivated();
    // The window really closes: the notes are to be closed.
    void Closing();

protected:
    bool event(QEvent* pEvent) override;
    void closeEvent(QCloseEvent* pEvent) override;
    void changeEvent(QEvent* pEvent) override;
    void dragEnterEvent(QDragEnterEvent* pEvent) override;
    void dropEvent(QDropEvent* pEvent) override;

private:
    bool UsesTray() const;
    void GoToTray();
    void UpdateMenus();
    void UpdateCaption();
    void RestorePlacement();

    CAppSettings& m_settings;
    bool m_bTrayAvailable;
    ITrayIcon& m_tray;
    IPrompts& m_prompts;
    QMdiArea* m_pClientArea;
    CMainMenus* m_pMenus;
    QToolBar* m_pToolBar;
    QLabel* m_pListening;
    QLabel* m_pSending;
    QTimer m_greetingTimer;
    QString m_strStatusNote;
    QString m_strTrayTip = ListeningTip();
};
