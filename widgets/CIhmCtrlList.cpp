#include "widgets/CIhmCtrlList.h"

#include <QApplication>
#include <QFontInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include "widgets/CIhmCtrlHeader.h"

namespace {

// Draws one cell as the list's owner drawing does.
class RowDelegate : public QStyledItemDelegate {
  public:
    explicit RowDelegate(CIhmCtrlList* list) : QStyledItemDelegate(list), list_(list) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QPalette& pal = option.palette;
        bool selected = option.state & QStyle::State_Selected;
        QColor fill = selected ? pal.color(QPalette::Highlight) : pal.color(QPalette::Base);
        QColor ink = selected ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text);
        if (list_->FirstColumn() && index.column() == 0) {
            fill = QColor(kFirstColumnRgb[0], kFirstColumnRgb[1], kFirstColumnRgb[2]);
            ink = pal.color(QPalette::Text);
        }
        painter->save();
        painter->fillRect(option.rect, fill);
        painter->setPen(ink);
        painter->setFont(QApplication::font());
        Qt::Alignment align = Qt::AlignLeft;
        QVariant a = index.data(Qt::TextAlignmentRole);
        if (a.isValid())
            align = Qt::Alignment(a.toInt()) & Qt::AlignHorizontal_Mask;
        QRect textRect = option.rect.adjusted(1, 0, 0, 0);
        painter->drawText(textRect, align | Qt::AlignVCenter, index.data().toString());
        painter->restore();
    }

  private:
    CIhmCtrlList* list_;
};

// Windows-style key flags of a mouse message's word parameter.
quintptr KeyFlags(const QMouseEvent* e) {
    quintptr flags = 0;
    if (e->buttons() & Qt::LeftButton)
        flags |= 0x0001;
    if (e->buttons() & Qt::RightButton)
        flags |= 0x0002;
    if (e->modifiers() & Qt::ShiftModifier)
        flags |= 0x0004;
    if (e->modifiers() & Qt::ControlModifier)
        flags |= 0x0008;
    if (e->buttons() & Qt::MiddleButton)
        flags |= 0x0010;
    return flags;
}

} // namespace

CIhmCtrlList::CIhmCtrlList(QWidget* parent) : QTableWidget(parent) {
    verticalHeader()->hide();
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void CIhmCtrlList::Setup(bool bothFonts) {
    QString face = QApplication::font().family();
    if (face.isEmpty())
        face = QStringLiteral("MS Serif");
    if (bothFonts) {
        QFont rows(face);
        rows.setPointSizeF(fontTenths_ / 10.0);
        setFont(rows);
    }
    if (!header_) {
        header_ = new CIhmCtrlHeader(this);
        QFont headerFont(face);
        headerFont.setPointSizeF(fontTenths_ / 10.0);
        if (bothFonts)
            header_->setFont(headerFont);
        setHorizontalHeader(header_);
        header_->setStretchLastSection(false);
        // A new header forgets the section sizes: give the columns theirs again.
        for (int c = 0; c < columnCount() && c < widths_.size(); ++c)
            ApplyWidth(c, widths_[c]);
    }
    setItemDelegate(new RowDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(RowHeight());
}

int CIhmCtrlList::RowHeight() const {
    QFontMetrics fm(font());
    return fm.height() + fm.leading() + 1;
}

void CIhmCtrlList::AddColumn(const QString& title, int width, Qt::Alignment align) {
    int column = columnCount();
    setColumnCount(column + 1);
    auto* item = new QTableWidgetItem(title);
    item->setTextAlignment(align);
    setHorizontalHeaderItem(column, item);
    widths_.push_back(width);
    ApplyWidth(column, width);
}

void CIhmCtrlList::ApplyWidth(int column, int width) {
    setColumnWidth(column, width);
    // A column of width 0 holds data the user never sees.
    setColumnHidden(column, width == 0);
}

int CIhmCtrlList::InsertRow(int row, const QStringList& texts) {
    if (row < 0 || row > rowCount())
        row = rowCount();
    insertRow(row);
    for (int c = 0; c < columnCount() && c < texts.size(); ++c) {
        auto* item = new QTableWidgetItem(texts[c]);
        QTableWidgetItem* head = horizontalHeaderItem(c);
        if (head)
            item->setTextAlignment(Qt::Alignment(head->textAlignment()));
        setItem(row, c, item);
    }
    return row;
}

QString CIhmCtrlList::Text(int row, int column) const {
    QTableWidgetItem* it = item(row, column);
    return it ? it->text() : QString();
}

int CIhmCtrlList::SelectedRow() const {
    QList<QTableWidgetItem*> items = selectedItems();
    return items.isEmpty() ? -1 : items.front()->row();
}

void CIhmCtrlList::Report(int message, QMouseEvent* event) {
    // Mouse events reach the list through its viewport: its coordinates are the list's.
    QPoint p = event->position().toPoint();
    emit ParentMessage(message, KeyFlags(event), PackPoint(p.x(), p.y()));
}

void CIhmCtrlList::mousePressEvent(QMouseEvent* event) {
    QTableWidget::mousePressEvent(event);
    if (event->button() == Qt::RightButton)
        Report(kMsgListRightDown, event);
    else if (event->button() == Qt::LeftButton)
        Report(kMsgListLeftDown, event);
}

void CIhmCtrlList::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        Report(kMsgListLeftDouble, event);
}

void CIhmCtrlList::resizeEvent(QResizeEvent* event) {
    QTableWidget::resizeEvent(event);
    // Measure the rows again after a resize.
    verticalHeader()->setDefaultSectionSize(RowHeight());
}
