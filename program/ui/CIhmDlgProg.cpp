#include "program/ui/CIhmDlgProg.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <filesystem>

#include "comm/ProcessState.h"
#include "comm/SharedTexts.h"
#include "history/HistoryRecord.h"
#include "history/ProgramRecording.h"
#include "platform/program_folder.h"
#include "program/ProgramChecks.h"
#include "program/ProgramCompare.h"
#include "program/ProgramKeep.h"
#include "program/ProgramTransfers.h"
#include "program/ui/CIhmDlgPasswordAppli.h"
#include "transfer/TransferMessages.h"
#include "transfer/ui/CIhmDlgExecutionTransfert.h"
#include "widgets/Alerts.h"
#include "widgets/AppIcon.h"
#include "widgets/ControlIds.h"
#include "widgets/FolderChooser.h"
#include "widgets/MenuDialogs.h"
#include "widgets/ModalSeam.h"
#include "widgets/WaitCursor.h"

namespace {

std::string WithoutTrailingSlash(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

} // namespace

CIhmDlgProg::CIhmDlgProg(QWidget* parent, comm::IControllerLink& link)
    : QDialog(parent), link_(link), ui_(this),
      read_(
          Named(new QRadioButton(QStringLiteral("Read program from the controller"), this), 1035)),
      write_(
          Named(new QRadioButton(QStringLiteral("Write program to the controller"), this), 1036)),
      compare_(
          new QRadioButton(QStringLiteral("Compare the controller's program with a file"), this)),
      keep_(new QCheckBox(QStringLiteral("Keep a copy of the controller's program first"), this)),
      prompt_(Named(new QLabel(this), 1034)), edit_(Named(new QLineEdit(this), 1037)),
      browse_(MakeCtlButton(this, 1022, "Search")),
      action_(MakeCtlButton(this, 1068, "Read/Write")) {
    setObjectName(QStringLiteral("CIhmDlgProg"));
    setWindowTitle(QStringLiteral("Read/Write program from/to the controller"));
    setWindowIcon(ApplicationIcon());
    QPushButton* back = MakeCtlButton(this, 2, "Return");
    auto* grid = new QGridLayout(this);
    grid->addWidget(read_, 0, 0, 1, 3);
    grid->addWidget(write_, 1, 0, 1, 3);
    grid->addWidget(compare_, 2, 0, 1, 3);
    grid->addWidget(prompt_, 3, 0, 1, 3);
    grid->addWidget(edit_, 4, 0, 1, 2);
    grid->addWidget(browse_, 4, 2);
    grid->addWidget(keep_, 5, 0, 1, 3);
    grid->addWidget(action_, 6, 1);
    grid->addWidget(back, 6, 2);
    keep_->setChecked(transfer::KeepProgramRemembered());
    connect(keep_, &QCheckBox::toggled, this,
            [](bool on) { transfer::KeepProgramRemembered() = on; });
    connect(compare_, &QRadioButton::clicked, this, &CIhmDlgProg::SetCompareMode);
    setMinimumWidth(460);
    connect(read_, &QRadioButton::clicked, this, &CIhmDlgProg::SetReadMode);
    connect(write_, &QRadioButton::clicked, this, &CIhmDlgProg::SetWriteMode);
    connect(browse_, &QPushButton::clicked, this, &CIhmDlgProg::Browse);
    connect(action_, &QPushButton::clicked, this, &CIhmDlgProg::Action);
    connect(back, &QPushButton::clicked, this, &QDialog::reject);
    connect(edit_, &QLineEdit::textChanged, this, &CIhmDlgProg::OnEdited);
    defaultFolder_ = WithoutTrailingSlash(platform::DefaultDataFolder("Programs"));
    SetReadMode();
}

int CIhmDlgProg::DoModal() {
    ModalRequest request;
    request.kind = "dialog";
    request.name = "CIhmDlgProg";
    request.title = windowTitle().toStdString();
    return ModalSeam::Exec(*this, request);
}

void CIhmDlgProg::SetReadMode() {
    prompt_->setText(QStringLiteral("Please select a folder to save your program"));
    action_->setText(QStringLiteral("Read"));
    browse_->setText(QStringLiteral("Select folder"));
    read_->setChecked(true);
    keep_->setVisible(false);
    mode_ = 0;
    edit_->setText(QString::fromStdString(defaultFolder_));
    OnEdited();
}

void CIhmDlgProg::SetWriteMode() {
    SetFileMode(1, "Write");
}

void CIhmDlgProg::SetCompareMode() {
    SetFileMode(2, "Compare");
}

// Write and compare both take a program file.
void CIhmDlgProg::SetFileMode(int mode, const char* action) {
    if (mode_ == mode)
        return;
    prompt_->setText(QStringLiteral("Please select a file to write your program"));
    action_->setText(QString::fromLatin1(action));
    browse_->setText(QStringLiteral("Select file"));
    (mode == 1 ? write_ : compare_)->setChecked(true);
    keep_->setVisible(mode == 1);
    mode_ = mode;
    edit_->setText(QString::fromStdString(defaultFolder_));
    OnEdited();
}

void CIhmDlgProg::SetKeep(bool keep) {
    keep_->setChecked(keep);
}

bool CIhmDlgProg::Keep() const {
    return keep_->isChecked();
}

void CIhmDlgProg::Browse() {
    ModalRequest request;
    if (mode_ == 0) {
        request.kind = "folder";
        request.title = "Please choose your target directory :";
        request.text = path_.empty() ? QDir::currentPath().toStdString() : path_;
    } else {
        request.kind = "file-open";
        request.title = "Compiled Tessalo Document (*.vqap)";
        request.text = defaultFolder_;
    }
    const int mode = mode_;
    ModalAnswer answer = ModalSeam::Ask(request, [this, &request, mode] {
        QFileDialog dialog(this);
        if (mode == 0) {
            SetUpTargetFolderChooser(dialog);
        } else {
            dialog.setFileMode(QFileDialog::ExistingFile);
            dialog.setNameFilter(QStringLiteral("Compiled Tessalo Document (*.vqap)"));
            dialog.setDefaultSuffix(QStringLiteral("vqap"));
        }
        dialog.setDirectory(QString::fromStdString(request.text));
        ModalAnswer a;
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
            a.code = QDialog::Accepted;
            a.text = dialog.selectedFiles().first().toStdString();
        }
        return a;
    });
    if (answer.code == QDialog::Accepted && !answer.text.empty())
        edit_->setText(QString::fromStdString(answer.text));
}

