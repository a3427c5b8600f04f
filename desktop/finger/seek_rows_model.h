#pragma once

#include "core/finger/seek_row.h"

#include <QAbstractTableModel>
#include <QTimer>

#include <vector>

class CHostPresence;

// The Seeker's rows: appended as probes finish, shown in batches, so that a
// seek of tens of thousands of hosts never holds up the window.
class CSeekRowsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum EColumn
    {
        Address,
        User,
        MappedTo,
        System,
        Platform,
        Uptime,
        Localtime,
        Presence, // who is up as known without asking (the Seeker's answers too)
        ColumnCount
    };

    explicit CSeekRowsModel(QObject* pParent = nullptr);

    // Shows each host's presence in the last column.
    void SetPresence(const CHostPresence* pPresence);
    // Shown with the next batch, at the latest a moment later.
    void Append(SeekRow::CRow row);
    // Shows what waits at once.
    void Flush();
    void Clear();
    // The row's address, in the code page; empty for no row.
    QByteArray AddressOf(int nRow) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int nRole = Qt::DisplayRole) const override;
    QVariant headerData(int nSection, Qt::Orientation eOrientation,
                        int nRole = Qt::DisplayRole) const override;

private:
    std::vector<SeekRow::CRow> m_rows;
    std::vector<SeekRow::CRow> m_pending;
    QTimer m_flush;
    const CHostPresence* m_pPresence = nullptr;
};
