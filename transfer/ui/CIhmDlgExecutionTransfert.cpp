#include "transfer/ui/CIhmDlgExecutionTransfert.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

#include "transfer/TransferMessages.h"
#include "widgets/ControlIds.h"

CIhmDlgExecutionTransfert::CIhmDlgExecutionTransfert(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint), ui_(this),
      step_(Named(new QLabel(QStringLiteral("/* Please Wait */"), this), 1139)),
      bar_(Named(new QProgressBar(this), 1183)),
      warning_(Named(new QLabel(QStringLiteral("/* Warning */"), this), 1140)),
      percent_(Named(new QLabel(QStringLiteral("00%"), this), 1220)), timer_(new QTimer(this)) {
    setObjectName(QStringLiteral("CIhmDlgExecutionTransfert"));
    bar_->setRange(0, 100);
    bar_->setTextVisible(false);
    warning_->hide();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(step_);
    layout->addWidget(bar_);
    layout->addWidget(percent_, 0, Qt::AlignHCenter);
    layout->addWidget(warning_);
    setMinimumWidth(380);
    timer_->setInterval(transfer::kPollPeriodMs);
    connect(timer_, &QTimer::timeout, this, &CIhmDlgExecutionTransfert::OnTick);
}

CIhmDlgExecutionTransfert::~CIhmDlgExecutionTransfert() {
    // Never leave the worker running on a transfer that is about to go away.
    worker_.Join();
}

int CIhmDlgExecutionTransfert::DoModal() {
    if (transfer_ == nullptr)
        return 1;
    step_->setText(QString::fromUtf8(transfer::msg::kCreatingHeader));
    percent_->clear();
    transfer::TransferProgress start;
    Show(start);
    transfer_->SetUi(&ui_);
    poll_ = std::make_unique<transfer::ProgressPoll>(*transfer_);
    worker_.Start(*transfer_);
    timer_->start();
    const int result = exec();
    timer_->stop();
    worker_.Join();
    transfer_->SetUi(nullptr);
    return result;
}

void CIhmDlgExecutionTransfert::OnTick() {
    const bool end = poll_->Tick();
    Show(poll_->View());
    if (end) {
        closing_ = true;
        timer_->stop();
        done(poll_->Result());
    }
}

void CIhmDlgExecutionTransfert::Show(const transfer::TransferProgress& view) {
    if (!view.stepText.empty())
        step_->setText(QString::fromStdString(view.stepText));
    bar_->setValue(view.percent);
    percent_->setText(QString::fromStdString(transfer::PercentText(view.percent)));
    warning_->setVisible(view.warningVisible);
    if (view.warningVisible)
        warning_->setText(QString::fromStdString(view.warningText));
}

void CIhmDlgExecutionTransfert::reject() {
    // Escape: refused while the worker runs; the dialog ends only by its timer.
}

void CIhmDlgExecutionTransfert::closeEvent(QCloseEvent* event) {
    if (closing_)
        event->accept();
    else
        event->ignore();
}

int RunTransfertDialog(QWidget* parent, transfer::ITransfert& transfer) {
    CIhmDlgExecutionTransfert dialog(parent);
    dialog.SetTransfert(&transfer);
    return dialog.DoModal();
}
