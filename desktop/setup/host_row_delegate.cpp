#include "desktop/setup/host_row_delegate.h"

#include "desktop/resources/icon_list.h"

#include <QPainter>

void CHostRowDelegate::paint(QPainter* pPainter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const
{
    const bool bSelected = option.state.testFlag(QStyle::State_Selected);
    const QPalette& palette = option.palette;
    pPainter->save();
    pPainter->fillRect(option.rect, bSelected ? palette.highlight() : palette.base());
    for (int nColumn = 0; nColumn <= index.column(); ++nColumn) {
        if (index.siblingAtColumn(nColumn).data().toString().isEmpty()) {
            pPainter->restore();
            return;
        }
    }
    QRect textRect = option.rect;
    if (index.column() == 0) {
        CIconList::Draw(*pPainter, CIconList::Host, option.rect.left(), option.rect.top(),
                        kIconSize);
        textRect.setLeft(textRect.left() + kTextIndent);
    }
    pPainter->setPen(bSelected ? palette.color(QPalette::HighlightedText)
                               : palette.color(QPalette::Text));
    pPainter->setFont(option.font);
    pPainter->setClipRect(textRect);
    pPainter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                       index.data().toString());
    pPainter->restore();
}

QSize CHostRowDelegate::sizeHint(const QStyleOptionViewItem& option,
                                 const QModelIndex& /*index*/) const
{
    // Every row is one line high, whatever its texts.
    return {100, std::max(option.fontMetrics.height() + 2, kIconSize + 1)};
}
