#include "core/history/history_checkpointer.h"

#include "core/history/history_database.h"

#include <QSqlDatabase>
#include <QSqlQuery>

#include <atomic>
#include <chrono>

namespace {
// Copies come at most this often: each ends in waiting for the disk.
constexpr std::chrono::milliseconds kPause{200};
std::atomic<int> g_nCheckpointers{0};
} // namespace

CHistoryCheckpointer::CHistoryCheckpointer(QString strPath)
    : m_strPath(std::move(strPath)), m_thread([this] { Run(); })
{}

CHistoryCheckpointer::~CHistoryCheckpointer()
{
    {
        const std::lock_guard lock(m_mutex);
        m_bStop = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void CHistoryCheckpointer::Poke()
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_bDue)
            return;
        m_bDue = true;
    }
    m_wake.notify_one();
}

void CHistoryCheckpointer::Run()
{
    // A connection of this thread's own, as Qt's database connections are.
    const QString strName = QStringLiteral("blipnote-checkpoint-%1").arg(++g_nCheckpointers);
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), strName);
        database.setDatabaseName(m_strPath);
        database.setConnectOptions(
            QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(CHistoryDatabase::BusyTimeout.count()));
        const bool bOpen = database.open();
        const auto checkpoint = [&] {
            if (!bOpen)
                return;
            QSqlQuery query(database);
            query.exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)"));
            query.finish();
        };
        std::unique_lock lock(m_mutex);
        while (!m_bStop) {
            m_wake.wait(lock, [this] { return m_bDue || m_bStop; });
            if (m_bStop)
                break;
            m_wake.wait_for(lock, kPause, [this] { return m_bStop; });
            m_bDue = false;
            lock.unlock();
            checkpoint();
            lock.lock();
        }
        lock.unlock();
        checkpoint();
        database.close();
    }
    QSqlDatabase::removeDatabase(strName);
}
