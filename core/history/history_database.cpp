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
        " bytes INTEGER NOT NULL, file TEXT NOT NULL,"
        // The text's length, read where batches are measured without reading
        // the texts themselves.
        " size INTEGER NOT NULL)",
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
    // Version 2: the outbox. A note that could not reach its host waits here
    // with its own copy of the text as it goes out (the history's keeping
    // rules may drop the note meanwhile), the recipient it is for (its place
    // among the note's recipients, whose result it keeps up to date) and when
    // it is tried next. States: 0 waiting, 1 unknown (the bytes went, no
    // answer came), 2 delivered, 3 given up, 4 cancelled; a finished one
    // keeps no text and goes with its note.
    {
        "CREATE TABLE outbox("
        " id INTEGER PRIMARY KEY, note_id INTEGER NOT NULL, seq INTEGER NOT NULL,"
        " address BLOB NOT NULL, text BLOB NOT NULL, first_line TEXT NOT NULL,"
        " state INTEGER NOT NULL, attempts INTEGER NOT NULL, next_time INTEGER NOT NULL,"
        " reason TEXT NOT NULL, queued INTEGER NOT NULL, give_up INTEGER NOT NULL)",
        "CREATE INDEX outbox_state ON outbox(state)",
        "CREATE TRIGGER notes_deleted_outbox AFTER DELETE ON notes BEGIN"
        " DELETE FROM outbox WHERE note_id = old.id AND state >= 2;"
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

// Makes the folder when missing, the user's own; an existing one of the user's
// is made private to the user.
bool MakeFolder(const QString& strFolder, QString& strReason)
{
    QFileInfo info(strFolder);
    struct stat status = {};
    const QByteArray strName = QFile::encodeName(strFolder);
    if (::lstat(strName.constData(), &status) == 0 && S_ISDIR(status.st_mode)) {
        if (status.st_uid == ::geteuid() && (status.st_mode & 077) != 0)
            ::chmod(strName.constData(), status.st_mode & 0700);
        return true;
    }
    if (info.isDir())
        return true; // a link to a folder of the user's choosing
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

// Makes the file when missing, readable by the user alone (SQLite gives its
// journal files the same mode), and takes away what others may do with one
// that is there. A link is not followed: what it points at is not the user's
// history. False with the reason; *pbLink tells that it was a link.
bool MakeFile(const QString& strPath, QString& strReason, bool* pbLink)
{
    *pbLink = false;
    const int nFile = ::open(QFile::encodeName(strPath).constData(),
                             O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (nFile < 0) {
        *pbLink = errno == ELOOP;
        strReason = *pbLink ? QStringLiteral("is a symbolic link, not a file")
                            : QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    struct stat status = {};
    bool bMine = ::fstat(nFile, &status) == 0 && S_ISREG(status.st_mode);
    if (!bMine)
        strReason = QStringLiteral("is not a file");
    else if (status.st_uid != ::geteuid())
        strReason = QStringLiteral("belongs to another user");
    else if ((status.st_mode & 077) != 0 && ::fchmod(nFile, 0600) != 0)
        strReason = QStringLiteral("others may read it and it cannot be changed: %1")
                        .arg(QString::fromLocal8Bit(std::strerror(errno)));
    bMine = bMine && strReason.isEmpty();
    ::close(nFile);
    // Its log files, made when the file was not yet private, are made so too.
    for (const char* pszSuffix : {"-wal", "-shm"}) {
        const QByteArray strLog = QFile::encodeName(strPath + QLatin1String(pszSuffix));
        if (bMine && ::lstat(strLog.constData(), &status) == 0 && S_ISREG(status.st_mode) &&
            status.st_uid == ::geteuid() && (status.st_mode & 077) != 0)
            ::chmod(strLog.constData(), 0600);
    }
    return bMine;
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
    const EState eState = TryOpen(strReason);
    if (eState == EState::Damaged || eState == EState::Newer)
        return StartAnew(eState == EState::Newer ? QStringLiteral("newer")
                                                 : QStringLiteral("damaged"),
                         strReason, pstrNotice, pstrError);
    return Ready(eState, strReason, pstrError);
}

bool CHistoryDatabase::StartAnewDamaged(const QString& strWhat, QString* pstrNotice,
                                        QString* pstrError)
{
    return StartAnew(QStringLiteral("damaged"), QStringLiteral("is damaged (%1)").arg(strWhat),
                     pstrNotice, pstrError);
}

bool CHistoryDatabase::StartAnew(const QString& strKind, const QString& strReason,
                                 QString* pstrNotice, QString* pstrError)
{
    Close();
    QString strError;
    const QString strAside = MoveAside(strKind, strError);
    if (strAside.isEmpty()) {
        if (pstrError)
            *pstrError = QStringLiteral("The history %1 %2, and it cannot be moved aside: %3")
                             .arg(m_strPath, strReason, strError);
        return false;
    }
    if (pstrNotice)
        *pstrNotice =
            QStringLiteral("The history %1 %2. It was moved to %3 and a new history begun.")
                .arg(m_strPath, strReason, strAside);
    QString strNewReason;
    const EState eState = TryOpen(strNewReason);
    return Ready(eState, strNewReason, pstrError);
}

bool CHistoryDatabase::Ready(EState eState, const QString& strReason, QString* pstrError)
{
    if (eState == EState::Ready)
        return true;
    Close();
    if (pstrError)
        *pstrError = QStringLiteral("The history %1 cannot be used: %2").arg(m_strPath, strReason);
    return false;
}

bool CHistoryDatabase::IsDamageError(const QSqlError& error)
{
    return IsUnusableError(error);
}

CHistoryDatabase::EState CHistoryDatabase::TryOpen(QString& strReason)
{
    if (!MakeFolder(QFileInfo(m_strPath).absolutePath(), strReason))
        return EState::Failed;
    bool bLink = false;
    if (!MakeFile(m_strPath, strReason, &bLink))
        return bLink ? EState::Damaged : EState::Failed;
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
    // Reading the schema is what finds a file that is no database. (Version
    // and tables in one statement: another program may make them meanwhile.)
    if (!query.exec(QStringLiteral("SELECT (SELECT user_version FROM pragma_user_version),"
                                   " (SELECT count(*) FROM sqlite_master)")) ||
        !query.next()) {
        strReason = query.lastError().text();
        if (IsUnusableError(query.lastError())) {
            strReason = QStringLiteral("is not a database or is damaged");
            return EState::Damaged;
        }
        return EState::Failed;
    }
    const int nVersion = query.value(0).toInt();
    const int nTables = query.value(1).toInt();
    query.finish();
    // A database of another program (a version of 0 with tables of its own)
    // is not taken over.
    if (nVersion == 0 && nTables > 0) {
        strReason = QStringLiteral("is a database of another program");
        return EState::Damaged;
    }
    if (nVersion > SchemaVersion) {
        strReason = QStringLiteral("was written by a newer version of Blipnote (schema %1, this "
                                   "version knows %2)")
                        .arg(nVersion)
                        .arg(SchemaVersion);
        return EState::Newer;
    }
    // A new file gives the room of dropped notes back to the disk (only a file
    // without tables can be told so).
    if (nVersion == 0 && !query.exec(QStringLiteral("PRAGMA auto_vacuum=INCREMENTAL"))) {
        strReason = query.lastError().text();
        return IsUnusableError(query.lastError()) ? EState::Damaged : EState::Failed;
    }
    // Written ahead: a note is on disk (in the log) once its transaction ends,
    // so it survives the program being killed; the log is not synced on every
    // note (a power cut may take the last ones, a crash of the program never).
    // The log is cut back to a few megabytes once its notes are in the file.
    // Copying the log into the file is left to a thread of its own (see
    // CHistoryCheckpointer); a writer does it only when that falls far behind.
    for (const char* pszPragma :
         {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=NORMAL", "PRAGMA foreign_keys=OFF",
          "PRAGMA journal_size_limit=8388608", "PRAGMA wal_autocheckpoint=16384"}) {
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
    QSqlQuery query(database);
    // Taken for writing before the version is read again: two programs
    // opening a new history at once must not both make its tables.
    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE")) ||
        !query.exec(QStringLiteral("PRAGMA user_version")) || !query.next()) {
        strReason = query.lastError().text();
        database.rollback();
        return false;
    }
    nFrom = query.value(0).toInt();
    query.finish();
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
