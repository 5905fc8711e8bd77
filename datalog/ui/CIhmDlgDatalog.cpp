#include "datalog/ui/CIhmDlgDatalog.h"

#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <filesystem>

#include "comm/ProcessState.h"
#include "datalog/ui/DatalogChartView.h"
#include "history/HistoryRecord.h"
#include "history/ProgramRecording.h"
#include "platform/program_folder.h"
#include "transfer/DatalogSaver.h"
#include "transfer/ui/CIhmDlgExecutionTransfert.h"
#include "transfer/ui/UiThreadTransferUi.h"
#include "widgets/Alerts.h"
#include "widgets/AppIcon.h"
#include "widgets/ControlIds.h"
#include "widgets/FolderChooser.h"
#include "widgets/MenuDialogs.h"
#include "widgets/ModalSeam.h"
#include "widgets/WaitCursor.h"

namespace {

QLineEdit* MakeCtlEdit(QWidget* parent, int id) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(CtlName(id));
    return edit;
}

QLabel* MakeCtlLabel(QWidget* parent, int id, const char* text) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setObjectName(CtlName(id));
    return label;
}

// The default folder without its trailing '/'.
std::string DefaultDatalogFolder() {
    std::string folder = platform::DefaultDataFolder("Datalogs");
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

} // namespace

CIhmDlgDatalog::CIhmDlgDatalog(QWidget* parent, comm::IControllerLink& link)
    : QDialog(parent), link_(link) {
    setWindowTitle(QStringLiteral("Read datalogs"));
    setWindowIcon(ApplicationIcon());
    auto* layout = new QVBoxLayout(this);

    auto* ranges = new QGroupBox(QStringLiteral("Output range"), this);
    ranges->setObjectName(CtlName(kOutputRange));
    auto* grid = new QGridLayout(ranges);
    const int labelIds[3] = {kRange1Label, kRange2Label, kRange3Label};
    const int editIds[3] = {kRange1Edit, kRange2Edit, kRange3Edit};
    const char* labelTexts[3] = {"Range 1-8", "Range 9-17", "Range 18-24"};
    for (int r = 0; r < 3; ++r) {
        rangeLabels_[r] = MakeCtlLabel(ranges, labelIds[r], labelTexts[r]);
        files_[r] = MakeCtlEdit(ranges, editIds[r]);
        files_[r]->setReadOnly(true);
        files_[r]->setMinimumWidth(320);
        grid->addWidget(rangeLabels_[r], r, 0);
        grid->addWidget(files_[r], r, 1);
    }
    layout->addWidget(ranges);

    auto* target = new QGroupBox(QStringLiteral("Target directory"), this);
    target->setObjectName(CtlName(kTargetGroup));
    auto* row = new QHBoxLayout(target);
    folder_ = MakeCtlEdit(target, kFolderEdit);
    row->addWidget(folder_, 1);
    auto* select = MakeCtlButton(target, kSelectFolder, "Select folder");
    row->addWidget(select);
    layout->addWidget(target);

    auto* buttons = new QHBoxLayout;
    read_ = MakeCtlButton(this, kRead, "Read");
    showChart_ = MakeCtlButton(this, kShowChart, "Show chart");
    showChart_->setEnabled(false);
    auto* back = MakeCtlButton(this, kReturn, "Return");
    buttons->addStretch(1);
    buttons->addWidget(read_);
    buttons->addWidget(showChart_);
    buttons->addWidget(back);
    layout->addLayout(buttons);

    connect(select, &QPushButton::clicked, this, [this] { OnSelectFolder(); });
    connect(read_, &QPushButton::clicked, this, [this] { OnRead(); });
    connect(showChart_, &QPushButton::clicked, this, [this] { OnShowChart(); });
    connect(back, &QPushButton::clicked, this, &QDialog::reject);
    connect(folder_, &QLineEdit::textChanged, this, [this] { UpdateReadEnabled(); });
}

int CIhmDlgDatalog::DoModal() {
    {
        ScopedWaitCursor wait;
        UiThreadTransferUi ui(this);
        state_ = transfer::OpenDatalogDialog(
            link_, ControllerFamily().load(),
            presetFolder_.empty() ? DefaultDatalogFolder() : presetFolder_, ui);
    }
    readDone_ = false;
    if (!state_.keepOpen) {
        saved_ = true; // nothing embedded, nothing to lose
        return QDialog::Rejected;
    }
    Fill();
    return ModalSeam::Exec(*this, {"dialog", "CIhmDlgDatalog", "Read datalogs", "", 0});
}

