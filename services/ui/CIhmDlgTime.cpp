#include "services/ui/CIhmDlgTime.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "history/HistoryRecord.h"
#include "history/ProgramRecording.h"
#include "services/ui/ServiceAlerts.h"
#include "widgets/Alerts.h"
#include "widgets/AppIcon.h"
#include "widgets/ControlIds.h"
#include "widgets/ModalSeam.h"

namespace {

constexpr const char* kTimeCaption = "Read/Write date and time";
constexpr int kTickMs = 1000;

QLineEdit* ReadOnly(QWidget* parent, int id) {
    auto* edit = Named(new QLineEdit(parent), id);
    edit->setReadOnly(true);
    return edit;
}

QString Number(int value) {
    return QString::number(value);
}

} // namespace

CIhmCtrlSpin::CIhmCtrlSpin(QWidget* parent, int id, QLineEdit* field, int low, int high)
    : QWidget(parent), field_(field), low_(low), high_(high) {
    setObjectName(CtlName(id));
    auto* up = new QToolButton(this);
    auto* down = new QToolButton(this);
    up->setArrowType(Qt::UpArrow);
    down->setArrowType(Qt::DownArrow);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(up);
    column->addWidget(down);
    connect(up, &QToolButton::clicked, this, [this] { Step(1); });
    connect(down, &QToolButton::clicked, this, [this] { Step(-1); });
}

void CIhmCtrlSpin::Step(int step) {
    bool ok = false;
    int value = field_->text().toInt(&ok);
    if (!ok)
        value = low_;
    field_->setText(Number(services::SpinStep(value, step, low_, high_)));
}

CIhmDlgTime::CIhmDlgTime(QWidget* parent, comm::IControllerLink* link)
    : QDialog(parent), link_(link ? *link : comm::ComClientLink()),
      manual_(Named(new QRadioButton(QStringLiteral("Manual"), this), 1148)),
      auto_(Named(new QRadioButton(QStringLiteral("Auto"), this), 1149)),
      manualGroup_(new QGroupBox(this)), autoGroup_(new QGroupBox(this)),
      date_(Named(new QDateEdit(manualGroup_), 1055)),
      hours_(MakeField(1032, 0, services::kMaxHour, false)),
      minutes_(MakeField(1026, 0, services::kMaxMinute, false)),
      seconds_(MakeField(1027, 0, services::kMaxSecond, false)),
      drift_(MakeField(1062, services::kMinDrift, services::kMaxDrift, true)),
      autoDate_(ReadOnly(autoGroup_, 1150)), autoHours_(ReadOnly(autoGroup_, 1033)),
      autoMinutes_(ReadOnly(autoGroup_, 1028)), autoSeconds_(ReadOnly(autoGroup_, 1029)),
      timer_(new QTimer(this)) {
    setWindowTitle(QString::fromUtf8(kTimeCaption));
    setWindowIcon(ApplicationIcon());
    date_->setDateRange(QDate(services::kFirstYear, 1, 1), QDate(services::kLastYear, 12, 31));
    date_->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    date_->setCalendarPopup(true);
    drift_->setText(QStringLiteral("0"));

    auto* manualGrid = new QGridLayout(manualGroup_);
    manualGrid->addWidget(date_, 0, 0, 1, 6);
    manualGrid->addWidget(hours_, 1, 0);
    manualGrid->addWidget(new CIhmCtrlSpin(manualGroup_, 1039, hours_, 0, services::kMaxHour), 1,
                          1);
    manualGrid->addWidget(minutes_, 1, 2);
    manualGrid->addWidget(new CIhmCtrlSpin(manualGroup_, 1040, minutes_, 0, services::kMaxMinute),
                          1, 3);
    manualGrid->addWidget(seconds_, 1, 4);
    manualGrid->addWidget(new CIhmCtrlSpin(manualGroup_, 1042, seconds_, 0, services::kMaxSecond),
                          1, 5);
    manualGrid->addWidget(new QLabel(QStringLiteral("Controller clock drift"), manualGroup_), 2, 0,
                          1, 4);
    manualGrid->addWidget(drift_, 2, 4, 1, 2);

    auto* autoGrid = new QGridLayout(autoGroup_);
    autoGrid->addWidget(autoDate_, 0, 0, 1, 3);
    autoGrid->addWidget(autoHours_, 1, 0);
    autoGrid->addWidget(autoMinutes_, 1, 1);
    autoGrid->addWidget(autoSeconds_, 1, 2);

    QPushButton* read = MakeCtlButton(this, 5, "Read");
    QPushButton* write = MakeCtlButton(this, 4, "Write");
    QPushButton* back = MakeCtlButton(this, 2, "Return");
    auto* grid = new QGridLayout(this);
    grid->addWidget(manual_, 0, 0);
    grid->addWidget(auto_, 0, 1);
    grid->addWidget(manualGroup_, 1, 0);
    grid->addWidget(autoGroup_, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(read);
    buttons->addWidget(write);
    buttons->addWidget(back);
    grid->addLayout(buttons, 2, 0, 1, 2);

    // Both groups start with the PC's time.
    const services::ClockTime now = services::LocalTimeNow();
    date_->setDate(QDate(now.year, now.month, now.day));
    hours_->setText(Number(now.hour));
    minutes_->setText(Number(now.minute));
    seconds_->setText(Number(now.second));
    OnTick();
    SetManual(true);

    connect(manual_, &QRadioButton::clicked, this, [this] { SetManual(true); });
    connect(auto_, &QRadioButton::clicked, this, [this] { SetManual(false); });
    connect(read, &QPushButton::clicked, this, &CIhmDlgTime::OnRead);
    connect(write, &QPushButton::clicked, this, &CIhmDlgTime::OnWrite);
    connect(back, &QPushButton::clicked, this, &QDialog::reject);
    connect(timer_, &QTimer::timeout, this, &CIhmDlgTime::OnTick);
    timer_->start(kTickMs);
}

int CIhmDlgTime::DoModal() {
    return ModalSeam::Exec(*this, {"dialog", "CIhmDlgTime", kTimeCaption, "", 0});
}

QLineEdit* CIhmDlgTime::MakeField(int id, int low, int high, bool negative) {
    auto* field = Named(new QLineEdit(manualGroup_), id);
    const QString pattern =
        negative ? QStringLiteral("-?[0-9]{0,3}") : QStringLiteral("[0-9]{0,3}");
    field->setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), field));
    connect(field, &QLineEdit::textChanged, this,
            [this, field, low, high] { CheckField(field, low, high); });
    return field;
}

