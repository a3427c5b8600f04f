#pragma once

#include <QString>

// The entry that starts Blipnote when the user logs in: blipnote.desktop in the
// desktop's autostart folder ($XDG_CONFIG_HOME/autostart, else
// ~/.config/autostart), starting the program in the tray.
class CAutostartEntry
{
public:
    // strProgram: the program to start, as an absolute path.
    explicit CAutostartEntry(QString strProgram, QString strFolder = DefaultFolder());

    static QString DefaultFolder();
    QString Path() const;
    // Whether the entry is there and not switched off (Hidden=true, or the
    // desktop's own off switch).
    bool IsOn() const;
    // Writes or removes the entry; false with *pstrError saying why.
    bool Set(bool bOn, QString* pstrError) const;
    // What the entry holds.
    QString Contents() const;

private:
    QString m_strProgram;
    QString m_strFolder;
};
