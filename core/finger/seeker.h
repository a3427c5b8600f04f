#pragma once

#include "core/finger/seek_row.h"

#include <QByteArray>
#include <QObject>

#include <chrono>
#include <deque>
#include <memory>

// Fingers every target of a seek and reports a row for each as it finishes.
// The probes run on the event loop, at most a bounded number at a time (the
// rest wait their turn), each given up when connecting or answering takes too
// long. Destroying the seeker, or Cancel, ends every probe at once, quietly.
class CSeeker : public QObject
{
    Q_OBJECT

public:
    struct CPlan
    {
        QList<SeekRow::CTarget> targets;
        QByteArray strNickname; // the query is "seek-ping from " + nickname + "\n"
        quint16 nPort = 79;     // an address with its own port is still fingered here
        int nMaxInFlight = 256;
        std::chrono::milliseconds connectLimit{10000};
        std::chrono::milliseconds answerLimit{10000}; // from the connection on
        std::chrono::milliseconds downAfter = SeekRow::DownAfter;
    };

    explicit CSeeker(QObject* pParent = nullptr);
    ~CSeeker() override;

    // False, and nothing changes, while a seek runs.
    bool Start(CPlan plan);
    void Cancel();
    bool IsSeeking() const { return m_nFinished < m_nProbes; }
    int Probes() const { return m_nProbes; }
    int Finished() const { return m_nFinished; }
    int InFlight() const { return static_cast<int>(m_inFlight.size()); }

    // What the query is for a nickname.
    static QByteArray Query(const QByteArray& strNickname);

Q_SIGNALS:
    void RowReady(const SeekRow::CRow& row);
    // The last probe has finished (also at once for a seek without targets).
    void SeekDone();

private:
    class CProbe;

    void LaunchWaiting();
    void ProbeFinished(CProbe* pProbe, bool bFailed);

    CPlan m_plan;
    QByteArray m_strQuery;
    int m_nProbes = 0;
    int m_nFinished = 0;
    qsizetype m_nNextTarget = 0;
    int m_nMaxInFlight = 0;
    bool m_bLaunching = false;
    std::vector<std::unique_ptr<CProbe>> m_inFlight;
};
