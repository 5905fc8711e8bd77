#include "services/ui/CIhmDlgDiag.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "comm/ProcessState.h"
#include "services/ui/CIhmCtrlFlexGrid.h"
#include "widgets/Alerts.h"
#include "widgets/AppIcon.h"
#include "widgets/ControlIds.h"
#include "widgets/ModalSeam.h"
#include "widgets/WaitCursor.h"

namespace {

// The "Return" button: the sheet's help button, renamed.
constexpr int kReturnId = 9;

std::string FormatString(const services::DiagGrid& grid) {
    std::string format;
    for (const std::string& column : grid.columns)
        format += "|" + column;
    format += "\n";
    for (const std::string& row : grid.rows)
        format += "|" + row;
    return format;
}

QLineEdit* ValueEdit(QWidget* parent, int id, const services::DiagField& field) {
    auto* edit = new QLineEdit(QString::fromStdString(field.value), parent);
    edit->setObjectName(CtlName(id));
    edit->setReadOnly(true);
    if (field.colour != services::DiagColour::Normal) {
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Base, DiagBackground(field.colour));
        palette.setColor(QPalette::Text, Qt::black);
        edit->setPalette(palette);
    }
    return edit;
}

int BoxIdOf(const CIhmDlgDiagPage::Ids& ids, int fieldId) {
    for (const auto& [field, box] : ids.boxIds)
        if (field == fieldId)
            return box;
    return 0;
}

} // namespace

QColor DiagBackground(services::DiagColour colour) {
    switch (colour) {
    case services::DiagColour::Orange:
        return QColor(255, 128, 0);
    case services::DiagColour::Red:
        return QColor(255, 51, 51);
    case services::DiagColour::Normal:
        break;
    }
    return QColor();
}

CIhmDlgDiagPage::CIhmDlgDiagPage(services::DiagPageKind kind, Ids ids, comm::IControllerLink& link,
                                 int familyIndex, QWidget* parent)
    : CIhmCtrlColorPropertyPage(parent), kind_(kind), ids_(std::move(ids)), link_(link),
      family_(familyIndex), layout_(new QGridLayout(this)) {}

void CIhmDlgDiagPage::Fill() {
    if (filled_)
        return;
    filled_ = true;
    {
        ScopedWaitCursor wait;
        page_ = services::ReadDiagPage(kind_, link_, family_);
    }
    Show();
    if (page_.noProgram)
        ShowAlert(this, services::kTextNoProgram, kTitleQuestion, kAlertStyleWarning);
}

void CIhmDlgDiagPage::Show() {
    int row = 0;
    for (std::size_t i = 0; i < page_.fields.size() && i < ids_.fields.size(); ++i, ++row) {
        const services::DiagField& field = page_.fields[i];
        const int id = ids_.fields[i];
        const QString label = QString::fromStdString(field.label);
        if (field.checked && field.value.empty()) {
            auto* radio = new QRadioButton(label, this);
            radio->setObjectName(CtlName(id));
            radio->setChecked(*field.checked);
            radio->setEnabled(false);
            layout_->addWidget(radio, row, 0, 1, 2);
            continue;
        }
        if (field.checked) {
            auto* box = new QCheckBox(label, this);
            box->setObjectName(CtlName(BoxIdOf(ids_, id)));
            box->setChecked(*field.checked);
            box->setEnabled(false);
            layout_->addWidget(box, row, 0);
        } else {
            layout_->addWidget(new QLabel(label, this), row, 0);
        }
        layout_->addWidget(ValueEdit(this, id, field), row, 1);
    }
    if (page_.grid && ids_.grid != 0) {
        layout_->addWidget(new QLabel(QString::fromStdString(page_.grid->title), this), row++, 0, 1,
                           2);
        auto* grid = new CIhmCtrlFlexGrid(this, ids_.grid);
        grid->SetFormatString(FormatString(*page_.grid));
        for (std::size_t r = 0; r < page_.grid->cells.size(); ++r)
            for (std::size_t c = 0; c < page_.grid->cells[r].size(); ++c)
                grid->SetTextMatrix(int(r) + 1, int(c) + 1, page_.grid->cells[r][c]);
        layout_->addWidget(grid, row, 0, 1, 2);
    }
}

