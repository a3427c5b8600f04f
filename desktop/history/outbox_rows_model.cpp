#include "desktop/history/outbox_rows_model.h"

#include "core/outbox/outbox.h"
#include "core/text/code_page.h"
#include "core/text/shown_text.h"

#include <QDateTime>

namespace {

// A time of today by its hour, another with its day.
QString TimeText(qint64 nTime, int nRole)
{
    const QDateTime time = QDateTime::fromMSecsSinceEpoch(nTime);
    if (nRole == Qt::ToolTipRole)
        return time.toString(QStringLiteral("dddd d MMMM yyyy HH:mm:ss"));
    return time.toString(time.date() == QDate::currentDate() ? QStringLiteral("HH:mm")
                                                             : QStringLiteral("yyyy-MM-dd HH:mm"));
}

} // namespace

COutboxRowsModel::COutboxRowsModel(const COutbox& outbox, QObject* pParent)
    : QAbstractTableModel(pParent), m_outbox(outbox)
{
    Reload();
}

void COutboxRowsModel::Reload()
{
    beginResetModel();
    m_rows = m_outbox.Entries();
    endResetModel();
}

const COutboxEntry* COutboxRowsModel::Row(int nRow) const
{
    return nRow >= 0 && nRow < static_cast<int>(m_rows.size()) ? &m_rows[nRow] : nullptr;
}

int COutboxRowsModel::RowOf(qint64 nId) const
{
    for (std::size_t n = 0; n < m_rows.size(); ++n) {
        if (m_rows[n].nId == nId)
            return static_cast<int>(n);
    }
    return -1;
}

QString COutboxRowsModel::StateText(const COutbox& outbox, const COutboxEntry& entry)
{
    if (entry.eState == EOutboxState::Unknown)
        return QStringLiteral("unknown");
    return outbox.IsTrying(entry.nId) ? QStringLiteral("trying") : QStringLiteral("waiting");
}

int COutboxRowsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int COutboxRowsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant COutboxRowsModel::data(const QModelIndex& index, int nRole) const
{
    const COutboxEntry* pRow = Row(index.row());
    if (!pRow || (nRole != Qt::DisplayRole && nRole != Qt::ToolTipRole))
        return QVariant();
    switch (index.column()) {
    case To:
        return CodePage::ToUnicode(ShownText::Of(pRow->strAddress));
    case FirstLine:
        return CodePage::ToUnicode(ShownText::Of(pRow->strFirstLine));
    case Queued:
        return TimeText(pRow->nQueued, nRole);
    case Attempts:
        return pRow->nAttempts;
    case State:
        if (nRole == Qt::ToolTipRole && pRow->eState == EOutboxState::Unknown)
            return QStringLiteral("The note went out but no answer came: it may have arrived.\n"
                                  "It is not sent again unless you say so (Send now).");
        return StateText(m_outbox, *pRow);
    case Reason:
        return pRow->strReason;
    case NextTry:
        if (pRow->eState == EOutboxState::Unknown)
            return QStringLiteral("when you say");
        if (m_outbox.IsTrying(pRow->nId))
            return QStringLiteral("now");
        return TimeText(std::min(pRow->nNextTime, pRow->nGiveUp), nRole);
    default:
        return QVariant();
    }
}

QVariant COutboxRowsModel::headerData(int nSection, Qt::Orientation eOrientation, int nRole) const
{
    if (eOrientation != Qt::Horizontal || nRole != Qt::DisplayRole)
        return QVariant();
    static const char* const kHeaders[] = {"To",    "Note",        "Queued",  "Tries",
                                           "State", "Last reason", "Next try"};
    return nSection >= 0 && nSection < ColumnCount ? QString::fromLatin1(kHeaders[nSection])
                                                   : QVariant();
}
