#include "desktop/views/recipient_model.h"

#include "desktop/presence/presence_delegate.h"
#include "desktop/presence/presence_texts.h"
#include "desktop/resources/icon_list.h"

#include <algorithm>

CRecipientModel::CRecipientModel(QStringList entries, CPresenceTexts* pPresence, QObject* pParent)
    : QAbstractListModel(pParent), m_entries(std::move(entries)), m_pPresence(pPresence),
      m_hostIcon(CIconList::Icon(CIconList::Host)), m_groupIcon(CIconList::Icon(CIconList::Group))
{
    if (m_pPresence)
        connect(m_pPresence, &CPresenceTexts::Changed, this, [this] {
            if (!m_entries.isEmpty())
                Q_EMIT dataChanged(index(0), index(static_cast<int>(m_entries.size()) - 1),
                                   {CPresenceDelegate::PresenceTextRole,
                                    CPresenceDelegate::PresenceHereRole, Qt::ToolTipRole});
        });
}

int CRecipientModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

QVariant CRecipientModel::data(const QModelIndex& index, int nRole) const
{
    if (!index.isValid() || index.row() >= m_entries.size())
        return QVariant();
    const QString& strEntry = m_entries[index.row()];
    switch (nRole) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return strEntry;
    case Qt::DecorationRole:
        return strEntry.startsWith(QLatin1String("Group")) ? m_groupIcon : m_hostIcon;
    case Qt::ToolTipRole:
    case CPresenceDelegate::PresenceTextRole:
        return m_pPresence ? m_pPresence->Of(strEntry).strText : QString();
    case CPresenceDelegate::PresenceHereRole:
        return m_pPresence && m_pPresence->Of(strEntry).eKind == CPresenceTexts::EKind::Here;
    default:
        return QVariant();
    }
}

int CRecipientModel::FirstStartingWith(const QString& strPrefix) const
{
    // The entries that begin with the text follow one another, from the first
    // that is not less than it.
    const auto first =
        std::lower_bound(m_entries.cbegin(), m_entries.cend(), strPrefix,
                         [](const QString& strEntry, const QString& strText) {
                             return strEntry.compare(strText, Qt::CaseInsensitive) < 0;
                         });
    if (first == m_entries.cend() || !first->startsWith(strPrefix, Qt::CaseInsensitive))
        return -1;
    return static_cast<int>(first - m_entries.cbegin());
}
