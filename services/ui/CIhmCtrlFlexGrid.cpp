#include "services/ui/CIhmCtrlFlexGrid.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QStringList>

#include "widgets/ControlIds.h"

namespace {

// The names after each "|" of one line of the format string.
QStringList Names(const QString& line) {
    QStringList parts = line.split(QLatin1Char('|'));
    if (!parts.isEmpty())
        parts.removeFirst(); // the corner cell
    return parts;
}

} // namespace

CIhmCtrlFlexGrid::CIhmCtrlFlexGrid(QWidget* parent, int id) : QTableWidget(parent), id_(id) {
    setObjectName(CtlName(id));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    // Each column as wide as its header and its cells, so that no header is cut.
    horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
}

void CIhmCtrlFlexGrid::SetFormatString(const std::string& format) {
    const QString text = QString::fromStdString(format);
    const int split = text.indexOf(QLatin1Char('\n'));
    const QStringList columns = Names(split < 0 ? text : text.left(split));
    const QStringList rows = split < 0 ? QStringList() : Names(text.mid(split + 1));
    setColumnCount(int(columns.size()));
    setRowCount(int(rows.size()));
    setHorizontalHeaderLabels(columns);
    setVerticalHeaderLabels(rows);
}

void CIhmCtrlFlexGrid::SetTextMatrix(int row, int col, const std::string& text) {
    if (row < 1 || col < 1 || row > rowCount() || col > columnCount())
        return;
    setItem(row - 1, col - 1, new QTableWidgetItem(QString::fromStdString(text)));
}

std::string CIhmCtrlFlexGrid::TextMatrix(int row, int col) const {
    if (row == 0 && col > 0 && horizontalHeaderItem(col - 1))
        return horizontalHeaderItem(col - 1)->text().toStdString();
    if (col == 0 && row > 0 && verticalHeaderItem(row - 1))
        return verticalHeaderItem(row - 1)->text().toStdString();
    const QTableWidgetItem* cell = row > 0 && col > 0 ? item(row - 1, col - 1) : nullptr;
    return cell ? cell->text().toStdString() : std::string();
}

void CIhmCtrlFlexGrid::mousePressEvent(QMouseEvent* event) {
    QTableWidget::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        emit Clicked(id_);
}
