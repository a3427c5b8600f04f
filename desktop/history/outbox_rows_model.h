#pragma once

#include "core/outbox/outbox_entry.h"

#include <QAbstractTableModel>

#include <vector>

class COutbox;

// The notes of the outbox as the Outbox window lists them, oldest first.
class COutboxRowsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum EColumn
    {
        To,
        FirstLine,
        Queued,
        Attempts,
        State,
        Reason,
        NextTry,
        ColumnCount,
    };

    explicit COutboxRowsModel(const COutbox& outbox, QObject* pParent = nullptr);

    // Reads the outbox again.
    void Reload();
    const COutboxEntry* Row(int nRow) const;
    int RowOf(qint64 nId) const;
    static QString StateText(const COutbox& outbox, const COutboxEntry& entry);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int nRole = Qt::DisplayRole) const override;
    QVariant headerData(int nSection, Qt::Orientation eOrientation,
                        int nRole = Qt::DisplayRole) const override;

private:
    const COutbox& m_outbox;
    std::vector<COutboxEntry> m_rows;
};
