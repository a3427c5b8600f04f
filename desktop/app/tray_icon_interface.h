#pragma once

#include <QString>

// The program's icon in the system tray. The desktop program uses the system's
// tray; tests use a double that remembers what was asked of it.
class ITrayIcon
{
public:
    // The tray icons: the program listening, and a new note arrived.
    enum class EIcon
    {
        None = 0,
        Listening = 131,
        NewMail = 132,
    };

    virtual ~ITrayIcon() = default;
    // Shows the icon (as a new tray icon or in place of the one shown), or with
    // None removes it. Returns whether the tray took the request.
    virtual bool SetIcon(EIcon eIcon) = 0;
    // The tip, cut to 63 characters; shown at once when an icon is.
    virtual void SetTip(const QString& strTip) = 0;
    virtual bool IsShown() const = 0;
    virtual EIcon Icon() const = 0;
    virtual QString Tip() const = 0;

    // Beside the icon and tip above, which it leaves as they are: while notes
    // wait unread the tray asks for attention (shown even when no icon is),
    // with their number on the icon and strWaiting under the tip; 0 when none
    // wait.
    virtual void SetAttention(int nWaiting, const QString& strWaiting) = 0;
    virtual QString Attention() const = 0;
};
