#include "desktop/presence/presence_delegate.h"

#include <QApplication>
#include <QPainter>

namespace {

constexpr int kGap = 12;

} // namespace

void CPresenceDelegate::paint(QPainter* pPainter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const
{
    const QString strState = index.data(PresenceTextRole).toString();
    if (strState.isEmpty()) {
        QStyledItemDelegate::paint(pPainter, option, index);
        return;
    }
    const QFontMetrics metrics(option.font);
    // The name keeps the room it needs first; the state is cut when both do not fit.
    QStyleOptionViewItem nameOption(option);
    initStyleOption(&nameOption, index);
    const int nNameWidth =
        metrics.horizontalAdvance(nameOption.text) + nameOption.decorationSize.width() + 3 * kGap;
    QStyledItemDelegate::paint(pPainter, option, index);
    const QRect room = option.rect.adjusted(std::min(nNameWidth, option.rect.width()), 0, -4, 0);
    if (room.width() <= kGap)
        return;
    pPainter->save();
    const bool bSelected = (option.state & QStyle::State_Selected) != 0;
    QColor color = bSelected ? option.palette.color(QPalette::HighlightedText)
                             : option.palette.color(QPalette::PlaceholderText);
    if (!bSelected && index.data(PresenceHereRole).toBool())
        color = QColor(0x1b, 0x7f, 0x3b);
    pPainter->setPen(color);
    pPainter->setFont(option.font);
    pPainter->drawText(room, Qt::AlignRight | Qt::AlignVCenter,
                       metrics.elidedText(strState, Qt::ElideRight, room.width()));
    pPainter->restore();
}

QSize CPresenceDelegate::sizeHint(const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    const QString strState = index.data(PresenceTextRole).toString();
    if (!strState.isEmpty())
        size.rwidth() += QFontMetrics(option.font).horizontalAdvance(strState) + kGap;
    return size;
}