CIhmDlgDiagHardware::CIhmDlgDiagHardware(comm::IControllerLink& link, int family, QWidget* parent)
    : CIhmDlgDiagPage(services::DiagPageKind::Hardware,
                      {{1100, 1101, 1102, 1103, 1104, 1105, 1106, 1107, 1108, 1109}, {}, 1110},
                      link, family, parent) {}

CIhmDlgDiagApplication::CIhmDlgDiagApplication(comm::IControllerLink& link, int family,
                                               QWidget* parent)
    : CIhmDlgDiagPage(services::DiagPageKind::Application,
                      {{1132, 1122, 1123, 1124, 1238, 1125, 1126, 1127, 1128, 1129}, {}, 1088},
                      link, family, parent) {}

CIhmDlgDiagGPRS::CIhmDlgDiagGPRS(comm::IControllerLink& link, int family, QWidget* parent)
    : CIhmDlgDiagPage(services::DiagPageKind::Network, {{1138, 1137, 1136, 1135}, {}, 0}, link,
                      family, parent) {}

CIhmDlgDiagTCPIP::CIhmDlgDiagTCPIP(comm::IControllerLink& link, int family, QWidget* parent)
    : CIhmDlgDiagPage(services::DiagPageKind::ConnectionParameters,
                      {{1103, 1104, 1105, 1106, 1107, 1178, 1177}, {{1107, 1175}}, 0}, link, family,
                      parent) {}

CIhmDlgDiag::CIhmDlgDiag(QWidget* parent, comm::IControllerLink* link, int familyIndex)
    : QDialog(parent), sheet_(new CIhmCtrlColorPropertySheet(this)) {
    comm::IControllerLink& l = link ? *link : comm::ComClientLink();
    const int family = familyIndex >= 0 ? familyIndex : ControllerFamily().load();
    setWindowTitle(QString::fromUtf8(services::kDiagTitle));
    setWindowIcon(ApplicationIcon());
    ApplyDialogColour(this);

    std::vector<services::DiagPageKind> kinds;
    {
        ScopedWaitCursor wait;
        kinds = services::DiagPageKinds(l, family);
    }
    for (services::DiagPageKind kind : kinds) {
        CIhmDlgDiagPage* page = nullptr;
        switch (kind) {
        case services::DiagPageKind::Hardware:
            page = new CIhmDlgDiagHardware(l, family, sheet_);
            break;
        case services::DiagPageKind::Application:
            page = new CIhmDlgDiagApplication(l, family, sheet_);
            break;
        case services::DiagPageKind::Network:
            page = new CIhmDlgDiagGPRS(l, family, sheet_);
            break;
        case services::DiagPageKind::ConnectionParameters:
            page = new CIhmDlgDiagTCPIP(l, family, sheet_);
            break;
        }
        sheet_->addTab(page, QString::fromStdString(services::DiagPageTitle(kind)));
    }

    // The sheet's buttons: OK, Apply and Cancel are hidden, help reads "Return".
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* back = MakeCtlButton(this, kReturnId, "Return");
    buttons->addButton(back, QDialogButtonBox::RejectRole);
    connect(back, &QPushButton::clicked, this, &QDialog::reject);

    auto* column = new QVBoxLayout(this);
    column->addWidget(sheet_);
    column->addWidget(buttons);

    // Each page is read when it is first shown.
    connect(sheet_, &QTabWidget::currentChanged, this, [this](int index) {
        if (auto* page = qobject_cast<CIhmDlgDiagPage*>(sheet_->widget(index)))
            page->Fill();
    });
    if (auto* first = qobject_cast<CIhmDlgDiagPage*>(sheet_->widget(0)))
        first->Fill();
}

int CIhmDlgDiag::DoModal() {
    return ModalSeam::Exec(*this, {"dialog", "CIhmDlgDiag", services::kDiagTitle, "", 0});
}

std::vector<CIhmDlgDiagPage*> CIhmDlgDiag::Pages() const {
    std::vector<CIhmDlgDiagPage*> pages;
    for (int i = 0; i < sheet_->count(); ++i)
        pages.push_back(qobject_cast<CIhmDlgDiagPage*>(sheet_->widget(i)));
    return pages;
}
