#pragma once

#include "core/interfaces/settings_store.h"

#include <QHash>
#include <QObject>
#include <QSettings>

// The settings store as an INI file that people can read and edit: sections in
// brackets, one "name=value" per line, texts in UTF-8 with line breaks written as
// "\n". Every change is written to a temporary file that then replaces the old
// one, so the file is never left half-written. A missing, unreadable or garbled
// file reads as empty: every value takes its default. Changes are written once
// the event loop turns; when they cannot be (a full disk), they are kept in
// memory and tried again with the next change, and the failure is logged and
// told once through the write-failure handler.
class CFileSettingsStore : public ISettingsStore
{
public:
    explicit CFileSettingsStore(const QString& strPath);
    ~CFileSettingsStore() override;

    // $XDG_CONFIG_HOME/Tessaro/Blipnote.conf (~/.config when it is not set).
    static QString DefaultPath();
    // Why the file at the path cannot hold the settings, or nothing when it can:
    // something there that is no regular file (a FIFO would stall the reading, a
    // device would be replaced by the first save). Such a store keeps its
    // values in memory only.
    static QString WhyUnusable(const QString& strPath);

    std::optional<int> ReadInt(const QString& strSection, const QString& strName) const override;
    std::optional<QByteArray> ReadText(const QString& strSection,
                                       const QString& strName) const override;
    void WriteInt(const QString& strSection, const QString& strName, int nValue) override;
    void WriteText(const QString& strSection, const QString& strName,
                   const QByteArray& strValue) override;
    std::optional<QString> ReadPath(const QString& strSection,
                                    const QString& strName) const override;
    void WritePath(const QString& strSection, const QString& strName,
                   const QString& strPath) override;
    void DeleteValue(const QString& strSection, const QString& strName) override;
    void DeleteSection(const QString& strSection) override;
    void SetWriteFailureHandler(WriteFailureHandler handler) override;

    using ISettingsStore::ReadInt;
    using ISettingsStore::ReadText;

    // Writes pending changes now (they are written on destruction anyway).
    void Sync();

private:
    static QString Key(const QString& strSection, const QString& strName);
    void QueueSync();

    mutable QSettings m_settings;
    // Texts read with characters the code page cannot hold, as the program got
    // them ("?" for each): writing one back unchanged keeps the original.
    mutable QHash<QString, QByteArray> m_lossyReads;
    bool m_bReadFailed = false; // QSettings keeps an error once it had one
    bool m_bWriteFailed = false;
    WriteFailureHandler m_writeFailureHandler;
    bool m_bSyncQueued = false;
    QObject m_syncContext; // a queued sync goes with the store
};
