#pragma once

#include <QString>

#include <condition_variable>
#include <mutex>
#include <thread>

// Copies what the history's log holds into its file on a thread of its own.
// That copy ends in waiting for the disk; done by the connection that records
// notes, it would hold up the answer to a note every few hundred notes, and for
// large notes every few dozen. Writers go on meanwhile: the copy takes no lock
// they need.
class CHistoryCheckpointer
{
public:
    explicit CHistoryCheckpointer(QString strPath);
    // Copies what is left and ends the thread.
    ~CHistoryCheckpointer();
    CHistoryCheckpointer(const CHistoryCheckpointer&) = delete;
    CHistoryCheckpointer& operator=(const CHistoryCheckpointer&) = delete;

    // Notes were written: a copy is due (soon, not at once).
    void Poke();

private:
    void Run();

    QString m_strPath;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_bDue = false;
    bool m_bStop = false;
    std::thread m_thread;
};
