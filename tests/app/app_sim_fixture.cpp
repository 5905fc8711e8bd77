#include "app_sim_fixture.h"

#include <QPushButton>

#include <cstdlib>

#include "app/CQRL_PCApp.h"
#include "comm/CComClient.h"
#include "comm/ProcessState.h"
#include "comm/Startup.h"
#include "widgets/CIhmDlgAlertMsg.h"
#include "widgets/ControlIds.h"
#include "comm/LinkState.h"
#include "widgets/ProgramFolder.h"
#include "widgets/UiClock.h"

ModalAnswer ScriptedUser::Answer(QDialog* dialog, const ModalRequest& request) {
    if (request.kind == "menu") {
        menusSeen.push_back(request.text);
        int choice = 0;
        if (!menuChoices.empty()) {
            choice = menuChoices.front();
            menuChoices.pop_front();
        }
        return {choice, {}};
    }
    if (request.name == "CIhmDlgAlertMsg" && dialog) {
        if (alertAnswer)
            return {alertAnswer(dialog, request), {}};
        auto* alert = static_cast<CIhmDlgAlertMsg*>(dialog);
        for (int id : {1225, 1224, 1022})
            if (alert->AnswerOf(id) != 0) {
                alert->Press(id);
                return {alert->result(), {}};
            }
        return {0, {}};
    }
    auto handler = dialogs.find(request.name);
    if (handler != dialogs.end() && dialog)
        return {handler->second(dialog), {}};
    return {QDialog::Rejected, {}};
}

void AppSimTest::SetUpTestSuite() {
    static bool started = false;
    if (started)
        return;
    started = true;
    UiClock::SetScale(0);
    QuorvelStartup(ProgramFolder());
    RegisterConnectionDialogs();
}

void AppSimTest::SetUp() {
    ModalSeam::ClearHistory();
    ModalSeam::SetScript([this](QDialog* d, const ModalRequest& r) { return user_.Answer(d, r); });
    CComClient::Instance().Deconnect();
    LinkConfigured().store(0);
    ConnectionKind().store(0);
}

void AppSimTest::TearDown() {
    CComClient::Instance().Deconnect();
    ModalSeam::Reset();
    sim_.reset();
}

void AppSimTest::StartSim(const std::vector<std::string>& options) {
    simtest::SimConfig config;
    config.args = options;
    sim_ = std::make_unique<simtest::SimProcess>(config);
    std::string error;
    ASSERT_TRUE(sim_->Start(&error)) << error;
    setenv("QUORVEL_DEV_DIR", sim_->dev_dir().c_str(), 1);
}

std::vector<std::string> AppSimTest::Alerts() const {
    std::vector<std::string> out;
    for (const ModalRequest& r : ModalSeam::History())
        if (r.kind == "alert")
            out.push_back(r.title + "|" + r.text);
    return out;
}

bool AppSimTest::Shown(const std::string& text) const {
    for (const ModalRequest& r : ModalSeam::History())
        if (r.kind == "alert" && r.text == text)
            return true;
    return false;
}
