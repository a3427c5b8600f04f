#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

#include <chrono>

// The file the history is kept in: an SQLite database of the user's own, in
// the user's data folder. Opening it makes the file (mode 0600, its folder
// 0700) and its tables, brings an older schema up to date, and moves a file
// that is no database, is damaged or was written by a newer version aside, so
// that a new one can begin and the old one is there to rescue.
class CHistoryDatabase
{
public:
    // The schema this version writes; each version's changes are steps from the
    // one before, so a file of any older version is brought up to date.
    static constexpr int SchemaVersion = 2;
    // How long a write waits for another process (the desktop program and
    // "blipnote-cli listen --history" keep the same file) before it fails.
    static constexpr std::chrono::milliseconds BusyTimeout = std::chrono::seconds(2);

    // $XDG_DATA_HOME/Tessaro/Blipnote/history.db, for both programs.
    static QString DefaultPath();

    explicit CHistoryDatabase(QString strPath);
    ~CHistoryDatabase();
    CHistoryDatabase(const CHistoryDatabase&) = delete;
    CHistoryDatabase& operator=(const CHistoryDatabase&) = delete;

    // Opens the file, moving an unusable one aside first. False, with the reason
    // in *pstrError, when no database can be used there at all; *pstrNotice
    // tells when a file was moved aside (and where), else it stays empty.
    bool Open(QString* pstrNotice, QString* pstrError);

    // The file was found damaged while in use: moves it aside and begins a new
    // one, as Open does.
    bool StartAnewDamaged(const QString& strWhat, QString* pstrNotice, QString* pstrError);
    // Whether an error of SQLite says the file is no database or is damaged.
    static bool IsDamageError(const QSqlError& error);

    const QString& Path() const { return m_strPath; }
    QSqlDatabase Connection() const;

private:
    enum class EState
    {
        Ready,
        Damaged, // not a database, or damaged: moved aside
        Newer,   // of a newer schema: moved aside
        Failed,  // cannot be opened or written for another reason
    };
    EState TryOpen(QString& strReason);
    bool StartAnew(const QString& strKind, const QString& strReason, QString* pstrNotice,
                   QString* pstrError);
    bool Ready(EState eState, const QString& strReason, QString* pstrError);
    bool Migrate(int nFrom, QString& strReason);
    void Close();
    // Renames the file (and its log) to PATH.KIND-TIME; the new name, or empty.
    QString MoveAside(const QString& strKind, QString& strError);

    QString m_strPath;
    QString m_strConnection;
};
