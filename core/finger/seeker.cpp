#include "core/finger/seeker.h"

#include "core/net/net_address.h"
#include "core/text/code_page.h"

#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <sys/resource.h>

namespace {

// The most a reply is read to.
constexpr qsizetype kReplyLimit = 512;

// Probes at a time: the plan's bound, but never so many that the process runs
// out of descriptors (a quarter of its limit; the servers need theirs).
int InFlightBound(int nPlanned)
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return std::max(1, nPlanned);
    return std::clamp(static_cast<int>(std::min<rlim_t>(limit.rlim_cur / 4, 1 << 20)), 1,
                      std::max(1, nPlanned));
}

} // namespace

// One probe: connect, send the query, read the reply until the peer closes or
// the reply is long enough, each step within its time limit.
class CSeeker::CProbe : public QObject
{
public:
    CProbe(CSeeker& seeker, SeekRow::CTarget target) : m_seeker(seeker), m_target(std::move(target))
    {
        m_timer.setSingleShot(true);
        // A coarse timer may fire a little early; the row's kind depends on it.
        m_timer.setTimerType(Qt::PreciseTimer);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            // A reply that came and was never ended by its sender counts as it
            // stands; nothing at all by the limit is a failure that took it.
            Read();
            if (m_reply.isEmpty())
                m_tookAtLeast = m_deadline;
            End(m_reply.isEmpty());
        });
        connect(&m_socket, &QTcpSocket::connected, this, [this] {
            StartLimit(m_seeker.m_plan.answerLimit);
            m_socket.write(m_seeker.m_strQuery);
        });
        connect(&m_socket, &QTcpSocket::readyRead, this, [this] { Read(); });
        connect(&m_socket, &QTcpSocket::disconnected, this, [this] {
            Read();
            End(false);
        });
        connect(&m_socket, &QTcpSocket::errorOccurred, this,
                [this](QAbstractSocket::SocketError e) {
                    if (e == QAbstractSocket::RemoteHostClosedError)
                        return; // the reply is whole: "disconnected" follows
                    Read();
                    End(m_reply.isEmpty());
                });
    }

    ~CProbe() override { Close(); }

    // Quietly: nothing this socket does from here on reaches the probe, and
    // its descriptor is free at once.
    void Close()
    {
        m_timer.stop();
        m_socket.disconnect(this);
        m_socket.abort();
    }

    void Start()
    {
        m_started.start();
        StartLimit(m_seeker.m_plan.connectLimit);
        const NetAddress::CHostPort target =
            NetAddress::SplitHostPort(CodePage::ToUnicode(m_target.strAddress), 0);
        m_socket.connectToHost(target.strHost, m_seeker.m_plan.nPort);
    }

    std::chrono::milliseconds Took() const
    {
        return std::max(std::chrono::milliseconds(m_started.elapsed()), m_tookAtLeast);
    }
    const SeekRow::CTarget& Target() const { return m_target; }
    const QByteArray& Reply() const { return m_reply; }

private:
    void StartLimit(std::chrono::milliseconds limit)
    {
        m_deadline = std::chrono::milliseconds(m_started.elapsed()) + limit;
        m_timer.start(limit);
    }

    void Read()
    {
        if (m_bEnded)
            return;
        m_reply += m_socket.read(kReplyLimit - m_reply.size());
        if (m_reply.size() >= kReplyLimit)
            End(false);
    }

    void End(bool bFailed)
    {
        if (m_bEnded)
            return;
        m_bEnded = true;
        m_timer.stop();
        m_seeker.ProbeFinished(this, bFailed);
    }

    CSeeker& m_seeker;
    SeekRow::CTarget m_target;
    QTcpSocket m_socket;
    QTimer m_timer;
    QElapsedTimer m_started;
    std::chrono::milliseconds m_deadline{0};    // since the start, when the limit runs out
    std::chrono::milliseconds m_tookAtLeast{0}; // set when given up at a limit
    QByteArray m_reply;
    bool m_bEnded = false;
};

CSeeker::CSeeker(QObject* pParent) : QObject(pParent) {}

CSeeker::~CSeeker()
{
    Cancel();
}

QByteArray CSeeker::Query(const QByteArray& strNickname)
{
    return "seek-ping from " + strNickname + "\n";
}

bool CSeeker::Start(CPlan plan)
{
    if (IsSeeking())
        return false;
    m_plan = std::move(plan);
    m_strQuery = Query(m_plan.strNickname);
    m_nProbes = static_cast<int>(m_plan.targets.size());
    m_nFinished = 0;
    m_nNextTarget = 0;
    m_nMaxInFlight = InFlightBound(m_plan.nMaxInFlight);
    if (m_nProbes == 0) {
        Q_EMIT SeekDone();
        return true;
    }
    LaunchWaiting();
    return true;
}

void CSeeker::Cancel()
{
    m_inFlight.clear();
    m_nNextTarget = m_plan.targets.size();
    m_nFinished = m_nProbes;
}

void CSeeker::LaunchWaiting()
{
    // A probe that fails at once (no route to its network) finishes inside its
    // own start: the loop here starts the next, not a call within the call.
    if (m_bLaunching)
        return;
    m_bLaunching = true;
    while (static_cast<int>(m_inFlight.size()) < m_nMaxInFlight &&
           m_nNextTarget < m_plan.targets.size()) {
        auto pProbe = std::make_unique<CProbe>(*this, m_plan.targets.at(m_nNextTarget++));
        CProbe& probe = *pProbe;
        m_inFlight.push_back(std::move(pProbe));
        probe.Start();
    }
    m_bLaunching = false;
}

void CSeeker::ProbeFinished(CProbe* pProbe, bool bFailed)
{
    const auto found = std::find_if(m_inFlight.begin(), m_inFlight.end(),
                                    [pProbe](const auto& p) { return p.get() == pProbe; });
    if (found == m_inFlight.end())
        return;
    // This may run inside the probe's own socket or timer: it goes later.
    std::unique_ptr<CProbe> pDone = std::move(*found);
    m_inFlight.erase(found);
    const SeekRow::CRow row = SeekRow::Make(
        pDone->Target(), bFailed, pDone->Took(),
        bFailed ? QByteArrayView() : QByteArrayView(pDone->Reply()), m_plan.downAfter);
    pDone->Close();
    pDone.release()->deleteLater();
    ++m_nFinished;
    LaunchWaiting();
    Q_EMIT RowReady(row);
    if (m_nFinished == m_nProbes)
        Q_EMIT SeekDone();
}
