#pragma once

#include <QByteArray>
#include <QWidget>

#include <functional>

class CAppSettings;
class CAutostartEntry;
class CHostPresence;
class CHostBook;
class IFontChooser;
class IPrompts;
class ISoundPlayer;
namespace SystemInfo {
struct CSystemInfo;
}

// What the pages of the setup sheet work with.
struct CSetupContext
{
    // Looks up this computer's address without blocking: gives done the address
    // text, unless the receiver is gone by then.
    using CResolve =
        std::function<void(QObject* pReceiver, std::function<void(const QByteArray&)> done)>;

    CAppSettings& settings;
    CHostBook& hosts;
    SystemInfo::CSystemInfo& system;
    bool bTrayAvailable;
    IPrompts& prompts;
    ISoundPlayer& sound;
    IFontChooser& fontChooser;
    CResolve resolveLocalAddress;
    // The login start the Preferences page switches; none: no such box.
    const CAutostartEntry* pAutostart = nullptr;
    // Who is up, shown on the Hosts page; none: nothing is shown.
    const CHostPresence* pPresence = nullptr;
};

// A page of the setup sheet. It is made the first time its tab is shown, takes
// its values from the settings then, and writes them back, saving its own group,
// each time it is applied.
class CSetupPage : public QWidget
{
    Q_OBJECT

public:
    using QWidget::QWidget;

    // Whether the controls hold what can be kept; when not, the page has told the
    // user why and the sheet applies nothing.
    virtual bool CanApply() { return true; }
    virtual void Apply() = 0;

Q_SIGNALS:
    // The user worked a control: Apply becomes possible.
    void Changed();

protected:
    // Tab goes through the controls in this order.
    static void ChainTabOrder(const QList<QWidget*>& controls)
    {
        for (qsizetype n = 1; n < controls.size(); ++n)
            setTabOrder(controls[n - 1], controls[n]);
    }
};
