#pragma once

#include "core/hosts/host_list.h"

#include <QAbstractTableModel>

class CHostPresence;

// The rows of the hosts page: a copy of the host list that the page edits and
// writes back when it is applied.
class CHostRowsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum EColumn
    {
        Nickname = 0,
        Address = 1,
        Group = 2,
        Presence = 3, // shown only, never edited or stored
        ColumnCount = 4,
    };

    // pPresence: who is up, for the Presence column (none: the column stays empty).
    CHostRowsModel(QList<CHostEntry> rows, const CHostPresence* pPresence, QObject* pParent);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int nRole) const override;
    QVariant headerData(int nSection, Qt::Orientation eOrientation, int nRole) const override;

    const QList<CHostEntry>& Rows() const { return m_rows; }
    // For each row, the index in the host list it was copied from, or -1 for a
    // row added on the page.
    const QList<qsizetype>& Origins() const { return m_origins; }
    // The rows have been stored as the host list: each is now at its own index
    // (a second Apply then compares them in place instead of rewriting all).
    void MarkStored();
    static const QByteArray& Cell(const CHostEntry& row, int nColumn);
    void SetCell(int nRow, int nColumn, const QByteArray& strText);
    void Append(const QList<CHostEntry>& rows);
    void Remove(int nRow);
    void RemoveAll();

private:
    const CHostPresence* m_pPresence;
    QList<CHostEntry> m_rows;
    QList<qsizetype> m_origins;
};
