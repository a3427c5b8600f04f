#pragma once

#include <QStyledItemDelegate>

// Paints a list's text with the host's state beside it, right-aligned and
// quieter (green while the host is here), from the model's PresenceTextRole
// and PresenceHereRole; a row without them is painted as usual.
class CPresenceDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    static constexpr int PresenceTextRole = Qt::UserRole + 40;
    static constexpr int PresenceHereRole = Qt::UserRole + 41;

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* pPainter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
