#include "fleet/ui/CIhmDlgFleet.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "discovery/CDiscoveryClient.h"
#include "discovery/DiscoveryAddress.h"
#include "fleet/FleetJobs.h"
#include "platform/program_folder.h"
#include "widgets/Alerts.h"
#include "comm/LinkState.h"
#include "widgets/MenuDialogs.h"

namespace {

enum Column { kName, kAddress, kModel, kSoftware, kRun, kLocked, kClock, kLastBackup, kProgress };
constexpr int kColumns = 9;
constexpr int kDefaultJobs = 8;

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

void SetCell(QTableWidget* table, int row, int column, const std::string& text) {
    auto* item = new QTableWidgetItem(Q(text));
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    table->setItem(row, column, item);
}

std::string YesNo(const std::optional<bool>& v, const char* yes, const char* no) {
    return v ? (*v ? yes : no) : "";
}

} // namespace

struct CIhmDlgFleet::Slot {
    std::size_t job = 0;
    QProcess* process = nullptr;
    bool changes = false;
    std::string what;
};

CIhmDlgFleet::CIhmDlgFleet(std::vector<fleet::Target> targets, std::string program, QWidget* parent)
    : QDialog(parent), targets_(std::move(targets)), program_(std::move(program)),
      table_(new QTableWidget(int(targets_.size()), kColumns, this)),
      summaryLabel_(new QLabel(this)) {
    setWindowTitle(QStringLiteral("Fleet"));
    table_->setHorizontalHeaderLabels({"Controller", "Address", "Model", "Software", "Run",
                                       "Locked", "Clock offset", "Last backup", "Progress"});
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->horizontalHeader()->setStretchLastSection(true);
    for (int r = 0; r < int(targets_.size()); ++r) {
        SetCell(table_, r, kName, targets_[std::size_t(r)].Name());
        SetCell(table_, r, kAddress, targets_[std::size_t(r)].Address());
    }
    connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { UseRow(row); });

    auto* buttons = new QHBoxLayout;
    auto add = [&](const char* text, std::function<void()> action) {
        auto* b = new QPushButton(QString::fromUtf8(text), this);
        connect(b, &QPushButton::clicked, this, action);
        buttons->addWidget(b);
        buttons_.push_back(b);
    };
    add("Refresh", [this] { Refresh(); });
    add("Backup...", [this] {
        const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Backup"));
        if (!folder.isEmpty())
            Backup(folder.toStdString());
    });
    add("Set clocks", [this] { SetClocks(); });
    add("Update firmware...", [this] {
        const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("Update firmware"),
                                                          {}, QStringLiteral("*.vqfw"));
        if (!file.isEmpty())
            UpdateFirmware(file.toStdString());
    });
    add("Write program...", [this] {
        const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("Write program"), {},
                                                          QStringLiteral("*.vqap"));
        if (!file.isEmpty())
            WriteProgram(file.toStdString());
    });
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    layout->addWidget(summaryLabel_);
    layout->addLayout(buttons);
    resize(900, 400);
}

CIhmDlgFleet::~CIhmDlgFleet() {
    StopReads();
}

void CIhmDlgFleet::StopReads() {
    for (auto& slot : slots_) {
        slot->process->disconnect(this);
        slot->process->kill();
        slot->process->waitForFinished(5000);
        jobs_[slot->job]->Stopped();
    }
    slots_.clear();
}

void CIhmDlgFleet::reject() {
    // A change under way is let finish: the window stays until it has.
    for (const auto& slot : slots_) {
        if (slot->changes) {
            InfoAlert(this, targets_[std::size_t(jobRows_[slot->job])].Name() + ": " + slot->what +
                                " is under way; it is let finish.");
            nextJob_ = jobs_.size();
            return;
        }
    }
    StopReads();
    jobs_.clear();
    QDialog::reject();
}

std::vector<int> CIhmDlgFleet::ChosenRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : table_->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    if (rows.empty())
        for (int r = 0; r < table_->rowCount(); ++r)
            rows.push_back(r);
    return rows;
}

bool CIhmDlgFleet::Confirm(const std::string& action, const std::vector<int>& rows,
                           const std::vector<std::string>& what) {
    std::string text = action + ":\n";
    for (std::size_t i = 0; i < rows.size(); ++i)
        text += "  " + targets_[std::size_t(rows[i])].Name() + " (" +
                targets_[std::size_t(rows[i])].Address() + ")" +
                (what.empty() ? "" : ": " + what[i]) + "\n";
    return QuestionAlert(this, text + "Go on?");
}

