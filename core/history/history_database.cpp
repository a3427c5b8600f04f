#include "core/history/history_database.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// The schema, step by step: step n brings version n to version n+1.
const std::vector<std::vector<const char*>> kSteps = {
    // Version 1. Texts a person reads or searches are kept as Unicode (the code
    // page converts losslessly both ways), addresses and the received bytes as
    // they were. The text index is filled behind the notes (up to "indexed"),
    // so that recording a note costs one small write.
    {
        "CREATE TABLE notes("
        " id INTEGER PRIMARY KEY, time INTEGER NOT NULL, direction INTEGER NOT NULL,"
        " origin INTEGER NOT NULL, host BLOB NOT NULL, nickname TEXT NOT NULL,"
        " subject TEXT NOT NULL, body TEXT NOT NULL, system TEXT NOT NULL,"
        " priority INTEGER NOT NULL, note_time BLOB NOT NULL, raw BLOB NOT NULL,"
        " bytes INTEGER NOT NULL, file TEXT NOT NULL)",
        "CREATE INDEX notes_file ON notes(file) WHERE origin = 1",
        "CREATE TABLE recipients("
        " note_id INTEGER NOT NULL, seq INTEGER NOT NULL, address BLOB NOT NULL,"
        " result INTEGER NOT NULL, sent INTEGER NOT NULL, acknowledged INTEGER NOT NULL,"
        " PRIMARY KEY(note_id, seq)) WITHOUT ROWID",
        "CREATE INDEX recipients_address ON recipients(address)",
        "CREATE TABLE state(key TEXT PRIMARY KEY, value INTEGER NOT NULL) WITHOUT ROWID",
        "INSERT INTO state VALUES('indexed', 0)",
        // Words are looked up as typed, the last also by its first letters:
        // those of three letters have an index of their own.
        "CREATE VIRTUAL TABLE notes_text USING fts5("
        " nickname, subject, body, content='notes', content_rowid='id', prefix='3')",
        "CREATE INDEX notes_host ON notes(host)",
        "CREATE TRIGGER notes_deleted AFTER DELETE ON notes BEGIN"
        " DELETE FROM recipients WHERE note_id = old.id;"
        " END",
        // Only what was indexed can be taken out of the index.
        "CREATE TRIGGER notes_deleted_text AFTER DELETE ON notes"
        " WHEN old.id <= (SELECT value FROM state WHERE key = 'indexed') BEGIN"
        " INSERT INTO notes_text(notes_text, rowid, nickname, subject, body)"
        " VALUES('delete', old.id, old.nickname, old.subject, old.body);"
        " END",
    },
};

// SQLite's codes for a file that is not a database, and for a damaged one.
constexpr int kNotADatabase = 26;
constexpr int kCorrupt = 11;

bool IsUnusableError(const QSqlError& error)
{
    const int nCode = error.nativeErrorCode().toInt() & 0xff; // the primary code
    return nCode == kNotADatabase || nCode == kCorrupt;
}

std::atomic<int> g_nConnections{0};

