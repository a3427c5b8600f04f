#include "core/hosts/host_book.h"

#include "core/interfaces/logging.h"
#include "core/interfaces/settings_store.h"

namespace {

const QString kHosts = QStringLiteral("Hosts");

QString HostValueName(qsizetype n)
{
    // Not arg(): a list of a hundred thousand hosts names as many values.
    return QLatin1String("Host ") + QString::number(n);
}

} // namespace

void CHostBook::Load()
{
    m_hosts.Clear();
    for (qsizetype n = 0;; ++n) {
        const QByteArray strEntry = m_store.ReadText(kHosts, HostValueName(n), QByteArray());
        if (strEntry.isEmpty())
            break; // entries after a gap are never read
        m_hosts.Append(CHostList::ParseHostEntry(strEntry));
    }
    m_nSavedRevision = m_hosts.Revision();
}

void CHostBook::Save(const QList<qsizetype>& storedAt)
{
    const QList<CHostEntry>& entries = m_hosts.Entries();
    qsizetype i = 0;
    for (; i < entries.size(); ++i) {
        const QString strName = HostValueName(i);
        if (storedAt.value(i, i) == i) {
            // An entry read from a text that is not quite its own (a part too
            // short to count, a character written by hand) keeps that text
            // while it stays where it is: writing it anew would change it.
            const std::optional<QByteArray> stored = m_store.ReadText(kHosts, strName);
            if (stored && CHostList::ParseHostEntry(*stored) == entries[i])
                continue;
        } else {
            // Another entry's text is not this one's, even when they read alike.
            m_store.DeleteValue(kHosts, strName);
        }
        m_store.WriteText(kHosts, strName, CHostList::BuildHostEntry(entries[i]));
    }
    // Remove what a longer list left behind, up to the first gap.
    for (; !m_store.ReadText(kHosts, HostValueName(i), QByteArray()).isEmpty(); ++i)
        m_store.DeleteValue(kHosts, HostValueName(i));
    m_nSavedRevision = m_hosts.Revision();
}

QByteArray CHostBook::AddUnknownSender(const QByteArray& strNickname, const QByteArray& strAddress,
                                       bool bUseAutoAdd)
{
    const int nRefusedBefore = m_hosts.RefusedSenders();
    QByteArray strShown = m_hosts.AddUnknownSender(strNickname, strAddress, bUseAutoAdd);
    if (nRefusedBefore == 0 && m_hosts.RefusedSenders() > 0)
        qCWarning(lcSettings,
                  "the host list holds %lld hosts: senders are no longer added to it "
                  "automatically in this run (the first one not added came from %s)",
                  static_cast<long long>(m_hosts.Count()), strAddress.constData());
    return strShown;
}

void CHostBook::Replace(const QList<CHostEntry>& entries, const QList<qsizetype>& storedAt)
{
    m_hosts.Replace(entries);
    Save(storedAt); // what was added meanwhile is stored or replaced
}
