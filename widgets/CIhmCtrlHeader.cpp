#include "widgets/CIhmCtrlHeader.h"

#include <QPainter>

CIhmCtrlHeader::CIhmCtrlHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(false);
    setHighlightSections(false);
}

void CIhmCtrlHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!rect.isValid())
        return;
    painter->save();
    const QPalette& pal = palette();
    painter->fillRect(rect, pal.color(QPalette::Button));
    // 3-D frame: light top-left, shadow bottom-right.
    painter->setPen(Qt::white);
    painter->drawLine(rect.topLeft(), rect.topRight());
    painter->drawLine(rect.topLeft(), rect.bottomLeft());
    painter->setPen(pal.color(QPalette::Dark));
    painter->drawLine(rect.bottomLeft(), rect.bottomRight());
    painter->drawLine(rect.topRight(), rect.bottomRight());

    QString text =
        model() ? model()->headerData(logicalIndex, orientation()).toString() : QString();
    painter->setPen(pal.color(QPalette::ButtonText));
    QRect textRect = rect.adjusted(5, 1, -2, 0);
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, text);
    painter->restore();
}
