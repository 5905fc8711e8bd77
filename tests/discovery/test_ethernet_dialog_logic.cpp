// The Ethernet dialogs' logic: display aging, duplicates, column width, "&", choosing,
// removing, and the add-controller form.
#include <gtest/gtest.h>

#include "discovery/DiscoveryAddress.h"
#include "discovery/EthernetDialogLogic.h"
#include "discovery_test_support.h"

namespace discovery {
namespace {

using test::Host;
using test::Line;

class DiscoveryDialogTest : public ::testing::Test, public test::ScriptedNetwork {
  protected:
    CDiscoveryTableHolder holder{client};
    EthernetDiscoveryLogic logic{holder, clock.AsClock()};
};

TEST_F(DiscoveryDialogTest, StaleLinesAreHiddenManualLinesAlwaysShown) {
    Publish({Heard(Host(10, 0, 0, 1), "FRESH", 1, 15), Heard(Host(10, 0, 0, 2), "OLD", 2, 16),
             Heard(Host(10, 0, 0, 3), "MANUAL", 3, 5000, true)});
    ASSERT_TRUE(logic.Refresh());
    ASSERT_EQ(logic.Rows().size(), 2u);
    EXPECT_EQ(logic.Rows()[0].label, "FRESH");
    EXPECT_EQ(logic.Rows()[1].label, "MANUAL");
    EXPECT_EQ(logic.Rows()[1].manual, "y");
    EXPECT_EQ(logic.Rows()[0].manual, "");
    EXPECT_EQ(logic.Rows()[0].address, "10.0.0.1");
    EXPECT_EQ(logic.Rows()[0].peer, "61410031"
                                    "0000001");
    EXPECT_EQ(logic.Status(), StatusKind::None);
    EXPECT_TRUE(logic.RowsChanged());

    // Nothing waiting: nothing changes.
    EXPECT_FALSE(logic.Refresh());
    EXPECT_EQ(logic.Rows().size(), 2u);
}

TEST_F(DiscoveryDialogTest, NoRowSaysSoAndDuplicatesWarnInOrder) {
    Publish({});
    ASSERT_TRUE(logic.Refresh());
    EXPECT_EQ(logic.Status(), StatusKind::NoController);
    EXPECT_EQ(logic.StatusText(), "No kz9 controller found on the net.");

    Publish({Heard(Host(10, 0, 0, 1), "SAME", 1, 0), Heard(Host(10, 0, 0, 2), "SAME", 2, 0),
             Heard(Host(10, 0, 0, 7), "X", 3, 0), Heard(Host(10, 0, 0, 7), "Y", 4, 0)});
    ASSERT_TRUE(logic.Refresh());
    EXPECT_EQ(logic.Status(), StatusKind::Warnings);
    EXPECT_TRUE(logic.StatusChanged());
    EXPECT_EQ(logic.StatusText(), "Warning, at least 2 controllers share the same label\n"
                                  "Warning, at least 2 controllers share the same IP\n");

    Publish({Heard(Host(10, 0, 0, 7), "X", 3, 0), Heard(Host(10, 0, 0, 7), "Y", 4, 0)});
    ASSERT_TRUE(logic.Refresh());
    EXPECT_EQ(logic.StatusText(), "Warning, at least 2 controllers share the same IP\n");
    Publish({Heard(Host(10, 0, 0, 7), "X", 3, 0)});
    ASSERT_TRUE(logic.Refresh());
    EXPECT_EQ(logic.Status(), StatusKind::None);
    EXPECT_TRUE(logic.StatusChanged());
}

TEST_F(DiscoveryDialogTest, LabelColumnNarrowsFrom15Rows) {
    std::vector<Entry> lines;
    for (std::uint32_t i = 0; i < 14; ++i)
        lines.push_back(Heard(Host(10, 0, 1, i + 1), "C" + std::to_string(i), i, 0));
    Publish(lines);
    logic.Refresh();
    EXPECT_EQ(logic.LabelColumnWidth(), 162);
    lines.push_back(Heard(Host(10, 0, 1, 99), "C99", 99, 0));
    Publish(lines);
    logic.Refresh();
    EXPECT_EQ(logic.Rows().size(), 15u);
    EXPECT_EQ(logic.LabelColumnWidth(), 145);
}

TEST_F(DiscoveryDialogTest, AmpersandIsDoubledForDisplayAndUndoneWhenChosen) {
    Entry e = Heard(Host(10, 77, 0, 2), " R&D && Co ", 5, 0);
    e.set_isclockref(true);
    Publish({e});
    logic.Refresh();
    EXPECT_EQ(logic.Rows()[0].label, "R&&D &&&& Co");
    EXPECT_EQ(logic.Rows()[0].clockRef, "\xE2\x97\x9B");
    EXPECT_FALSE(logic.OkEnabled());
    ASSERT_TRUE(logic.Choose(0));
    ASSERT_TRUE(logic.Chosen());
    EXPECT_EQ(logic.Chosen()->label, "R&D && Co");
    EXPECT_EQ(logic.Chosen()->addressMsb, 0x0A4D0002u);
    EXPECT_EQ(logic.Chosen()->host, Host(10, 77, 0, 2));
    EXPECT_EQ(logic.Chosen()->clockRef, "\xE2\x97\x9B");
    EXPECT_TRUE(logic.OkEnabled());
    EXPECT_EQ(UnescapeAmpersands(EscapeAmpersands("&&&x&")), "&&&x&");
}

TEST_F(DiscoveryDialogTest, OkStaysDisabledUntilAParsableRowIsChosen) {
    logic.Preload(Host(10, 77, 0, 2), "LAST", "");
    EXPECT_FALSE(logic.OkEnabled());
    EXPECT_FALSE(logic.Choose(0)); // no row yet
    Publish({Heard(Host(10, 77, 0, 2), "RENAMED", 5, 0)});
    logic.Refresh();
    // The preloaded address appears under another label: the shown choice follows it.
    EXPECT_TRUE(logic.ChosenLabelChanged());
    EXPECT_EQ(logic.Chosen()->label, "RENAMED");
    EXPECT_FALSE(logic.OkEnabled());
    EXPECT_FALSE(logic.Choose(3));
    EXPECT_TRUE(logic.Choose(0));
    EXPECT_TRUE(logic.OkEnabled());
    EXPECT_EQ(logic.ChosenPeerName(), "61410031000000"); // 14 characters

    EthernetMemory memory;
    EXPECT_EQ(logic.ChosenTcpPort(memory), 42424);
    AddPlcLogic::RememberTcpPort(memory, 0x0A4D0002, 5020);
    EXPECT_EQ(logic.ChosenTcpPort(memory), 5020);
}

TEST_F(DiscoveryDialogTest, RemoveIsOfferedForManualRowsAndNamesTheRowsOwnAddress) {
    // An aged line before the manual one: row 1 is table line 2.
    Publish({Heard(Host(10, 0, 0, 1), "A", 1, 0), Heard(Host(10, 0, 0, 2), "AGED", 2, 40),
             Heard(Host(10, 0, 0, 3), "M", 3, 40, true)});
    logic.Refresh();
    ASSERT_EQ(logic.Rows().size(), 2u);
    EXPECT_TRUE(logic.CanSelect(0));
    EXPECT_FALSE(logic.CanRemove(0));
    EXPECT_TRUE(logic.CanRemove(1));
    EXPECT_FALSE(logic.CanSelect(2));
    EXPECT_FALSE(logic.Remove(0));
    EXPECT_TRUE(client.removed.empty());
    EXPECT_TRUE(logic.Remove(1));
    EXPECT_EQ(client.removed, std::vector<std::uint32_t>{Host(10, 0, 0, 3)});
    EXPECT_EQ(logic.Rows().size(), 1u);
}

TEST(AddPlcForm, ModesPortsAndTheAttempt) {
    AddPlcLogic form;
    EXPECT_TRUE(form.AddressEnabled());
    EXPECT_FALSE(form.HostNameEnabled());
    EXPECT_FALSE(form.PortsEnabled());
    form.SetIpMode(false);
    EXPECT_FALSE(form.AddressEnabled());
    EXPECT_TRUE(form.HostNameEnabled());

    form.SetCustomPorts(true);
    form.tcpPortText = "5020";
    form.discoveryPortText = "40001";
    EXPECT_EQ(form.TcpPort(), 5020);
    EXPECT_EQ(form.DiscoveryPort(), 40001);
    form.SetCustomPorts(false);
    EXPECT_EQ(form.tcpPortText, "42424");
    EXPECT_EQ(form.discoveryPortText, "35007");
    for (const char* bad : {"", "0", "65536", "12a", "-1"})
        EXPECT_FALSE(ParsePort(bad)) << bad;

    form.hostName = "no-such-host.invalid";
    const AddPlcLogic::Target unresolved = form.AddressToTry();
    EXPECT_TRUE(unresolved.dnsFailed);
    EXPECT_EQ(unresolved.addressMsb, 0xFFFFFFFFu);
    form.hostName = "10.77.0.9";
    EXPECT_EQ(form.AddressToTry().addressMsb, 0x0A4D0009u);
    form.SetIpMode(true);
    form.addressMsb = 0x0A4D0002;
    EXPECT_EQ(form.AddressToTry().addressMsb, 0x0A4D0002u);

    test::ScriptedClient client;
    *client.appeared.add_ligne() = Line(Host(10, 77, 0, 2), "PLC");
    client.appearAfterCalls = 1;
    std::int64_t now = 0;
    WaitClock fast{[&] { return now; }, [&](int ms) { now += ms; }};
    EXPECT_TRUE(AddPlcLogic::Attempt(client, 0x0A4D0002, 40001, fast));
    EXPECT_FALSE(AddPlcLogic::Attempt(client, 0x0A4D0003, 40001, fast));
    EXPECT_EQ(client.adds.back().portnumber(), 40001u);
}

} // namespace
} // namespace discovery