void CIhmDlgDatalog::Fill() {
    folder_->setText(QString::fromStdString(state_.folder));
    for (int r = 0; r < 3; ++r) {
        files_[r]->setText(QString::fromStdString(state_.fileNames[std::size_t(r)]));
        rangeLabels_[r]->setEnabled(state_.RangeEnabled(r));
        const bool shown = r < 2 || state_.ShowsRange3();
        files_[r]->setVisible(shown);
        rangeLabels_[r]->setVisible(shown);
    }
    UpdateReadEnabled();
}

void CIhmDlgDatalog::UpdateReadEnabled() {
    std::error_code ec;
    read_->setEnabled(!readDone_ && state_.reachable && state_.config &&
                      std::filesystem::is_directory(folder_->text().toStdString(), ec));
}

void CIhmDlgDatalog::OnSelectFolder() {
    const QString start = folder_->text().isEmpty() ? QString(".") : folder_->text();
    ModalAnswer answer =
        ModalSeam::Ask({"folder", "", "Target directory", start.toStdString(), 0}, [this, &start] {
            QFileDialog chooser(this, QString(), start);
            SetUpTargetFolderChooser(chooser);
            if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
                return ModalAnswer{QDialog::Rejected, ""};
            return ModalAnswer{QDialog::Accepted, chooser.selectedFiles().front().toStdString()};
        });
    if (answer.code == QDialog::Accepted && !answer.text.empty())
        folder_->setText(QString::fromStdString(answer.text));
}

void CIhmDlgDatalog::OnRead() {
    ScopedWaitCursor wait;
    history::OperationRecord record(history::kDatalogsRead, link_);
    UiThreadTransferUi ui(this);
    transfer::DatalogSource source;
    const transfer::DatalogReadCheck check = transfer::CheckDatalogRead(link_, ui, source);
    if (check == transfer::DatalogReadCheck::kNoDatalogs)
        saved_ = true; // nothing to lose
    if (check != transfer::DatalogReadCheck::kReady)
        return record.Finish(check == transfer::DatalogReadCheck::kDeclined ? history::kCancelled
                                                                            : history::kFailed);
    state_.folder = folder_->text().toStdString();
    std::unique_ptr<transfer::CTransfertReadDatalogBase> job =
        transfer::MakeDatalogTransfer(source, state_, link_);
    RunTransfertDialog(this, *job);
    outcomes_ = job->Outcomes();
    saved_ = job->IsFinished() && !job->IsFailed() && transfer::AllGenerated(outcomes_);
    for (const transfer::DatalogRangeOutcome& o : outcomes_)
        if (o.generated)
            record.AddFile(o.path);
    record.Finish(saved_ ? history::kDone : history::kFailed);
    const bool wrote =
        std::any_of(outcomes_.begin(), outcomes_.end(),
                    [](const transfer::DatalogRangeOutcome& o) { return o.generated; });
    if (!wrote) {
        accept();
        return;
    }
    // The files are there: the technician may look at their trends before leaving.
    // A second read is not what the user asked for: "Read" stays off until the dialog is
    // opened again.
    showChart_->setEnabled(true);
    readDone_ = true;
    UpdateReadEnabled();
}

void CIhmDlgDatalog::OnShowChart() {
    std::vector<std::string> paths;
    for (const transfer::DatalogRangeOutcome& o : outcomes_)
        if (o.generated)
            paths.push_back(o.path);
    std::vector<transfer::DatalogChartData> charts;
    std::string error;
    if (!LoadDatalogCharts(paths, charts, error)) {
        ErrorAlert(this, error);
        return;
    }
    CIhmDlgDatalogChart chart(charts, this);
    chart.DoModal();
}

void RegisterDatalogDialog() {
    RegisterMenuDialog(kMenuDatalogs, [](QWidget* parent) {
        CIhmDlgDatalog dlg(parent);
        dlg.DoModal();
        return true;
    });
    transfer::InstallDatalogSaver([](const std::string& folder) {
        CIhmDlgDatalog dlg(QApplication::activeWindow());
        dlg.SetFolder(folder);
        dlg.DoModal();
        return dlg.Saved();
    });
}
