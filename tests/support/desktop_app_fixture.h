#pragma once

#include "core/interfaces/sound_player.h"
#include "core/settings/memory_settings_store.h"
#include "desktop/app/blipnote_app.h"
#include "desktop/app/tray_icon_interface.h"
#include "tests/support/event_log.h"
#include "tests/support/printers.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>

class CBlipnoteDoc;
class CMsgOutView;
class QMenu;

// A tray that remembers what it was asked to show.
class CFakeTray : public ITrayIcon
{
public:
    bool SetIcon(EIcon eIcon) override
    {
        m_eIcon = eIcon;
        return true;
    }
    void SetTip(const QString& strTip) override { m_strTip = strTip.left(63); }
    bool IsShown() const override { return m_eIcon != EIcon::None; }
    EIcon Icon() const override { return m_eIcon; }
    QString Tip() const override { return m_strTip; }
    void SetAttention(int nWaiting, const QString& strWaiting) override
    {
        m_strAttention = nWaiting > 0 ? strWaiting : QString();
    }
    QString Attention() const override { return m_strAttention; }

    EIcon m_eIcon = EIcon::None;
    QString m_strAttention;
    QString m_strTip = QStringLiteral("Blipnote - listening");
};

// A sound player that remembers what it played.
class CFakeSound : public ISoundPlayer
{
public:
    void Play(const QString& strFile) override { m_played.append(strFile); }
    QStringList m_played;
};

// The desktop program with its settings in memory and recorded prompts, and
// helpers that drive it as a user does: real key presses and mouse clicks on its
// real menus, notes from a real peer.
class CDesktopAppFixture : public ::testing::Test
{
public:
    // Runs act on the modal window that trigger opens and waits in (a dialog run
    // by its command), as a user would work it; act is to close it. False when no
    // modal window came.
    static bool OnModal(const std::function<void()>& trigger,
                        const std::function<void(QWidget&)>& act);

protected:
    // A store past its first run, with the note server on a free port.
    void Installed();
    bool Start(const CStartupRequest& request = {}, bool bTray = false);

    // Sends a note to the program's note server and waits until it is open.
    CBlipnoteDoc* Deliver(const QByteArray& strNote);
    int NoteWindows() const;
    // File / New, the recipient typed over the preselected one and the text
    // typed, as a user writes a note; its view, or nullptr.
    CMsgOutView* WriteNote(const QString& strTo, const QString& strText = QString());

    // Makes the main window the active one, as a click on it would.
    bool ActivateMainWindow();
    // Opens a menu of the menu bar by its mnemonic (Alt and the letter), as a
    // user does with the keyboard; the menu that opened, or nullptr.
    QMenu* OpenMenuByKey(Qt::Key eKey);
    // Opens a menu of the menu bar with a mouse click on its title.
    QMenu* OpenMenuByMouse(const QString& strTitle);
    // Clicks an enabled item of an open menu; false when it has none of that text.
    static bool ClickItem(QMenu& menu, const QString& strText);
    // Opens the menu with the mouse and chooses the item; the menu it was chosen
    // in must outlive the command.
    void Choose(const QString& strMenu, const QString& strItem);

    CMemorySettingsStore m_store;
    ISettingsStore* m_pStore = &m_store; // the store the program is started with
    CEventLog m_prompts;
    CFakeTray m_tray;
    CFakeSound m_sound;
    std::chrono::milliseconds m_greetingDelay = std::chrono::hours(1);
    QStringList m_greetingFiles;
    QString m_strSoundsFolder;     // none: the program's own sounds are not installed
    bool m_bUseSessionBus = false; // a private bus only: the test runs in dbus-run-session
    bool m_bUseSystemBus = false;  // the same: DBUS_SYSTEM_BUS_ADDRESS set by the test
    QString m_strAutostartFolder;  // none: the login start is not offered
    QString m_strHistoryPath;      // none: no history is kept
    // The finger port bound before the start (none: the finger server opens its own).
    CHeldPort* m_pFingerPort = nullptr;
    COutboxTuning m_outboxTuning; // how often the outbox tries its notes
    // Never the desktop's own mail program.
    QString m_strMailProgram = QStringLiteral("/nonexistent/mail-program");
    std::unique_ptr<CBlipnoteApp> m_pApp;
    bool m_bFinished = false;
};
