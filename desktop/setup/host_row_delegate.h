#pragma once

#include <QStyledItemDelegate>

// Draws a row of the hosts page: the host symbol and the texts, left to right,
// stopping at the first empty cell (a row without a nickname shows nothing, one
// without an address only its nickname), in the desktop's own colours.
class CHostRowDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* pPainter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // The symbol's side, and where the first column's text starts.
    static constexpr int kIconSize = 16;
    static constexpr int kTextIndent = 20;
};