// Makes the folder when missing, the user's own; an existing one is left as it is.
bool MakeFolder(const QString& strFolder, QString& strReason)
{
    QFileInfo info(strFolder);
    if (info.isDir())
        return true;
    const QString strParent = info.absolutePath();
    if (!QDir().mkpath(strParent)) {
        strReason = QStringLiteral("cannot make the folder %1").arg(strParent);
        return false;
    }
    if (::mkdir(QFile::encodeName(strFolder).constData(), 0700) != 0 && errno != EEXIST) {
        strReason = QStringLiteral("cannot make the folder %1: %2")
                        .arg(strFolder, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    return true;
}

// Makes the file when missing, readable by the user alone: SQLite gives its
// journal files the same mode.
bool MakeFile(const QString& strPath, QString& strReason)
{
    const int nFile =
        ::open(QFile::encodeName(strPath).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (nFile < 0) {
        strReason = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    ::close(nFile);
    return true;
}

} // namespace

QString CHistoryDatabase::DefaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Tessaro/Blipnote/history.db");
}

CHistoryDatabase::CHistoryDatabase(QString strPath)
    : m_strPath(std::move(strPath)),
      m_strConnection(QStringLiteral("blipnote-history-%1").arg(++g_nConnections))
{}

CHistoryDatabase::~CHistoryDatabase()
{
    Close();
}

QSqlDatabase CHistoryDatabase::Connection() const
{
    return QSqlDatabase::database(m_strConnection, false);
}

void CHistoryDatabase::Close()
{
    if (!QSqlDatabase::contains(m_strConnection))
        return;
    {
        QSqlDatabase database = QSqlDatabase::database(m_strConnection, false);
        database.close();
    }
    QSqlDatabase::removeDatabase(m_strConnection);
}

bool CHistoryDatabase::Open(QString* pstrNotice, QString* pstrError)
{
    QString strReason;
    EState eState = TryOpen(strReason);
    if (eState == EState::Damaged || eState == EState::Newer) {
        Close();
        QString strError;
        const QString strAside =
            MoveAside(eState == EState::Newer ? QStringLiteral("newer") : QStringLiteral("damaged"),
                      strError);
        if (strAside.isEmpty()) {
            if (pstrError)
                *pstrError = QStringLiteral("The history %1 %2, and it cannot be moved aside: %3")
                                 .arg(m_strPath, strReason, strError);
            return false;
        }
        if (pstrNotice)
            *pstrNotice = QStringLiteral("The history %1 %2. It was moved to %3 and a new "
                                         "history begun.")
                              .arg(m_strPath, strReason, strAside);
        eState = TryOpen(strReason);
    }
    if (eState != EState::Ready) {
        Close();
        if (pstrError)
            *pstrError =
                QStringLiteral("The history %1 cannot be used: %2").arg(m_strPath, strReason);
        return false;
    }
    return true;
}

CHistoryDatabase::EState CHistoryDatabase::TryOpen(QString& strReason)
{
    if (!MakeFolder(QFileInfo(m_strPath).absolutePath(), strReason) ||
        !MakeFile(m_strPath, strReason))
        return EState::Failed;
    QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_strConnection);
    if (!database.isValid()) {
        strReason = QStringLiteral("the SQLite driver of Qt is not installed (libqt6sql6-sqlite)");
        return EState::Failed;
    }
    database.setDatabaseName(m_strPath);
    database.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeout.count()));
    if (!database.open()) {
        strReason = database.lastError().text();
        return IsUnusableError(database.lastError()) ? EState::Damaged : EState::Failed;
    }
    QSqlQuery query(database);
    // Reading the schema is what finds a file that is no database.
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next()) {
        strReason = query.lastError().text();
        if (IsUnusableError(query.lastError())) {
            strReason = QStringLiteral("is not a database or is damaged");
            return EState::Damaged;
        }
        return EState::Failed;
    }
    const int nVersion = query.value(0).toInt();
    query.finish();
    if (nVersion > SchemaVersion) {
        strReason = QStringLiteral("was written by a newer version of Blipnote (schema %1, this "
                                   "version knows %2)")
                        .arg(nVersion)
                        .arg(SchemaVersion);
        return EState::Newer;
    }
    // Written ahead: a note is on disk (in the log) once its transaction ends,
    // so it survives the program being killed; the log is not synced on every
    // note (a power cut may take the last ones, a crash of the program never).
    // A new file gives the room of dropped notes back to the disk (only a file
    // without tables can be told so).
    if (nVersion == 0 && !query.exec(QStringLiteral("PRAGMA auto_vacuum=INCREMENTAL"))) {
        strReason = query.lastError().text();
        return IsUnusableError(query.lastError()) ? EState::Damaged : EState::Failed;
    }
    // The log is cut back to a few megabytes once its notes are in the file.
    for (const char* pszPragma : {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=NORMAL",
                                  "PRAGMA foreign_keys=OFF", "PRAGMA journal_size_limit=8388608"}) {
        if (!query.exec(QString::fromLatin1(pszPragma))) {
            strReason = query.lastError().text();
            return IsUnusableError(query.lastError()) ? EState::Damaged : EState::Failed;
        }
        query.finish();
    }
    if (nVersion < SchemaVersion && !Migrate(nVersion, strReason))
        return EState::Failed;
    // A damaged page may only show when read: look at the tables once.
    if (!query.exec(QStringLiteral("SELECT count(*) FROM state")) || !query.next()) {
        strReason = QStringLiteral("is damaged (%1)").arg(query.lastError().text());
        return IsUnusableError(query.lastError()) ? EState::Damaged : EState::Failed;
    }
    return EState::Ready;
}

bool CHistoryDatabase::Migrate(int nFrom, QString& strReason)
{
    QSqlDatabase database = Connection();
    if (!database.transaction()) {
        strReason = database.lastError().text();
        return false;
    }
    QSqlQuery query(database);
    for (std::size_t nStep = nFrom; nStep < kSteps.size(); ++nStep) {
        for (const char* pszStatement : kSteps[nStep]) {
            if (!query.exec(QString::fromLatin1(pszStatement))) {
                strReason =
                    QStringLiteral("cannot bring it up to date: %1").arg(query.lastError().text());
                database.rollback();
                return false;
            }
        }
    }
    if (!query.exec(QStringLiteral("PRAGMA user_version=%1").arg(SchemaVersion)) ||
        !database.commit()) {
        strReason = database.lastError().text();
        database.rollback();
        return false;
    }
    return true;
}

QString CHistoryDatabase::MoveAside(const QString& strKind, QString& strError)
{
    const QString strStamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString strAside = QStringLiteral("%1.%2-%3").arg(m_strPath, strKind, strStamp);
    for (int n = 2; QFileInfo::exists(strAside); ++n)
        strAside = QStringLiteral("%1.%2-%3-%4").arg(m_strPath, strKind, strStamp).arg(n);
    if (::rename(QFile::encodeName(m_strPath).constData(),
                 QFile::encodeName(strAside).constData()) != 0) {
        strError = QString::fromLocal8Bit(std::strerror(errno));
        return QString();
    }
    // Its log goes with it: it belongs to that file, not to the new one.
    for (const char* pszSuffix : {"-wal", "-shm"}) {
        const QString strLog = m_strPath + QLatin1String(pszSuffix);
        if (QFileInfo::exists(strLog))
            ::rename(QFile::encodeName(strLog).constData(),
                     QFile::encodeName(strAside + QLatin1String(pszSuffix)).constData());
    }
    return strAside;
}
