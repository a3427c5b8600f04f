#include "desktop/history/history_rows_model.h"

#include "core/history/history_store.h"
#include "core/text/code_page.h"
#include "core/text/shown_text.h"

#include <QDateTime>
#include <QFont>

CHistoryRowsModel::CHistoryRowsModel(CHistoryStore& store, QObject* pParent)
    : QAbstractTableModel(pParent), m_store(store)
{
    Reload();
}

void CHistoryRowsModel::SetFilter(const CHistoryFilter& filter)
{
    m_filter = filter;
    Reload();
}

void CHistoryRowsModel::Reload()
{
    beginResetModel();
    m_rows = ReadPage(0);
    m_bAtEnd = m_rows.size() < PageSize;
    endResetModel();
}

std::vector<CHistoryRow> CHistoryRowsModel::ReadPage(qint64 nBeforeId)
{
    CHistoryFilter filter = m_filter;
    filter.nBeforeId = nBeforeId;
    filter.nLimit = PageSize;
    QString strError;
    std::optional<std::vector<CHistoryRow>> rows = m_store.Find(filter, &strError);
    if (strError != m_strError) {
        m_strError = rows ? QString() : strError;
        Q_EMIT ErrorChanged();
    }
    if (!rows) {
        m_bAtEnd = true;
        return {};
    }
    return std::move(*rows);
}

const CHistoryRow* CHistoryRowsModel::Row(int nRow) const
{
    return nRow >= 0 && nRow < static_cast<int>(m_rows.size()) ? &m_rows[nRow] : nullptr;
}

int CHistoryRowsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CHistoryRowsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

bool CHistoryRowsModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && !m_bAtEnd;
}

void CHistoryRowsModel::fetchMore(const QModelIndex& parent)
{
    if (!canFetchMore(parent) || m_rows.empty())
        return;
    std::vector<CHistoryRow> page = ReadPage(m_rows.back().nId);
    m_bAtEnd = page.size() < PageSize;
    if (page.empty())
        return;
    const int nFirst = static_cast<int>(m_rows.size());
    beginInsertRows(QModelIndex(), nFirst, nFirst + static_cast<int>(page.size()) - 1);
    m_rows.insert(m_rows.end(), std::make_move_iterator(page.begin()),
                  std::make_move_iterator(page.end()));
    endInsertRows();
}

QString CHistoryRowsModel::ResultText(const CHistoryRow& row)
{
    if (row.eOrigin == EHistoryOrigin::File)
        return QStringLiteral("file");
    if (row.eDirection == EHistoryDirection::In)
        return QStringLiteral("received");
    if (row.nPending > 0)
        return QStringLiteral("sending");
    if (row.nWaiting > 0)
        return QStringLiteral("waiting");
    if (row.nDelivered == row.nRecipients)
        return QStringLiteral("delivered");
    if (row.nDelivered == 0)
        return QStringLiteral("failed");
    return QStringLiteral("%1 of %2 delivered").arg(row.nDelivered).arg(row.nRecipients);
}

QVariant CHistoryRowsModel::data(const QModelIndex& index, int nRole) const
{
    const CHistoryRow* pRow = Row(index.row());
    if (!pRow)
        return QVariant();
    if (nRole == Qt::FontRole && pRow->nPriority != 0) {
        // A high-priority note stands out, as its window does.
        QFont font;
        font.setBold(true);
        return font;
    }
    if (nRole == Qt::ToolTipRole && index.column() == Result && !pRow->strResults.isEmpty()) {
        // Which recipient got it and which not, a line each.
        QStringList lines;
        for (const QByteArray& strLine : pRow->strResults.split('\n'))
            lines << CodePage::ToUnicode(ShownText::Of(strLine));
        return lines.join(QLatin1Char('\n'));
    }
    if (nRole != Qt::DisplayRole && nRole != Qt::ToolTipRole)
        return QVariant();
    switch (index.column()) {
    case Time:
        return QDateTime::fromMSecsSinceEpoch(pRow->nTime)
            .toString(nRole == Qt::ToolTipRole ? QStringLiteral("dddd d MMMM yyyy HH:mm:ss")
                                               : QStringLiteral("yyyy-MM-dd HH:mm"));
    case Direction:
        return pRow->eDirection == EHistoryDirection::In ? QStringLiteral("in")
                                                         : QStringLiteral("out");
    case Host:
        return CodePage::ToUnicode(ShownText::Of(pRow->strHost));
    case Nickname:
        return CodePage::ToUnicode(ShownText::Of(pRow->strNickname.trimmed()));
    case FirstLine:
        return CodePage::ToUnicode(ShownText::Of(pRow->strFirstLine));
    case Result:
        return ResultText(*pRow);
    default:
        return QVariant();
    }
}

QVariant CHistoryRowsModel::headerData(int nSection, Qt::Orientation eOrientation, int nRole) const
{
    if (eOrientation != Qt::Horizontal || nRole != Qt::DisplayRole)
        return QVariant();
    static const char* const kHeaders[] = {"Time", "In/Out", "Host", "Nickname", "Note", "Result"};
    return nSection >= 0 && nSection < ColumnCount ? QString::fromLatin1(kHeaders[nSection])
                                                   : QVariant();
}
