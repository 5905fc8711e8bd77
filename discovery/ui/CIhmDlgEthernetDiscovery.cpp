#include "discovery/ui/CIhmDlgEthernetDiscovery.h"

#include <QFile>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include "comm/CComClient.h"
#include "comm/ProcessState.h"
#include "discovery/DiscoveryAddress.h"
#include "discovery/ui/CIhmDlgAddEthPlc.h"
#include "widgets/AlertStyle.h"
#include "widgets/Alerts.h"
#include "widgets/AppIcon.h"
#include "widgets/CIhmCtrlList.h"
#include "widgets/ControlIds.h"
#include "comm/LinkState.h"
#include "widgets/MenuDialogs.h"
#include "widgets/ModalSeam.h"
#include "widgets/ProgramFolder.h"

namespace {

constexpr std::uint32_t kMediumEthernet = 1; // MoyenCom
constexpr int kIdlePeriodMs = 100;
constexpr int kColumnLabel = 0, kColumnMark = 1, kColumnAddress = 2, kColumnPeer = 3,
              kColumnManual = 4;
constexpr int kAlertStyleWarningYesNo = kAlertStyleWarning | 4;

const char* kSelect = "Select";
const char* kRemove = "Remove";

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

QLineEdit* ReadOnlyEdit(QWidget* parent, int id) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(CtlName(id));
    e->setReadOnly(true);
    return e;
}

} // namespace

