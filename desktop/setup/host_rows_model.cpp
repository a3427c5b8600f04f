#include "desktop/setup/host_rows_model.h"

#include "core/presence/host_presence.h"
#include "core/text/code_page.h"

#include <numeric>

namespace {
// What a cell shows at most: wider than any column, and a megabyte-long
// nickname is not laid out at every paint.
constexpr qsizetype kShownLength = 1024;
} // namespace

CHostRowsModel::CHostRowsModel(QList<CHostEntry> rows, const CHostPresence* pPresence,
                               QObject* pParent)
    : QAbstractTableModel(pParent), m_pPresence(pPresence), m_rows(std::move(rows))
{
    MarkStored();
    if (m_pPresence)
        connect(m_pPresence, &CHostPresence::Changed, this, [this] {
            if (!m_rows.isEmpty())
                Q_EMIT dataChanged(index(0, Presence),
                                   index(static_cast<int>(m_rows.size()) - 1, Presence));
        });
}

void CHostRowsModel::MarkStored()
{
    m_origins.resize(m_rows.size());
    std::iota(m_origins.begin(), m_origins.end(), qsizetype(0));
}

int CHostRowsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CHostRowsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

const QByteArray& CHostRowsModel::Cell(const CHostEntry& row, int nColumn)
{
    switch (nColumn) {
    case Nickname:
        return row.strNickname;
    case Address:
        return row.strAddress;
    default:
        return row.strGroup;
    }
}

QVariant CHostRowsModel::data(const QModelIndex& index, int nRole) const
{
    if (nRole != Qt::DisplayRole || !index.isValid() || index.row() >= m_rows.size())
        return QVariant();
    if (index.column() == Presence)
        return m_pPresence ? m_pPresence->TextOf(m_rows[index.row()].strAddress) : QString();
    return CodePage::ToUnicode(Cell(m_rows[index.row()], index.column()).left(kShownLength));
}

QVariant CHostRowsModel::headerData(int nSection, Qt::Orientation eOrientation, int nRole) const
{
    if (eOrientation != Qt::Horizontal || nRole != Qt::DisplayRole)
        return QVariant();
    switch (nSection) {
    case Nickname:
        return tr("Nickname");
    case Address:
        return tr("IP-Address");
    case Group:
        return tr("Group");
    case Presence:
        return tr("Presence");
    default:
        return QVariant();
    }
}

void CHostRowsModel::SetCell(int nRow, int nColumn, const QByteArray& strText)
{
    if (nRow < 0 || nRow >= m_rows.size())
        return;
    const_cast<QByteArray&>(Cell(m_rows[nRow], nColumn)) = strText;
    // The whole row: an emptied cell hides the cells right of it.
    Q_EMIT dataChanged(index(nRow, 0), index(nRow, ColumnCount - 1));
}

void CHostRowsModel::Append(const QList<CHostEntry>& rows)
{
    if (rows.isEmpty())
        return;
    const int nFirst = static_cast<int>(m_rows.size());
    beginInsertRows(QModelIndex(), nFirst, nFirst + static_cast<int>(rows.size()) - 1);
    m_rows += rows;
    m_origins.insert(m_origins.size(), rows.size(), -1);
    endInsertRows();
}

void CHostRowsModel::Remove(int nRow)
{
    if (nRow < 0 || nRow >= m_rows.size())
        return;
    beginRemoveRows(QModelIndex(), nRow, nRow);
    m_rows.removeAt(nRow);
    m_origins.removeAt(nRow);
    endRemoveRows();
}

void CHostRowsModel::RemoveAll()
{
    if (m_rows.isEmpty())
        return;
    beginRemoveRows(QModelIndex(), 0, static_cast<int>(m_rows.size()) - 1);
    m_rows.clear();
    m_origins.clear();
    endRemoveRows();
}
