// The Ethernet dialogs driven through their controls, offscreen, with a scripted discovery
// client and scripted answers to their alerts. The QApplication comes from qt_main_env.
#include <gtest/gtest.h>

#include <utility>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "discovery/ui/CIhmDlgAddEthPlc.h"
#include "discovery/ui/CIhmDlgEthernetDiscovery.h"
#include "discovery_test_support.h"
#include "tests/support/closed_tcp_port.h"
#include "widgets/AlertStyle.h"
#include "widgets/CIhmCtrlList.h"
#include "widgets/ControlIds.h"
#include "widgets/ModalSeam.h"

namespace discovery {
namespace {

using test::Host;
using test::Line;

class EthernetDialogs : public ::testing::Test, public test::ScriptedNetwork {
  protected:
    void SetUp() override { ModalSeam::ClearHistory(); }
    void TearDown() override { ModalSeam::Reset(); }

    std::int64_t nowMs = 0;
    WaitClock fast{[this] { return nowMs; }, [this](int ms) { nowMs += ms; }};
};

TEST_F(EthernetDialogs, DiscoveryListFollowsThePublications) {
    CIhmDlgEthernetDiscovery dlg(nullptr, &client, clock.AsClock(), fast);
    CIhmCtrlList* list = FindCtl<CIhmCtrlList>(&dlg, 1016);
    QPushButton* ok = FindCtl<QPushButton>(&dlg, 1);
    QLabel* status = FindCtl<QLabel>(&dlg, 1020);
    ASSERT_TRUE(list && ok && status);
    EXPECT_EQ(dlg.windowTitle(), "Connection parameters");
    EXPECT_FALSE(ok->isEnabled());
    EXPECT_EQ(status->text(), "No kz9 controller found on the net.");
    EXPECT_EQ(list->columnCount(), 5);

    Publish({Heard(Host(10, 77, 0, 2), "A&B", 1, 3), Heard(Host(10, 77, 0, 3), "OLD", 2, 16),
             Heard(Host(10, 77, 0, 4), "MAN", 3, 900, true),
             Heard(Host(10, 77, 0, 4), "A&B", 4, 0)});
    dlg.OnIdle();
    ASSERT_EQ(list->rowCount(), 3);
    EXPECT_EQ(list->Text(0, 0), "A&&B");
    EXPECT_EQ(list->Text(0, 2), "10.77.0.2");
    EXPECT_EQ(list->Text(0, 3), "61410031"
                                "0000001");
    EXPECT_EQ(list->Text(1, 0), "MAN");
    EXPECT_EQ(list->Text(1, 4), "y");
    EXPECT_EQ(list->columnWidth(0), 162);
    EXPECT_EQ(status->text(), "Warning, at least 2 controllers share the same label\n"
                              "Warning, at least 2 controllers share the same IP\n");
    EXPECT_FALSE(status->isHidden());

    EXPECT_EQ(dlg.MenuEntries(0), (std::vector<std::string>{"Select"}));
    EXPECT_EQ(dlg.MenuEntries(1), (std::vector<std::string>{"Select", "Remove"}));
    EXPECT_TRUE(dlg.MenuEntries(7).empty());

    dlg.ChooseRow(0);
    EXPECT_TRUE(ok->isEnabled());
    EXPECT_EQ(FindCtl<QLineEdit>(&dlg, 1017)->text(), "A&B");
    EXPECT_EQ(FindCtl<QLineEdit>(&dlg, 1019)->text(), "10.77.0.2");

    // "Remove": No keeps the row, Yes removes it; the service's refusal says "FAILED!".
    ModalSeam::SetScript(ScriptedAnswers({kAnswerNo, kAnswerYes}));
    dlg.RunMenuEntry(1, "Remove");
    EXPECT_TRUE(client.removed.empty());
    dlg.RunMenuEntry(1, "Remove");
    EXPECT_EQ(client.removed, std::vector<std::uint32_t>{Host(10, 77, 0, 4)});
    EXPECT_EQ(list->rowCount(), 2);
    ASSERT_GE(ModalSeam::History().size(), 1u);
    EXPECT_EQ(ModalSeam::History()[0].text,
              "Do you really want to remove this controler from the list?");
    EXPECT_EQ(ModalSeam::History()[0].title, "Quorvel warning");

    // Fifteen rows: the label column narrows for the scroll bar.
    std::vector<Entry> many;
    for (std::uint32_t i = 0; i < 15; ++i)
        many.push_back(Heard(Host(10, 77, 1, i + 1), "C" + std::to_string(i), 10 + i, 0));
    Publish(many);
    dlg.OnIdle();
    EXPECT_EQ(list->rowCount(), 15);
    EXPECT_EQ(list->columnWidth(0), 145);
    EXPECT_EQ(dlg.Logic().Status(), StatusKind::None);
    EXPECT_TRUE(status->isHidden());
}

TEST_F(EthernetDialogs, AddDialogPortsAndAttempts) {
    // The check of a failed attempt, scripted: no connection leaves the machine.
    std::vector<std::pair<std::uint32_t, std::uint16_t>> checked;
    std::string cause = "10.78.0.3:5020: connection refused";
    auto check = [&](std::uint32_t host, std::uint16_t port) {
        checked.emplace_back(host, port);
        return cause;
    };
    CIhmDlgAddEthPlc dlg(nullptr, &client, fast, check);
    QLineEdit* address = FindCtl<QLineEdit>(&dlg, 1019);
    QLineEdit* host = FindCtl<QLineEdit>(&dlg, 1025);
    QCheckBox* custom = FindCtl<QCheckBox>(&dlg, 1026);
    QLineEdit* tcp = FindCtl<QLineEdit>(&dlg, 1029);
    QLineEdit* disc = FindCtl<QLineEdit>(&dlg, 1030);
    ASSERT_TRUE(address && host && custom && tcp && disc);
    EXPECT_EQ(dlg.windowTitle(), "Add a PLC");
    EXPECT_TRUE(address->isEnabled());
    EXPECT_FALSE(host->isEnabled());
    EXPECT_FALSE(tcp->isEnabled());

    custom->setChecked(true);
    EXPECT_TRUE(tcp->isEnabled());
    tcp->setText("5020");
    disc->setText("40001");
    custom->setChecked(false);
    EXPECT_EQ(tcp->text(), "42424");
    EXPECT_EQ(disc->text(), "35007");
    EXPECT_FALSE(disc->isEnabled());

    custom->setChecked(true);
    tcp->setText("5020");
    disc->setText("40001");
    address->setText("10.78.0.3");
    ModalSeam::SetScript(ScriptedAnswers({}, kAnswerOk));
    dlg.OnTest(); // nobody answers: the message, then why, from the controller's TCP port
    ASSERT_EQ(ModalSeam::History().size(), 1u);
    EXPECT_EQ(ModalSeam::History()[0].text, "The target peripheral is not reacting.\nCheck the "
                                            "connection.\n10.78.0.3:5020: connection refused");
    EXPECT_EQ(client.adds.back().portnumber(), 40001u);
    EXPECT_EQ(client.adds.back().ipaddress(), 0x0A4E0003u);
    ASSERT_EQ(checked.size(), 1u);
    EXPECT_EQ(checked[0], std::make_pair(Host(10, 78, 0, 3), std::uint16_t(5020)));
    dlg.OnOk();
    EXPECT_EQ(ModalSeam::History().back().text, "FAILED!\n10.78.0.3:5020: connection refused");
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    // The TCP port accepts connections: what went unanswered is the discovery request.
    cause.clear();
    dlg.OnTest();
    EXPECT_EQ(ModalSeam::History().back().text,
              "The target peripheral is not reacting.\nCheck the connection.\n10.78.0.3: no "
              "answer to discovery on UDP port 40001 (TCP port 5020 accepts connections)");

    *client.appeared.add_ligne() = Line(Host(10, 78, 0, 3), "PLC-BRAVO");
    client.appearAfterCalls = client.getTableCalls + 1;
    dlg.OnTest();
    EXPECT_EQ(ModalSeam::History().back().text, "Communication Succeed");
    EXPECT_EQ(ModalSeam::History().back().title, "Quorvel");
    dlg.OnOk();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(ProcessEthernetMemory().tcpPorts.at(0x0A4E0003u), 5020);

    // A host name that does not resolve warns, then tries 255.255.255.255.
    CIhmDlgAddEthPlc byName(nullptr, &client, fast, check);
    FindCtl<QRadioButton>(&byName, 1024)->setChecked(true);
    EXPECT_TRUE(FindCtl<QLineEdit>(&byName, 1025)->isEnabled());
    EXPECT_FALSE(FindCtl<QLineEdit>(&byName, 1019)->isEnabled());
    FindCtl<QLineEdit>(&byName, 1025)->setText("no-such-host.invalid");
    ModalSeam::ClearHistory();
    byName.OnTest();
    ASSERT_EQ(ModalSeam::History().size(), 2u);
    EXPECT_EQ(ModalSeam::History()[0].text, "The host name could not be resolved in DNS");
    EXPECT_EQ(client.adds.back().ipaddress(), 0xFFFFFFFFu);
    // The name was the cause, already told: no connection is tried to 255.255.255.255.
    EXPECT_EQ(ModalSeam::History()[1].text,
              "The target peripheral is not reacting.\nCheck the connection.");
    EXPECT_EQ(checked.size(), 3u);
}

TEST_F(EthernetDialogs, FailedAttemptNamesARefusedConnection) {
    // The check the dialog makes by default, on a loopback port that refuses connections.
    testsupport::ClosedTcpPort closed;
    ASSERT_NE(closed.Port(), 0);
    CIhmDlgAddEthPlc dlg(nullptr, &client, fast);
    FindCtl<QCheckBox>(&dlg, 1026)->setChecked(true);
    FindCtl<QLineEdit>(&dlg, 1029)->setText(QString::number(closed.Port()));
    FindCtl<QLineEdit>(&dlg, 1019)->setText("127.0.0.1");
    ModalSeam::SetScript(ScriptedAnswers({}, kAnswerOk));
    dlg.OnTest();
    ASSERT_EQ(ModalSeam::History().size(), 1u);
    EXPECT_EQ(ModalSeam::History()[0].text,
              "The target peripheral is not reacting.\nCheck the connection.\n" + closed.Address() +
                  ": connection refused");
}

} // namespace
} // namespace discovery