void CIhmDlgTime::CheckField(QLineEdit* field, int low, int high) {
    std::optional<int> bound = services::OutOfRangeBound(field->text().toStdString(), low, high);
    if (!bound)
        return;
    WarningAlert(this, services::RangeWarning(low, high));
    field->setText(Number(*bound));
}

void CIhmDlgTime::SetManual(bool manual) {
    manual_->setChecked(manual);
    auto_->setChecked(!manual);
    manualGroup_->setEnabled(manual);
    autoGroup_->setEnabled(!manual);
}

void CIhmDlgTime::OnTick() {
    const services::ClockTime now = services::LocalTimeNow();
    autoDate_->setText(QString::fromStdString(services::AutoDateText(now)));
    autoHours_->setText(QString::fromStdString(services::TwoDigits(now.hour)));
    autoMinutes_->setText(QString::fromStdString(services::TwoDigits(now.minute)));
    autoSeconds_->setText(QString::fromStdString(services::TwoDigits(now.second)));
}

void CIhmDlgTime::OnRead() {
    SetManual(true);
    services::ClockReading reading = services::ReadClock(link_);
    if (reading.time) {
        hours_->setText(Number(reading.time->hour));
        minutes_->setText(Number(reading.time->minute));
        seconds_->setText(Number(reading.time->second));
        // A date that does not exist leaves the picker as it was.
        if (reading.timeValid)
            date_->setDate(QDate(reading.time->year, reading.time->month, reading.time->day));
    }
    if (reading.drift)
        drift_->setText(Number(*reading.drift));
    ShowNotice(this, reading.notice);
}

services::ClockTime CIhmDlgTime::ManualTime() const {
    const QDate d = date_->date();
    services::ClockTime t;
    t.year = d.year();
    t.month = d.month();
    t.day = d.day();
    t.hour = hours_->text().toInt();
    t.minute = minutes_->text().toInt();
    t.second = seconds_->text().toInt();
    return t;
}

int CIhmDlgTime::Drift() const {
    return drift_->text().toInt(); // empty or "-" count as 0
}

void CIhmDlgTime::OnWrite() {
    history::OperationRecord record(history::kClockSet, link_);
    const services::ClockTime t = manual_->isChecked() ? ManualTime() : services::LocalTimeNow();
    const services::Notice notice = services::WriteClock(link_, t, Drift());
    ShowNotice(this, notice);
    record.Finish(notice.kind == services::NoticeKind::Information ? history::kDone
                                                                   : history::kFailed,
                  notice.text);
}
