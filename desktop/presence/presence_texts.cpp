#include "desktop/presence/presence_texts.h"

#include "core/hosts/host_list.h"
#include "core/presence/host_presence.h"
#include "core/text/code_page.h"

CPresenceTexts::CPresenceTexts(const CHostList& hosts, const CHostPresence& presence,
                               QObject* pParent)
    : QObject(pParent), m_hosts(hosts), m_presence(presence)
{
    m_rebuild.setSingleShot(true);
    m_rebuild.setInterval(250);
    connect(&m_rebuild, &QTimer::timeout, this, [this] {
        Rebuild();
        Q_EMIT Changed();
    });
    connect(&presence, &CHostPresence::Changed, &m_rebuild, qOverload<>(&QTimer::start));
    Rebuild();
}

CPresenceTexts::CText CPresenceTexts::Of(const QString& strChoice)
{
    if (m_nRevision != m_hosts.Revision())
        Rebuild();
    return m_texts.value(strChoice);
}

void CPresenceTexts::Rebuild()
{
    m_texts.clear();
    m_nRevision = m_hosts.Revision();
    if (m_presence.IsEmpty())
        return;
    const QHash<QByteArray, CHostPresence::CGroupCount> groups = m_presence.GroupCounts(m_hosts);
    for (auto it = groups.cbegin(); it != groups.cend(); ++it)
        m_texts.insert(CodePage::ToUnicode("Group " + it.key()),
                       {it->nHere > 0 ? EKind::Here : EKind::Other,
                        tr("%1 of %2 here").arg(it->nHere).arg(it->nAll)});
    for (const CHostEntry& entry : m_hosts.Entries()) {
        const CHostPresence::CState state = m_presence.StateOf(entry.strAddress);
        if (state.eState == CHostPresence::EState::Unknown)
            continue;
        const QString strNickname = CodePage::ToUnicode(entry.strNickname);
        // A nickname at several addresses shows the best of them.
        const bool bHere = state.eState == CHostPresence::EState::Here;
        const CText current = m_texts.value(strNickname);
        if (current.eKind == EKind::Here && !bHere)
            continue;
        m_texts.insert(strNickname,
                       {bHere ? EKind::Here : EKind::Other,
                        CHostPresence::StateText(state, QDateTime::currentDateTime())});
    }
}
