#include "desktop/finger/seek_rows_model.h"

#include "core/presence/host_presence.h"
#include "core/text/code_page.h"
#include "desktop/resources/icon_list.h"

namespace {

// Rows that arrive together are shown together, a few times a second at most.
constexpr std::chrono::milliseconds kBatchEvery(50);

int IconOf(SeekRow::EKind eKind)
{
    switch (eKind) {
    case SeekRow::EKind::Up:
        return CIconList::Computer;
    case SeekRow::EKind::Down:
        return CIconList::ComputerDown;
    case SeekRow::EKind::Unknown:
        break;
    }
    return CIconList::ComputerUnknown;
}

} // namespace

CSeekRowsModel::CSeekRowsModel(QObject* pParent) : QAbstractTableModel(pParent)
{
    m_flush.setSingleShot(true);
    m_flush.setInterval(kBatchEvery);
    connect(&m_flush, &QTimer::timeout, this, &CSeekRowsModel::Flush);
}

void CSeekRowsModel::SetPresence(const CHostPresence* pPresence)
{
    m_pPresence = pPresence;
    if (m_pPresence)
        connect(m_pPresence, &CHostPresence::Changed, this, [this] {
            if (!m_rows.empty())
                Q_EMIT dataChanged(index(0, Presence),
                                   index(static_cast<int>(m_rows.size()) - 1, Presence));
        });
}

void CSeekRowsModel::Append(SeekRow::CRow row)
{
    m_pending.push_back(std::move(row));
    if (!m_flush.isActive())
        m_flush.start();
}

void CSeekRowsModel::Flush()
{
    m_flush.stop();
    if (m_pending.empty())
        return;
    const int nFirst = static_cast<int>(m_rows.size());
    beginInsertRows(QModelIndex(), nFirst, nFirst + static_cast<int>(m_pending.size()) - 1);
    m_rows.insert(m_rows.end(), std::make_move_iterator(m_pending.begin()),
                  std::make_move_iterator(m_pending.end()));
    m_pending.clear();
    endInsertRows();
}

void CSeekRowsModel::Clear()
{
    m_flush.stop();
    m_pending.clear();
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

QByteArray CSeekRowsModel::AddressOf(int nRow) const
{
    return nRow >= 0 && nRow < static_cast<int>(m_rows.size())
               ? m_rows[static_cast<std::size_t>(nRow)].strAddress
               : QByteArray();
}

int CSeekRowsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CSeekRowsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CSeekRowsModel::data(const QModelIndex& index, int nRole) const
{
    if (!index.isValid() || index.row() >= static_cast<int>(m_rows.size()))
        return QVariant();
    const SeekRow::CRow& row = m_rows[static_cast<std::size_t>(index.row())];
    if (nRole == Qt::DecorationRole && index.column() == Address)
        return CIconList::Icon(IconOf(row.eKind));
    if (nRole != Qt::DisplayRole)
        return QVariant();
    if (index.column() == Presence)
        return m_pPresence ? m_pPresence->TextOf(row.strAddress) : QString();
    const QByteArray* const columns[] = {&row.strAddress,  &row.strUser,     &row.strMappedTo,
                                         &row.strSystem,   &row.strPlatform, &row.strUptime,
                                         &row.strLocaltime};
    return CodePage::ToUnicode(*columns[index.column()]);
}

QVariant CSeekRowsModel::headerData(int nSection, Qt::Orientation eOrientation, int nRole) const
{
    if (eOrientation != Qt::Horizontal || nRole != Qt::DisplayRole || nSection < 0 ||
        nSection >= ColumnCount)
        return QVariant();
    static const char* const titles[] = {"Address:",  "User:",   "Mapped to:", "System:",
                                         "Platform:", "Uptime:", "Localtime:", "Presence:"};
    return tr(titles[nSection]);
}
