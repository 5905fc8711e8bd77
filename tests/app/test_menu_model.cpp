// The command menu's entries and states for every controller state the menu tells apart.
#include <gtest/gtest.h>

#include <set>

#include "app/MenuModel.h"
#include "menu_checks.h"
#include "model/ModelTable.h"

namespace {

using menutest::Enabled;
using menutest::TextOf;

std::vector<int> Codes(const CommandMenu& m) {
    std::vector<int> out;
    for (const MenuEntry& e : m.entries)
        out.push_back(e.code);
    return out;
}

TEST(MenuModel, NeverConnectedOffersOnlyTheConnectionSubMenu) {
    MenuInputs in;
    CommandMenu m = BuildCommandMenu(in);
    EXPECT_EQ(Codes(m), (std::vector<int>{2, 18, 3, 4, 5, 6, 7, 8, 9, 10, 19}));
    EXPECT_TRUE(Enabled(m).empty());
    EXPECT_EQ(TextOf(m, 2), "Disconnection");
    EXPECT_EQ(m.connectionTitle, "Configure Connection...");
    ASSERT_EQ(m.connection.size(), 4u);
    EXPECT_EQ(m.connection[0].text, "USB");
    EXPECT_EQ(m.connection[1].text, "Ethernet");
    EXPECT_EQ(m.connection[2].text, "Bluetooth");
    EXPECT_EQ(m.connection[3].text, "Fleet...");
    for (const MenuEntry& e : m.connection)
        EXPECT_TRUE(e.enabled);
}

TEST(MenuModel, AfterDisconnectionOffersReconnection) {
    MenuInputs in;
    in.linkConfigured = true;
    CommandMenu m = BuildCommandMenu(in);
    EXPECT_EQ(TextOf(m, 2), "Reconnection");
    EXPECT_EQ(Enabled(m), (std::set<int>{2}));
}

TEST(MenuModel, LoaderOnlyStatesOfferFirmwareUpdate) {
    for (std::uint32_t word : {0x400001F5u, 0x400001F6u}) {
        for (bool configured : {false, true}) {
            MenuInputs in;
            in.connected = true;
            in.linkConfigured = configured;
            in.stateWord = word;
            in.productType = 3;
            CommandMenu m = BuildCommandMenu(in);
            std::set<int> expected{3};
            if (configured)
                expected.insert(2);
            EXPECT_EQ(Enabled(m), expected) << std::hex << word;
            EXPECT_EQ(TextOf(m, 2), configured ? "Reconnection" : "Disconnection");
        }
    }
    // Neighbouring words are normal states.
    for (std::uint32_t word : {0x400001F7u, 0x40000201u, 0u}) {
        MenuInputs in;
        in.connected = true;
        in.stateWord = word;
        EXPECT_EQ(Enabled(BuildCommandMenu(in)).size(), 10u) << std::hex << word;
    }
}

TEST(MenuModel, RunningShowsStopAndStoppedShowsBothStarts) {
    MenuInputs in;
    in.connected = true;
    in.stateWord = 0;
    in.running = true;
    CommandMenu running = BuildCommandMenu(in);
    EXPECT_EQ(Codes(running), (std::vector<int>{2, 18, 3, 4, 5, 6, 7, 8, 9, 19}));
    EXPECT_EQ(TextOf(running, 9), "Stop the controller");
    EXPECT_EQ(TextOf(running, 2), "Disconnection");
    EXPECT_EQ(Enabled(running), (std::set<int>{2, 18, 3, 4, 5, 6, 7, 8, 9}));

    in.running = false;
    CommandMenu stopped = BuildCommandMenu(in);
    EXPECT_EQ(TextOf(stopped, 9), "Start the controller without Reset");
    EXPECT_EQ(TextOf(stopped, 10), "Start the controller with Reset saved values");
    EXPECT_EQ(Enabled(stopped), (std::set<int>{2, 18, 3, 4, 5, 6, 7, 8, 9, 10}));
}

TEST(MenuModel, TrelProductTypesGreyParameterAccessOnly) {
    for (int type : {13, 14, 15, 16, 17, 0, 255}) {
        MenuInputs in;
        in.connected = true;
        in.productType = type;
        CommandMenu m = BuildCommandMenu(in);
        bool trel = type >= 14 && type <= 16;
        EXPECT_EQ(m.Find(8)->enabled, !trel) << type;
        EXPECT_EQ(Enabled(m).size(), trel ? 9u : 10u) << type;
    }
    // A failed product-type read or state-word read leaves everything enabled.
    MenuInputs failed;
    failed.connected = true;
    EXPECT_TRUE(BuildCommandMenu(failed).Find(8)->enabled);
    EXPECT_EQ(Enabled(BuildCommandMenu(failed)).size(), 10u);
}

TEST(MenuModel, SoftwareCapabilityRules) {
    // kz9 and Pask: no when V is 0, I below 6, or 1.06.20 and older within 1.06.
    EXPECT_FALSE(model::SoftwareOffersServices(0, 0, 9, 9));
    EXPECT_FALSE(model::SoftwareOffersServices(0, 1, 5, 99));
    EXPECT_FALSE(model::SoftwareOffersServices(1, 1, 6, 20));
    EXPECT_FALSE(model::SoftwareOffersServices(1, 2, 3, 0));
    EXPECT_TRUE(model::SoftwareOffersServices(0, 1, 6, 21));
    EXPECT_TRUE(model::SoftwareOffersServices(0, 1, 9, 3));
    EXPECT_TRUE(model::SoftwareOffersServices(1, 2, 6, 0));
    // Trel: no when V is 0 or the software is 1.00.00.
    EXPECT_FALSE(model::SoftwareOffersServices(2, 0, 5, 5));
    EXPECT_FALSE(model::SoftwareOffersServices(2, 1, 0, 0));
    EXPECT_TRUE(model::SoftwareOffersServices(2, 1, 0, 1));
    EXPECT_TRUE(model::SoftwareOffersServices(2, 1, 1, 0));
    EXPECT_TRUE(model::SoftwareOffersServices(2, 2, 0, 0));
    // Any other family: no.
    EXPECT_FALSE(model::SoftwareOffersServices(3, 9, 9, 9));
    EXPECT_FALSE(model::SoftwareOffersServices(-1, 9, 9, 9));
}

TEST(MenuModel, PanelTemplatePerFamily) {
    EXPECT_EQ(PanelTemplateForFamily(0), 102);
    EXPECT_EQ(PanelTemplateForFamily(1), 167);
    EXPECT_EQ(PanelTemplateForFamily(2), 220);
    EXPECT_EQ(PanelTemplateForFamily(7), 167);
    EXPECT_EQ(PanelTemplateForFamily(-1), 167);
}

TEST(MenuModel, ServiceHistoryIsTheLastEntryWithOrWithoutAController) {
    MenuInputs never, loader, connected;
    loader.connected = connected.connected = true;
    loader.stateWord = 0x400001F5u;
    for (const MenuInputs& in : {never, loader, connected}) {
        const CommandMenu m = BuildCommandMenu(in);
        ASSERT_FALSE(m.entries.empty());
        EXPECT_EQ(m.entries.back().code, kMenuServiceHistory);
        EXPECT_EQ(m.entries.back().text, "Service history");
        EXPECT_TRUE(m.entries.back().enabled);
    }
}

} // namespace
