#include "history/ui/CIhmDlgServiceHistory.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <filesystem>

#include "history/HistoryText.h"
#include "history/ProgramRecording.h"
#include "widgets/MenuDialogs.h"

namespace {

// The most rows the window lists at once; the filter finds older ones.
constexpr std::int64_t kShownRows = 1000;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

CIhmDlgServiceHistory::CIhmDlgServiceHistory(history::HistoryDb& db, WriteBack writeBack,
                                             QWidget* parent)
    : QDialog(parent), db_(db), writeBack_(std::move(writeBack)) {
    setWindowTitle("Service history");
    resize(900, 560);
    filter_ = new QLineEdit(this);
    filter_->setPlaceholderText("Controller label or code8, or operation");
    table_ = new QTableWidget(0, 6, this);
    table_->setHorizontalHeaderLabels(
        {"Started", "Operation", "Result", "Controller", "Link", "Message"});
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->verticalHeader()->hide();
    details_ = new QPlainTextEdit(this);
    details_->setReadOnly(true);
    writeBackButton_ = new QPushButton("Write this program back", this);
    auto* close = new QPushButton("Close", this);

    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(new QLabel("Filter:", this));
    filterRow->addWidget(filter_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(writeBackButton_);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filterRow);
    layout->addWidget(table_, 3);
    layout->addWidget(details_, 2);
    layout->addLayout(buttons);

    connect(filter_, &QLineEdit::textChanged, this, [this] { Reload(); });
    connect(table_, &QTableWidget::itemSelectionChanged, this, [this] { ShowSelection(); });
    connect(writeBackButton_, &QPushButton::clicked, this, [this] { WriteSelectedBack(); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    Reload();
}

void CIhmDlgServiceHistory::Reload() {
    history::Filter filter;
    const std::string text = filter_->text().trimmed().toStdString();
    if (history::IsOperationName(text))
        filter.operation = text;
    else
        filter.controller = text;
    filter.limit = kShownRows;
    rows_ = db_.Query(filter);
    table_->clearSelection();
    table_->setRowCount(static_cast<int>(rows_.size()));
    for (int i = 0; i < static_cast<int>(rows_.size()); ++i) {
        const history::Record& r = rows_[static_cast<std::size_t>(i)];
        const std::string cells[] = {history::IsoLocal(r.started),
                                     r.operation,
                                     r.result,
                                     history::ControllerText(r.controller),
                                     history::LinkText(r.link),
                                     r.message};
        for (int c = 0; c < 6; ++c)
            table_->setItem(i, c, new QTableWidgetItem(Q(cells[c])));
    }
    table_->resizeColumnsToContents();
    ShowSelection();
}

const history::Record* CIhmDlgServiceHistory::Selected() const {
    const int row = table_->currentRow();
    if (table_->selectedItems().isEmpty() || row < 0 || row >= static_cast<int>(rows_.size()))
        return nullptr;
    return &rows_[static_cast<std::size_t>(row)];
}

void CIhmDlgServiceHistory::ShowSelection() {
    const history::Record* r = Selected();
    details_->setPlainText(r ? Q(history::HistoryDetails(*r)) : QString());
    std::error_code ec;
    writeBackButton_->setEnabled(r != nullptr && !r->kept.empty() &&
                                 std::filesystem::is_regular_file(r->kept, ec));
}

void CIhmDlgServiceHistory::SetFilterText(const QString& text) {
    filter_->setText(text);
}

void CIhmDlgServiceHistory::SelectRow(int row) {
    table_->selectRow(row);
}

void CIhmDlgServiceHistory::WriteSelectedBack() {
    const history::Record* r = Selected();
    if (r == nullptr || !writeBackButton_->isEnabled() || !writeBack_)
        return;
    const std::string kept = r->kept;
    writeBack_(this, kept);
    Reload(); // the write is a row of its own
}

int CIhmDlgServiceHistory::RowCount() const {
    return table_->rowCount();
}

bool CIhmDlgServiceHistory::WriteBackEnabled() const {
    return writeBackButton_->isEnabled();
}

QString CIhmDlgServiceHistory::DetailsText() const {
    return details_->toPlainText();
}

void RegisterServiceHistoryWindow(CIhmDlgServiceHistory::WriteBack writeBack) {
    RegisterMenuDialog(kMenuServiceHistory, [writeBack](QWidget* parent) {
        // Its warnings (a damaged file set aside, a newer schema) are the program's history
        // warnings.
        CIhmDlgServiceHistory dialog(history::ProgramHistory(), writeBack, parent);
        dialog.exec();
        return true;
    });
}
