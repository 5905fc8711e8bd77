#include "firmware/ui/CIhmDlgUpdateFW.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "comm/ProcessState.h"
#include "comm/SharedTexts.h"
#include "firmware/FirmwareMessages.h"
#include "firmware/FirmwarePackage.h"
#include "firmware/FirmwareUpdate.h"
#include "history/HistoryRecord.h"
#include "history/ProgramRecording.h"
#include "platform/program_folder.h"
#include "program/ProgramKeep.h"
#include "transfer/TransferMessages.h"
#include "transfer/ui/CIhmDlgExecutionTransfert.h"
#include "widgets/AlertIcons.h"
#include "widgets/Alerts.h"
#include "widgets/ControlIds.h"
#include "widgets/MenuDialogs.h"
#include "widgets/ModalSeam.h"
#include "widgets/WaitCursor.h"

namespace {

AlertIcon IconOf(transfer::FwStatusIcon icon) {
    switch (icon) {
    case transfer::FwStatusIcon::Warning:
        return AlertIcon::Warning;
    case transfer::FwStatusIcon::Error:
        return AlertIcon::Error;
    case transfer::FwStatusIcon::Information:
        break;
    }
    return AlertIcon::Information;
}

// One of the three groups: a check box titled with the group's name, the name of the device
// and its version list under "Version Indice Release".
QGroupBox* MakeGroup(QWidget* parent, const char* title, QCheckBox*& check, int checkId,
                     QLabel*& name, int nameId, QListWidget*& list, int listId) {
    auto* group = new QGroupBox(parent);
    auto* layout = new QVBoxLayout(group);
    check = Named(new QCheckBox(QString::fromUtf8(title), group), checkId);
    name = Named(new QLabel(QStringLiteral("Type of controller"), group), nameId);
    list = Named(new QListWidget(group), listId);
    layout->addWidget(check);
    layout->addWidget(name);
    layout->addWidget(new QLabel(QStringLiteral("Version Indice Release"), group));
    layout->addWidget(list);
    return group;
}

} // namespace

CIhmDlgUpdateFW::CIhmDlgUpdateFW(QWidget* parent, comm::IControllerLink& reader,
                                 std::string binariesFolder)
    : QDialog(parent), reader_(reader),
      logic_(binariesFolder.empty() ? platform::DataFolderSearchPath("Binaries")
                                    : std::vector<std::string>{binariesFolder}) {
    setObjectName(QStringLiteral("CIhmDlgUpdateFW"));
    setWindowTitle(QStringLiteral("Update Firmware"));
    auto* layout = new QVBoxLayout(this);

    auto* languageBox = new QGroupBox(QStringLiteral("Choose firmware language :"), this);
    auto* languageRow = new QHBoxLayout(languageBox);
    auto* languageGroup = new QButtonGroup(this);
    static const char* const kNames[5] = {"French", "English", "German", "Spanish", "Italian"};
    for (int k = 0; k < 5; ++k) {
        languages_[k] =
            Named(new QRadioButton(QString::fromUtf8(kNames[k]), languageBox), 1166 + k);
        languageGroup->addButton(languages_[k], k);
        languageRow->addWidget(languages_[k]);
    }
    connect(languageGroup, &QButtonGroup::idClicked, this, &CIhmDlgUpdateFW::OnLanguage);
    layout->addWidget(languageBox);

    auto* groups = new QHBoxLayout;
    groups->addWidget(
        MakeGroup(this, "Controller", controller_, 1165, name_, 1171, versions_, 1159));
    const int ids[2][3] = {{1163, 1172, 1158}, {1161, 1173, 1157}};
    const char* titles[2] = {"Expansion 1", "Expansion 2"};
    for (int k = 0; k < 2; ++k) {
        QCheckBox* check = nullptr;
        QLabel* name = nullptr;
        QListWidget* list = nullptr;
        expansions_[k] =
            MakeGroup(this, titles[k], check, ids[k][0], name, ids[k][1], list, ids[k][2]);
        // Expansion modules are not updated from here: their groups stay disabled and hidden.
        expansions_[k]->setEnabled(false);
        expansions_[k]->hide();
        groups->addWidget(expansions_[k]);
        if (k == 0)
            connect(check, &QCheckBox::toggled, this, &CIhmDlgUpdateFW::OnChecks);
    }
    connect(controller_, &QCheckBox::toggled, this, &CIhmDlgUpdateFW::OnChecks);
    layout->addLayout(groups);

    auto* status = new QHBoxLayout;
    statusIcon_ = Named(new QLabel(this), 1175);
    statusText_ = Named(new QLabel(this), 1192);
    statusText_->setWordWrap(true);
    status->addWidget(statusIcon_);
    status->addWidget(statusText_, 1);
    layout->addLayout(status);

    keep_ = new QCheckBox(QStringLiteral("Keep a copy of the controller's program first"), this);
    keep_->setChecked(transfer::KeepProgramRemembered());
    connect(keep_, &QCheckBox::toggled, this,
            [](bool on) { transfer::KeepProgramRemembered() = on; });
    layout->addWidget(keep_);

    auto* buttons = new QHBoxLayout;
    update_ = MakeCtlButton(this, 1, "Update");
    auto* back = MakeCtlButton(this, 2, "Return");
    buttons->addStretch(1);
    buttons->addWidget(update_);
    buttons->addWidget(back);
    layout->addLayout(buttons);
    connect(update_, &QPushButton::clicked, this, &CIhmDlgUpdateFW::OnUpdate);
    connect(back, &QPushButton::clicked, this, &QDialog::reject);
}

