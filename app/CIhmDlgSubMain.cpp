#include "app/CIhmDlgSubMain.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include <sstream>

#include "app/CIhmDlgAbout.h"
#include "app/CIhmDlgExit.h"
#include "app/CIhmDlgHelp.h"
#include "panel/CIhmFaceAvantView.h"
#include "panel/KeyBits.h"
#include "services/ui/AccessCheck.h"
#include "widgets/Alerts.h"
#include "widgets/ControlIds.h"
#include "widgets/MenuDialogs.h"
#include "widgets/ModalSeam.h"
#include "widgets/ProgramFolder.h"
#include "widgets/UiClock.h"

namespace {

constexpr int kViewWidth = 350;
constexpr int kViewHeight = 223;
constexpr int kColumnX = 362;
constexpr int kColumnWidth = 96;
// The About entry of the window's own menu (string 101).
constexpr const char* kAboutEntry = "&\u00C0 propos de IhmDlgMain...";

// The family a template was made for.
int FamilyOfTemplate(int templateId) {
    switch (templateId) {
    case 102:
        return 0;
    case 220:
        return 2;
    default:
        return 1;
    }
}

// The menu as lines "code|enabled|text", the way a script reads it.
std::string DescribeMenu(const CommandMenu& menu) {
    std::ostringstream out;
    for (const MenuEntry& e : menu.connection)
        out << e.code << '|' << e.enabled << '|' << e.text << '\n';
    for (const MenuEntry& e : menu.entries)
        out << e.code << '|' << e.enabled << '|' << e.text << '\n';
    return out.str();
}

// Marks the panel busy for the life of a command.
class BusyScope {
  public:
    explicit BusyScope(int& counter) : counter_(counter) { ++counter_; }
    ~BusyScope() { --counter_; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

  private:
    int& counter_;
};

} // namespace

QSize CIhmDlgSubMain::PanelSize() {
    return {kColumnX + kColumnWidth + 6, kViewHeight};
}

CIhmDlgSubMain::CIhmDlgSubMain(QWidget* parent) : QWidget(parent), actions_(*this) {
    setFixedSize(PanelSize());
}

CIhmDlgSubMain::~CIhmDlgSubMain() = default;

void CIhmDlgSubMain::Create(int templateId) {
    DestroyWindow();
    templateId_ = templateId;
    ++creations_;

    view_ = new CIhmFaceAvantView(this);
    view_->SetProgramFolder(QString::fromStdString(ProgramFolder()));
    view_->setGeometry(0, 0, kViewWidth, kViewHeight);
    view_->SetWarningHook([this](const std::string& text) { WarningAlert(this, text); });
    view_->SetWaitHook([](int ms) { UiClock::Wait(ms); });
    view_->SetFamily(FamilyOfTemplate(templateId));

    column_ = new QWidget(this);
    column_->setGeometry(kColumnX, 8, kColumnWidth, kViewHeight - 16);
    auto* layout = new QVBoxLayout(column_);
    layout->setContentsMargins(0, 0, 0, 0);
    struct ButtonSpec {
        int id;
        const char* text;
        void (CIhmDlgSubMain::*slot)();
    };
    const ButtonSpec specs[] = {{1000, "Menu", &CIhmDlgSubMain::OnMenu},
                                {1009, "Help", &CIhmDlgSubMain::OnHelp},
                                {1007, "About QRL", &CIhmDlgSubMain::OnAbout},
                                {1008, "Exit", &CIhmDlgSubMain::OnExit}};
    for (const ButtonSpec& entry : specs) {
        QPushButton* button = MakeCtlButton(column_, entry.id, entry.text);
        connect(button, &QPushButton::clicked, this, entry.slot);
        layout->addWidget(button);
        if (entry.id == 1000)
            layout->addStretch(1);
    }
    view_->show();
    column_->show();
}

void CIhmDlgSubMain::DestroyWindow() {
    delete view_;
    view_ = nullptr;
    delete column_;
    column_ = nullptr;
}

int CIhmDlgSubMain::Tick() {
    return view_ ? view_->Tick() : 0;
}

void CIhmDlgSubMain::OnMenu() {
    BusyScope busy(busy_);
    lastMenu_ = actions_.Prepare();
    int command = ChooseCommand(lastMenu_);
    const MenuEntry* entry = lastMenu_.Find(command);
    // Only an entry the menu offered enabled can run.
    if (entry && entry->enabled)
        actions_.Run(command);
    actions_.Finish();
}

int CIhmDlgSubMain::ChooseCommand(const CommandMenu& menu) {
    ModalRequest request{"menu", "CommandMenu", "", DescribeMenu(menu), 0};
    ModalAnswer answer = ModalSeam::Ask(request, [this, &menu] {
        QMenu popup(this);
        QMenu* connection = popup.addMenu(QString::fromStdString(menu.connectionTitle));
        auto add = [](QMenu* to, const MenuEntry& e) {
            QAction* action = to->addAction(QString::fromStdString(e.text));
            action->setData(e.code);
            action->setEnabled(e.enabled);
        };
        for (const MenuEntry& e : menu.connection)
            add(connection, e);
        for (const MenuEntry& e : menu.entries)
            add(&popup, e);
        QPoint at(0, 0);
        if (auto* button = FindCtl<QPushButton>(this, 1000))
            at = button->mapToGlobal(QPoint(0, 0));
        QAction* chosen = popup.exec(at);
        return ModalAnswer{chosen ? chosen->data().toInt() : 0, {}};
    });
    return answer.code;
}

void CIhmDlgSubMain::OnHelp() {
    BusyScope busy(busy_);
    CIhmDlgHelp dlg(this);
    dlg.DoModal();
}

void CIhmDlgSubMain::OnAbout() {
    BusyScope busy(busy_);
    CIhmDlgAbout dlg(this);
    dlg.DoModal();
}

void CIhmDlgSubMain::OnExit() {
    BusyScope busy(busy_);
    CIhmDlgExit dlg(window(), this);
    dlg.DoModal();
}

int CIhmDlgSubMain::Alert(const std::string& text, const std::string& title, int style) {
    return ShowAlert(this, text, title, style);
}

void CIhmDlgSubMain::OnSysCommand(int command) {
    if (command >= kSysCommandAbout && command <= 31)
        OnAbout();
}

void CIhmDlgSubMain::contextMenuEvent(QContextMenuEvent* event) {
    // The window's own menu, with the About entry the program adds to it.
    ModalRequest request{"menu", "SystemMenu", "", std::string("16|1|") + kAboutEntry + "\n", 0};
    QPoint at = event->globalPos();
    ModalAnswer answer = ModalSeam::Ask(request, [this, at] {
        QMenu menu(this);
        menu.addSeparator();
        QAction* about = menu.addAction(QString::fromUtf8(kAboutEntry));
        about->setData(kSysCommandAbout);
        QAction* chosen = menu.exec(at);
        return ModalAnswer{chosen ? chosen->data().toInt() : 0, {}};
    });
    OnSysCommand(answer.code);
}

void CIhmDlgSubMain::SetWaitCursor(bool on) {
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

bool CIhmDlgSubMain::RunConnectionDialog(int command) {
    MenuDialogOpener open = FindMenuDialog(command);
    return open && open(this);
}

bool CIhmDlgSubMain::AccessCheck() {
    return RunAccessCheck(this);
}

bool CIhmDlgSubMain::RunServiceDialog(int command) {
    MenuDialogOpener open = FindMenuDialog(command);
    if (!open)
        return false;
    open(this);
    return true;
}

void CIhmDlgSubMain::ToggleChord() {
    if (view_)
        view_->ToggleKey(panel::kKeyChord);
}

void CIhmDlgSubMain::ClickEsc() {
    if (view_)
        view_->ClickKey(panel::kKeyEsc);
}