CIhmDlgEthernetDiscovery::CIhmDlgEthernetDiscovery(QWidget* parent,
                                                   discovery::IDiscoveryClient* client,
                                                   discovery::SecondsClock clock,
                                                   discovery::WaitClock waitClock)
    : QDialog(parent), holder_(std::make_unique<discovery::CDiscoveryTableHolder>(
                           client ? *client : discovery::CDiscoveryClient::Instance())),
      logic_(*holder_, clock ? clock : discovery::SystemSecondsClock()), client_(holder_->Client()),
      waitClock_(std::move(waitClock)), list_(new CIhmCtrlList(this)),
      label_(ReadOnlyEdit(this, 1017)), clockMark_(ReadOnlyEdit(this, 1018)),
      address_(ReadOnlyEdit(this, 1019)), status_(new QLabel(this)),
      ok_(new QPushButton(QStringLiteral("OK"), this)), idle_(new QTimer(this)) {
    // 1. Icons.
    setWindowIcon(ApplicationIcon());
    auto* add = new QPushButton(this);
    add->setObjectName(CtlName(1021));
    add->setFlat(true);
    const QString addIcon = Q(ProgramFolder()) + QStringLiteral("res/ButtonAdd.ico");
    if (QFile::exists(addIcon))
        add->setIcon(QIcon(addIcon));
    else
        add->setText(QStringLiteral("+"));
    add->setToolTip(QStringLiteral("Add a PLC"));

    // 2. Columns, status, caption, OK.
    list_->setObjectName(CtlName(1016));
    list_->AddColumn(QStringLiteral("Label"), discovery::kLabelWidthNarrow);
    list_->AddColumn(QStringLiteral("R"), 20, Qt::AlignHCenter);
    list_->AddColumn(QStringLiteral("IP"), 116);
    list_->AddColumn(QString(), 0);
    list_->AddColumn(QString(), 0);
    list_->Setup();
    list_->setShowGrid(true);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    status_->setObjectName(CtlName(1020));
    status_->setText(QString::fromUtf8(discovery::kTextNoController));
    setWindowTitle(QStringLiteral("Connection parameters"));
    ok_->setObjectName(CtlName(1));
    ok_->setDefault(true);
    ok_->setEnabled(false);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(CtlName(2));

    auto* grid = new QGridLayout(this);
    grid->addWidget(list_, 0, 0, 1, 4);
    grid->addWidget(status_, 1, 0, 1, 3);
    grid->addWidget(add, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Label"), this), 2, 0);
    grid->addWidget(label_, 2, 1);
    grid->addWidget(clockMark_, 2, 2);
    grid->addWidget(new QLabel(QStringLiteral("IP"), this), 3, 0);
    grid->addWidget(address_, 3, 1, 1, 2);
    grid->addWidget(ok_, 4, 2);
    grid->addWidget(cancel, 4, 3);

    connect(list_, &CIhmCtrlList::ParentMessage, this, &CIhmDlgEthernetDiscovery::OnListMessage);
    connect(add, &QPushButton::clicked, this, &CIhmDlgEthernetDiscovery::OnAdd);
    connect(ok_, &QPushButton::clicked, this, &CIhmDlgEthernetDiscovery::OnOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    // The fleet window, when the program has one: a controller chosen there is the link.
    if (const MenuDialogOpener fleet = FindMenuDialog(kMenuFleet)) {
        auto* fleetButton = new QPushButton(QStringLiteral("Fleet..."), this);
        grid->addWidget(fleetButton, 4, 0);
        connect(fleetButton, &QPushButton::clicked, this, [this, fleet] {
            if (fleet(this))
                accept();
        });
    }

    // 3. The current link, when it is Ethernet, preloads the choice shown.
    PARAM_COM current{};
    if (CComClient::Instance().IsStarted() && CComClient::Instance().GetCommParam(current) == 0 &&
        paramcom::GetU32(current, paramcom::kMedium) == kMediumEthernet) {
        const discovery::EthernetMemory& memory = discovery::ProcessEthernetMemory();
        logic_.Preload(paramcom::GetU32(current, paramcom::kIpAddress), memory.lastLabel,
                       memory.lastClockMark);
        ShowChosen();
    }

    // 4. A broadcast SEARCH, then the idle passes.
    client_.Search();
    connect(idle_, &QTimer::timeout, this, &CIhmDlgEthernetDiscovery::OnIdle);
    idle_->start(kIdlePeriodMs);
}

int CIhmDlgEthernetDiscovery::DoModal() {
    return ModalSeam::Exec(*this,
                           {"dialog", "CIhmDlgEthernetDiscovery", "Connection parameters", "", 0});
}

void CIhmDlgEthernetDiscovery::ShowChosen() {
    const auto& chosen = logic_.Chosen();
    if (!chosen)
        return;
    label_->setText(Q(chosen->label));
    clockMark_->setText(Q(chosen->clockRef));
    address_->setText(Q(discovery::FormatHost(chosen->host)));
}

void CIhmDlgEthernetDiscovery::ShowRows() {
    const auto& rows = logic_.Rows();
    bool changed = false;
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        const discovery::ShownRow& r = rows[static_cast<std::size_t>(i)];
        const QStringList texts{Q(r.label), Q(r.clockRef), Q(r.address), Q(r.peer), Q(r.manual)};
        if (i >= list_->rowCount()) {
            list_->InsertRow(i, texts);
            changed = true;
            continue;
        }
        for (int c = 0; c < texts.size(); ++c) {
            if (list_->Text(i, c) == texts[c])
                continue;
            QTableWidgetItem* item = list_->item(i, c);
            if (item == nullptr)
                list_->setItem(i, c, new QTableWidgetItem(texts[c]));
            else
                item->setText(texts[c]);
            changed = true;
        }
    }
    while (list_->rowCount() > static_cast<int>(rows.size())) {
        list_->removeRow(list_->rowCount() - 1);
        changed = true;
    }
    if (changed)
        list_->viewport()->update();
}

void CIhmDlgEthernetDiscovery::OnIdle() {
    if (!logic_.Refresh())
        return;
    ShowRows();
    list_->setColumnWidth(kColumnLabel, logic_.LabelColumnWidth());
    if (logic_.ChosenLabelChanged())
        ShowChosen();
    if (logic_.StatusChanged()) {
        status_->setText(QString::fromUtf8(logic_.StatusText()));
        status_->setVisible(logic_.Status() != discovery::StatusKind::None);
    }
}

void CIhmDlgEthernetDiscovery::ChooseRow(int row) {
    if (logic_.Choose(row)) {
        ShowChosen();
        ok_->setEnabled(true);
    }
}

void CIhmDlgEthernetDiscovery::OnListMessage(int message, quintptr, qint64 lParam) {
    const int row = list_->SelectedRow();
    if (message == kMsgListLeftDown || message == kMsgListLeftDouble) {
        ChooseRow(row);
        return;
    }
    if (message != kMsgListRightDown)
        return;
    const std::vector<std::string> entries = MenuEntries(row);
    if (entries.empty())
        return;
    QMenu menu(this);
    for (const std::string& e : entries)
        menu.addAction(Q(e));
    const QPoint at(static_cast<qint16>(lParam & 0xFFFF), static_cast<qint16>(lParam >> 16));
    if (QAction* chosen = menu.exec(list_->viewport()->mapToGlobal(at)))
        RunMenuEntry(row, chosen->text().toStdString());
}

std::vector<std::string> CIhmDlgEthernetDiscovery::MenuEntries(int row) const {
    std::vector<std::string> entries;
    if (!logic_.CanSelect(row))
        return entries;
    entries.push_back(kSelect);
    if (logic_.CanRemove(row))
        entries.push_back(kRemove);
    return entries;
}

void CIhmDlgEthernetDiscovery::RunMenuEntry(int row, const std::string& entry) {
    if (entry == kSelect) {
        ChooseRow(row);
        return;
    }
    if (entry != kRemove || !logic_.CanRemove(row))
        return;
    if (ShowAlert(this, discovery::kTextRemoveQuestion, kTitleWarning, kAlertStyleWarningYesNo) !=
        kAnswerYes)
        return;
    if (logic_.Remove(row)) {
        list_->removeRow(row);
        list_->viewport()->update();
    } else {
        ShowAlert(this, discovery::kTextFailed, kTitleWarning, kAlertStyleWarning);
    }
}

void CIhmDlgEthernetDiscovery::OnAdd() {
    CIhmDlgAddEthPlc dlg(this, &client_, waitClock_);
    dlg.DoModal();
    list_->viewport()->update();
    OnIdle();
}

void CIhmDlgEthernetDiscovery::OnOk() {
    ChooseRow(list_->SelectedRow());
    const auto& chosen = logic_.Chosen();
    if (!chosen || !logic_.OkEnabled())
        return;
    discovery::EthernetMemory& memory = discovery::ProcessEthernetMemory();
    memory.lastLabel = chosen->label;
    memory.lastClockMark = chosen->clockRef;
    UseEthernetLink(chosen->host, logic_.ChosenTcpPort(memory), logic_.ChosenPeerName());
    accept();
}

void RegisterEthernetDialog() {
    RegisterMenuDialog(kMenuEthernet, [](QWidget* parent) {
        CIhmDlgEthernetDiscovery dlg(parent);
        return dlg.DoModal() == QDialog::Accepted;
    });
}
