#include "cli/send_progress.h"

#include "core/outbox/outbox.h"
#include "core/text/code_page.h"
#include "core/text/shown_text.h"

#include <QDateTime>

#include <climits>
#include <cstdio>
#include <unistd.h>

namespace {

QString Seconds(qint64 nMs)
{
    const qint64 nSeconds = std::max<qint64>(0, (nMs + 999) / 1000);
    if (nSeconds < 60)
        return QStringLiteral("%1 s").arg(nSeconds);
    if (nSeconds < 3600)
        return QStringLiteral("%1 m %2 s").arg(nSeconds / 60).arg(nSeconds % 60);
    return QStringLiteral("%1 h %2 m").arg(nSeconds / 3600).arg(nSeconds % 3600 / 60);
}

void Write(const QByteArray& strBytes)
{
    std::fwrite(strBytes.constData(), 1, static_cast<std::size_t>(strBytes.size()), stderr);
    std::fflush(stderr);
}

} // namespace

CSendProgress::CSendProgress(const COutbox& outbox, qint64 nGiveUpAt, QObject* pParent)
    : QObject(pParent), m_outbox(outbox), m_nGiveUpAt(nGiveUpAt),
      m_bTerminal(::isatty(STDERR_FILENO) == 1)
{
    if (!m_bTerminal)
        return;
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &CSendProgress::Show);
    connect(&outbox, &COutbox::Changed, this, &CSendProgress::Show);
    m_timer.start();
}

CSendProgress::~CSendProgress()
{
    Clear();
}

void CSendProgress::Clear()
{
    if (!m_bShown)
        return;
    Write("\r\x1b[K");
    m_bShown = false;
}

void CSendProgress::Show()
{
    if (!m_bTerminal)
        return;
    const std::vector<COutboxEntry> entries = m_outbox.Entries();
    int nWaiting = 0;
    qint64 nNext = LLONG_MAX;
    QByteArray strAddress;
    int nAttempts = 0;
    for (const COutboxEntry& entry : entries) {
        if (entry.eState != EOutboxState::Waiting)
            continue;
        ++nWaiting;
        if (entry.nNextTime < nNext) {
            nNext = entry.nNextTime;
            strAddress = entry.strAddress;
            nAttempts = entry.nAttempts;
        }
    }
    if (nWaiting == 0) {
        Clear();
        return;
    }
    const qint64 nNow = QDateTime::currentMSecsSinceEpoch();
    const QString strHosts = nWaiting == 1 ? CodePage::ToUnicode(ShownText::Of(strAddress))
                                           : QStringLiteral("%1 hosts").arg(nWaiting);
    const QString strTries =
        nAttempts == 1 ? QStringLiteral("1 try") : QStringLiteral("%1 tries").arg(nAttempts);
    QString strNext;
    if (m_outbox.InFlight() > 0 || nNext <= nNow)
        strNext = QStringLiteral(", trying");
    else if (nNext < m_nGiveUpAt)
        strNext = QStringLiteral(", next in ") + Seconds(nNext - nNow);
    const QString strLine = QStringLiteral("waiting for %1: %2%3, gives up in %4")
                                .arg(strHosts, strTries, strNext, Seconds(m_nGiveUpAt - nNow));
    Write("\r\x1b[K" + strLine.toUtf8());
    m_bShown = true;
}
