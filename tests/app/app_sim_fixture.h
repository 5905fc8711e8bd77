// A test of the program's windows against the simulator: the communication core started
// once for the whole executable, one simulator per test, and a scripted user who answers
// every modal call through the modal seam.
#pragma once

#include <QDialog>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/sim_fixture.h"
#include "widgets/ModalSeam.h"

class ScriptedUser {
  public:
    // Menu choices in order; when none is left the menu is dismissed (0).
    std::deque<int> menuChoices;
    // How each named dialog is handled; a dialog without a handler is cancelled.
    std::map<std::string, std::function<int(QDialog*)>> dialogs;
    // Alerts are answered with their rightmost shown button unless set here.
    std::function<int(QDialog*, const ModalRequest&)> alertAnswer;
    // The menus offered, as the seam saw them.
    std::vector<std::string> menusSeen;

    ModalAnswer Answer(QDialog* dialog, const ModalRequest& request);
};

class AppSimTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Starts a simulator with these options and makes its device folder the one the port
    // enumeration looks at.
    void StartSim(const std::vector<std::string>& options);
    // The alerts shown since the test began, as "title|text".
    std::vector<std::string> Alerts() const;
    // Whether an alert with this text was shown.
    bool Shown(const std::string& text) const;

    std::unique_ptr<simtest::SimProcess> sim_;
    ScriptedUser user_;
};