void CIhmDlgProg::SetPathText(const std::string& text) {
    edit_->setText(QString::fromStdString(text));
}

void CIhmDlgProg::OnEdited() {
    path_ = edit_->text().toStdString();
    std::error_code ec;
    bool ok = !path_.empty() && std::filesystem::exists(path_, ec);
    if (mode_ != 0)
        ok = ok && path_.find(".vqap") != std::string::npos &&
             std::filesystem::is_regular_file(path_, ec);
    action_->setEnabled(ok);
}

void CIhmDlgProg::Action() {
    if (!action_->isEnabled())
        return;
    bool isProtected = false;
    if (transfer::ReadAppPasswordFlag(link_, isProtected) != 0) {
        ErrorAlert(this, texts::kNotReacting);
        return;
    }
    if (isProtected) {
        CIhmDlgPasswordAppli password(link_, this);
        if (password.DoModal() != QDialog::Accepted)
            return;
    }
    if (mode_ == 0)
        RunRead();
    else if (mode_ == 1)
        RunWrite();
    else if (mode_ == 2)
        RunCompare();
    else
        ErrorAlert(this, transfer::msg::kUnknownError);
}

void CIhmDlgProg::RunRead() {
    history::OperationRecord record(history::kProgramRead, link_);
    if (!transfer::CheckProgramPresent(link_, ui_))
        return record.Finish(history::kFailed);
    std::unique_ptr<transfer::CTransfertReadApp> read = transfer::MakeProgramRead(path_, link_);
    int result = 1;
    {
        ScopedWaitCursor wait;
        result = RunTransfertDialog(this, *read);
    }
    if (!read->FilePath().empty())
        record.AddFile(read->FilePath());
    if (result == 0)
        InfoAlert(this, transfer::msg::kReadComplete);
    record.Finish(result == 0 ? history::kDone : history::kFailed);
}