void CIhmDlgFleet::Refresh() {
    Run(ChosenRows(), [this](const fleet::Target& t) { return fleet::MakeListJob(t, settings_); },
        kDefaultJobs, false, {});
}

void CIhmDlgFleet::Backup(const std::string& folder) {
    const std::vector<int> rows = ChosenRows();
    if (!Confirm("Back up into " + folder, rows, {}))
        return;
    settings_.answer = fleet::Answer::Yes;
    Run(rows,
        [this, folder](const fleet::Target& t) {
            return fleet::MakeBackupJob(t, settings_, folder);
        },
        kDefaultJobs, false, {});
}

void CIhmDlgFleet::SetClocks() {
    const std::vector<int> rows = ChosenRows();
    if (!Confirm("Set each clock to this PC's time", rows, {}))
        return;
    Run(rows,
        [this](const fleet::Target& t) {
            return fleet::MakeClockSetJob(t, settings_, std::nullopt);
        },
        kDefaultJobs, false, {});
}

void CIhmDlgFleet::UpdateFirmware(const std::string& package) {
    CheckThenChange(
        "Update the firmware",
        [this, package](const fleet::Target& t) {
            return fleet::MakeFirmwareCheckJob(t, settings_, package);
        },
        [this, package](const fleet::Target& t) {
            return fleet::MakeFirmwareUpdateJob(t, settings_, package);
        });
}

void CIhmDlgFleet::WriteProgram(const std::string& file) {
    CheckThenChange(
        "Write the program",
        [this, file](const fleet::Target& t) {
            return fleet::MakeProgramCheckJob(t, settings_, file);
        },
        [this, file](const fleet::Target& t) {
            return fleet::MakeProgramWriteJob(t, settings_, file);
        });
}

void CIhmDlgFleet::CheckThenChange(const std::string& action, const MakeJob& check,
                                   const MakeJob& change) {
    const std::vector<int> rows = ChosenRows();
    Run(rows, check, kDefaultJobs, false, [this, action, change] {
        std::vector<int> fitting;
        std::vector<std::string> what;
        for (const fleet::Row& r : ended_) {
            if (r.result != fleet::Result::Done)
                continue;
            for (int k = 0; k < int(targets_.size()); ++k)
                if (targets_[std::size_t(k)].Address() == r.target.Address())
                    fitting.push_back(k);
            what.push_back(r.message);
        }
        if (fitting.empty() || !Confirm(action + ", one controller at a time", fitting, what))
            return;
        settings_.answer = fleet::Answer::Yes;
        Run(fitting, change, 1, true, {});
    });
}

void CIhmDlgFleet::Run(const std::vector<int>& rows, const MakeJob& make, int parallel,
                       bool stopAtFailure, std::function<void()> then) {
    if (Busy())
        return;
    jobs_.clear();
    jobRows_ = rows;
    ended_.clear();
    for (int r : rows) {
        jobs_.push_back(make(targets_[std::size_t(r)]));
        SetCell(table_, r, kProgress, "waiting");
    }
    nextJob_ = 0;
    parallel_ = parallel;
    stopAtFailure_ = stopAtFailure;
    failed_ = false;
    then_ = std::move(then);
    SetButtonsEnabled(false);
    StartMore();
}

void CIhmDlgFleet::StartMore() {
    while (!(stopAtFailure_ && failed_) && int(slots_.size()) < parallel_ &&
           nextJob_ < jobs_.size()) {
        const std::size_t k = nextJob_++;
        if (std::optional<fleet::ChildRun> child = jobs_[k]->Next())
            Spawn(k, *child);
        else
            RowEnded(k);
    }
    if (!slots_.empty())
        return;
    // Everything ended: the rows not attempted say so, then the summary.
    int done = 0, failed = 0, skipped = 0;
    for (std::size_t k = nextJob_; k < jobs_.size(); ++k)
        SetCell(table_, jobRows_[k], kProgress, "skipped: not attempted, an earlier one failed");
    for (const fleet::Row& r : ended_)
        (r.result == fleet::Result::Done     ? done
         : r.result == fleet::Result::Failed ? failed
                                             : skipped)++;
    skipped += int(jobs_.size() - nextJob_);
    summary_ = std::to_string(done) + " done, " + std::to_string(failed) + " failed, " +
               std::to_string(skipped) + " skipped";
    summaryLabel_->setText(Q(summary_));
    jobs_.clear();
    SetButtonsEnabled(true);
    std::function<void()> then = std::move(then_);
    then_ = {};
    emit ActionEnded();
    if (then)
        then();
}

