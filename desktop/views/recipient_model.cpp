#include "desktop/views/recipient_model.h"

#include "desktop/resources/icon_list.h"

#include <algorithm>

CRecipientModel::CRecipientModel(QStringList entries, QObject* pParent)
    : QAbstractListModel(pParent), m_entries(std::move(entries)),
      m_hostIcon(CIconList::Icon(CIconList::Host)), m_groupIcon(CIconList::Icon(CIconList::Group))
{}

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