void CIhmDlgProg::RunWrite() {
    history::OperationRecord record(history::kProgramWrite, link_);
    record.AddFile(path_);
    // The whole file is checked first: a refused file stops, reads and keeps nothing.
    const transfer::FileRefusal refusal = transfer::ProgramFileRefusal(
        path_, link_.Kind() == comm::kLinkEthernet, link_, ControllerFamily().load());
    if (refusal.message != nullptr) {
        ui_.Alert(refusal.kind, refusal.message);
        return record.Finish(history::kFailed, refusal.message);
    }
    if (keep_->isChecked() &&
        !transfer::KeepProgramFirst(
            link_, true, record,
            [this](transfer::ITransfert& read) { return RunTransfertDialog(this, read) == 0; },
            [this](const std::string& text) { InfoAlert(this, text); },
            [this](const std::string& text) { return QuestionAlert(this, text); }))
        return record.Finish(history::kCancelled);
    auto readDatalogs = [this] {
        MenuDialogOpener open = FindMenuDialog(kMenuDatalogs);
        if (!open) {
            ErrorAlert(this, transfer::kNoDatalogReader);
            return false;
        }
        open(this);
        return true;
    };
    if (transfer::PrepareProgramWrite(link_, ControllerFamily().load(), ui_, readDatalogs) !=
        transfer::WritePreparation::Ready)
        return record.Finish(history::kCancelled);
    std::unique_ptr<transfer::CTransfertWriteApp> write = transfer::MakeProgramWrite(path_, link_);
    int result = 1;
    if (link_.Kind() == comm::kLinkEthernet) {
        ScopedWaitCursor wait;
        result = RunTransfertDialog(this, *write);
    } else {
        result = RunTransfertDialog(this, *write);
    }
    if (result != 0)
        return record.Finish(history::kFailed, write->LastAlertText());
    InfoAlert(this, transfer::msg::kWriteComplete);
    record.Finish(history::kDone);
}

void CIhmDlgProg::RunCompare() {
    history::OperationRecord record(history::kProgramCompare, link_);
    record.AddFile(path_);
    transfer::ProgramImage file, controller;
    std::string error;
    if (!transfer::LoadProgramImage(path_, file, error)) {
        ErrorAlert(this, error);
        return record.Finish(history::kFailed);
    }
    if (!transfer::CheckProgramPresent(link_, ui_))
        return record.Finish(history::kFailed);
    transfer::ReadFolder folder(std::filesystem::temp_directory_path().string() + "/");
    std::unique_ptr<transfer::CTransfertReadApp> read =
        transfer::MakeProgramRead(folder.Path(), link_);
    if (folder.Path().empty() || RunTransfertDialog(this, *read) != 0)
        return record.Finish(history::kFailed);
    if (!transfer::LoadProgramImage(read->FilePath(), controller, error)) {
        ErrorAlert(this, error);
        return record.Finish(history::kFailed);
    }
    comparison_ = transfer::ComparisonText(transfer::CompareProgramImages(controller, file));
    InfoAlert(this, comparison_);
    record.Finish(history::kDone);
}

void RegisterProgramDialog() {
    RegisterMenuDialog(kMenuProgram, [](QWidget* parent) {
        CIhmDlgProg dialog(parent);
        dialog.DoModal();
        return true;
    });
}