void CIhmDlgFleet::Spawn(std::size_t job, const fleet::ChildRun& child) {
    auto slot = std::make_unique<Slot>();
    slot->job = job;
    slot->process = new QProcess(this);
    slot->changes = child.changesController;
    slot->what = child.what;
    QStringList args;
    for (const std::string& a : child.args)
        args << Q(a);
    Slot* raw = slot.get();
    connect(slot->process, &QProcess::finished, this, [this, raw] { ChildEnded(raw); });
    connect(slot->process, &QProcess::errorOccurred, this, [this, raw](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            ChildEnded(raw);
    });
    SetCell(table_, jobRows_[job], kProgress, child.changesController ? child.what : "reading");
    slots_.push_back(std::move(slot));
    raw->process->start(Q(program_), args);
    raw->process->write(child.input.data(), qint64(child.input.size()));
    raw->process->closeWriteChannel();
}

void CIhmDlgFleet::ChildEnded(Slot* slot) {
    QProcess* p = slot->process;
    fleet::ChildResult result;
    result.exitCode =
        p->exitStatus() == QProcess::NormalExit && p->error() != QProcess::FailedToStart
            ? p->exitCode()
            : -1;
    result.out = p->readAllStandardOutput().toStdString();
    result.err = p->readAllStandardError().toStdString();
    if (p->error() == QProcess::FailedToStart)
        result.err += "cannot start " + program_ + "\n";
    p->deleteLater();
    const std::size_t k = slot->job;
    slots_.erase(std::find_if(slots_.begin(), slots_.end(),
                              [slot](const std::unique_ptr<Slot>& s) { return s.get() == slot; }));
    jobs_[k]->Finished(result);
    if (std::optional<fleet::ChildRun> child = jobs_[k]->Next())
        Spawn(k, *child);
    else
        RowEnded(k);
    StartMore();
}

void CIhmDlgFleet::RowEnded(std::size_t job) {
    const fleet::Row& r = jobs_[job]->row();
    const int row = jobRows_[job];
    ShowState(row, r.state);
    SetCell(table_, row, kProgress,
            std::string(fleet::ResultName(r.result)) + (r.message.empty() ? "" : ": " + r.message));
    failed_ = failed_ || r.result == fleet::Result::Failed;
    ended_.push_back(r);
}

void CIhmDlgFleet::ShowState(int row, const fleet::ControllerState& s) {
    auto show = [&](int column, const std::optional<std::string>& v) {
        if (v)
            SetCell(table_, row, column, *v);
    };
    show(kModel, s.model);
    show(kSoftware, s.software);
    if (s.running)
        SetCell(table_, row, kRun, YesNo(s.running, "on", "off"));
    if (s.locked)
        SetCell(table_, row, kLocked, YesNo(s.locked, "yes", "no"));
    if (s.clockOffsetS)
        SetCell(table_, row, kClock, std::to_string(*s.clockOffsetS) + " s");
    show(kLastBackup, s.lastBackup);
}

void CIhmDlgFleet::SetButtonsEnabled(bool enabled) {
    for (QPushButton* b : buttons_)
        b->setEnabled(enabled);
}

void CIhmDlgFleet::UseRow(int row) {
    if (row < 0 || row >= int(targets_.size()) || Busy())
        return;
    const fleet::Target& t = targets_[std::size_t(row)];
    const std::optional<std::uint32_t> address = discovery::ParseDotted(t.host);
    if (address && UseEthernetLink(discovery::HostFromMsb(*address), t.port, ""))
        accept();
}

void RegisterFleetWindow() {
    RegisterMenuDialog(kMenuFleet, [](QWidget* parent) {
        std::vector<fleet::Target> targets;
        if (std::optional<DiscoveryTable> table =
                discovery::CDiscoveryClient::Instance().GetTable())
            targets = fleet::TargetsFromTable(*table);
        CIhmDlgFleet dialog(std::move(targets), platform::ProgramFolder() + "quorvel-cli", parent);
        if (!dialog.Busy())
            dialog.Refresh();
        return dialog.exec() == QDialog::Accepted;
    });
}
