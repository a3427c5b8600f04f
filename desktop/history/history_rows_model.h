#pragma once

#include "core/history/history_note.h"

#include <QAbstractTableModel>

#include <vector>

class CHistoryStore;

// The notes of the history as rows, newest first, read a page at a time as the
// list is scrolled: a history of a million notes opens as fast as one of ten.
class CHistoryRowsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum EColumn
    {
        Time,
        Direction,
        Host,
        Nickname,
        FirstLine,
        Result,
        ColumnCount,
    };
    static constexpr int PageSize = 200;

    explicit CHistoryRowsModel(CHistoryStore& store, QObject* pParent = nullptr);

    // Shows the notes this filter lets through, from the newest.
    void SetFilter(const CHistoryFilter& filter);
    const CHistoryFilter& Filter() const { return m_filter; }
    // Reads the list again from the top (new notes, or notes deleted).
    void Reload();

    const CHistoryRow* Row(int nRow) const;
    // The last failure to read, empty when reading works.
    const QString& Error() const { return m_strError; }

    // The text of a row's result column ("delivered", "2 of 3 delivered", ...).
    static QString ResultText(const CHistoryRow& row);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int nRole = Qt::DisplayRole) const override;
    QVariant headerData(int nSection, Qt::Orientation eOrientation,
                        int nRole = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

Q_SIGNALS:
    void ErrorChanged();

private:
    std::vector<CHistoryRow> ReadPage(qint64 nBeforeId);

    CHistoryStore& m_store;
    CHistoryFilter m_filter;
    std::vector<CHistoryRow> m_rows;
    bool m_bAtEnd = false;
    QString m_strError;
};