int CIhmDlgUpdateFW::DoModal() {
    {
        ScopedWaitCursor wait;
        logic_.Start(reader_);
    }
    Show();
    return ModalSeam::Exec(*this, {"dialog", "CIhmDlgUpdateFW", "Update Firmware", "", 0});
}

void CIhmDlgUpdateFW::Show() {
    const transfer::UpdateFwView& v = logic_.View();
    name_->setText(QString::fromStdString(v.displayName));
    languages_[v.language]->setChecked(true);
    for (QRadioButton* r : languages_)
        r->setEnabled(v.languagesEnabled);
    controller_->blockSignals(true);
    controller_->setChecked(v.controllerChecked);
    controller_->blockSignals(false);
    controller_->setEnabled(v.controlsEnabled);
    versions_->setEnabled(v.controlsEnabled);
    versions_->clear();
    for (const std::string& version : v.versions)
        versions_->addItem(QString::fromStdString(version));
    if (!v.versions.empty())
        versions_->setCurrentRow(0);
    statusIcon_->setPixmap(StandardAlertPixmap(IconOf(v.statusIcon)));
    statusIcon_->setVisible(v.statusVisible);
    statusText_->setText(QString::fromStdString(v.statusText));
    statusText_->setVisible(v.statusVisible);
    update_->setEnabled(v.updateEnabled);
}

void CIhmDlgUpdateFW::OnLanguage(int language) {
    logic_.ChooseLanguage(language);
    Show();
}

void CIhmDlgUpdateFW::OnChecks() {
    logic_.SetChecks(controller_->isChecked(), false);
    const transfer::UpdateFwView& v = logic_.View();
    statusIcon_->setPixmap(StandardAlertPixmap(IconOf(v.statusIcon)));
    statusIcon_->setVisible(v.statusVisible);
    statusText_->setText(QString::fromStdString(v.statusText));
    statusText_->setVisible(v.statusVisible);
    update_->setEnabled(v.updateEnabled);
}

void CIhmDlgUpdateFW::SetKeep(bool keep) {
    keep_->setChecked(keep);
}

void CIhmDlgUpdateFW::OnUpdate() {
    const std::string path = logic_.ChosenPath(versions_->currentRow());
    auto update = transfer::CreateFirmwareTransfer(ConnectionKind().load(), path);
    if (path.empty())
        return;
    history::OperationRecord record(history::kFirmwareUpdate, reader_);
    record.AddFile(path);
    if (!update) { // no link chosen yet
        ErrorAlert(this, texts::kNotReacting);
        return record.Finish(history::kFailed);
    }
    auto run = [this](transfer::ITransfert& transfer) {
        ScopedWaitCursor wait;
        return RunTransfertDialog(this, transfer) == 0;
    };
    // The update erases the program: a copy is kept first, once the package is known good (a
    // refused package keeps nothing; the transfer says why it refuses it).
    if (keep_->isChecked() &&
        transfer::fw::ReadFirmwarePackageFile(path, logic_.ModelIndex()).ok() &&
        !transfer::KeepProgramFirst(
            comm::ComClientLink(), false, record, run,
            [this](const std::string& text) { InfoAlert(this, text); },
            [this](const std::string& text) { return QuestionAlert(this, text); }))
        return record.Finish(history::kCancelled);
    if (!run(*update))
        return record.Finish(history::kFailed);
    InfoAlert(this, transfer::msg::kFwComplete);
    // Back on the same link by itself; a controller that does not come back says so.
    transfer::CTransfertReconnect reconnect;
    if (RunTransfertDialog(this, reconnect) != 0)
        return record.Finish(history::kFailed);
    // Judged by what changed, as the command line does.
    const transfer::UpdateVerdict verdict =
        transfer::JudgeUpdate(update->StartVersion(), reconnect.Result().softwareVersion,
                              transfer::PackageNameVersion(path, update->ModelIndex()));
    if (!verdict.started) {
        ErrorAlert(this, verdict.message);
        return record.Finish(history::kFailed);
    }
    if (!verdict.message.empty())
        InfoAlert(this, verdict.message);
    record.Finish(history::kDone);
    accept();
}

void RegisterUpdateFirmwareDialog() {
    RegisterMenuDialog(kMenuUpdateFirmware, [](QWidget* parent) {
        CIhmDlgUpdateFW dlg(parent);
        dlg.DoModal();
        return true;
    });
}
