// The live front panel (screens, keys, icons, character pages), the running clock, the
// state file, and the discovery datagrams.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include <google/protobuf/stubs/logging.h>

#include "discovery.pb.h"
#include "sim/discovery_link.h"
#include "sim/panel_app.h"
#include "sim/rtc.h"
#include "tests/sim/controller_client.h"

namespace {

using simtest::ControllerClient;

std::string Row(const wire::Bytes& block, int row) {
    return std::string(block.begin() + row * 18, block.begin() + row * 18 + 18);
}

std::uint32_t Icons(const wire::Bytes& block) {
    return std::uint32_t(block[146]) | std::uint32_t(block[147]) << 8 |
           std::uint32_t(block[148]) << 16 | std::uint32_t(block[149]) << 24;
}

wire::Bytes Panel(ControllerClient& c) {
    return c.Read(0x6000, 156).value_or(wire::Bytes{});
}

void Click(ControllerClient& c, std::uint8_t key) {
    ASSERT_TRUE(c.Write(0x6000, {key}));
    ASSERT_TRUE(c.Write(0x6000, {0}));
}

TEST(SimPanel, StatusScreenShowsClockAndRunStateWithBothPages) {
    sim::ControllerOptions o;
    o.label = "PUMP STATION";
    o.clock_start = sim::ToSeconds(sim::CivilTime{58, 59, 23, 31, 12, 2099});
    ControllerClient c(o);
    wire::Bytes b = Panel(c);
    ASSERT_EQ(b.size(), 156u);
    EXPECT_EQ(Row(b, 0), "PUMP STATION      ");
    EXPECT_EQ(Row(b, 1).substr(0, 4), "RUN ");
    EXPECT_EQ(Row(b, 2).substr(0, 17), "23:59:58 31/12/99");
    // Digits and ':' go to page 1 (plain ASCII); letters stay on page 0.
    EXPECT_EQ(b[72 + 2 * 18], 1);
    EXPECT_EQ(b[72 + 2 * 18 + 2], 1);
    EXPECT_EQ(b[72 + 0], 0);
    EXPECT_NE(b[72], 0xFF);
    c.Advance(3000);
    EXPECT_EQ(Row(Panel(c), 2).substr(0, 17), "00:00:01 01/01/00");

    // The wheel turns while running: one segment of bits 4-9 at a time, moving.
    std::uint32_t first = Icons(Panel(c)) & 0x3F0;
    EXPECT_EQ(__builtin_popcount(first), 1);
    c.Advance(250);
    std::uint32_t second = Icons(Panel(c)) & 0x3F0;
    EXPECT_EQ(__builtin_popcount(second), 1);
    EXPECT_NE(first, second);
    ASSERT_TRUE(c.Command(1, 0));
    EXPECT_EQ(Icons(Panel(c)) & 0x3F0, 0u);
    EXPECT_EQ(Row(Panel(c), 1).substr(0, 4), "STOP");
}

TEST(SimPanel, KeysNavigateTheMenuAndTheChordOpensParameters) {
    ControllerClient c; // kz9: Enter 0x01, Esc 0x02, + 0x04, - 0x08, B 0x10, A 0x20
    Click(c, 0x01);
    wire::Bytes b = Panel(c);
    EXPECT_EQ(Row(b, 0).substr(0, 4), "MENU");
    EXPECT_EQ(b[18], 0x7E); // the arrow on the first item
    Click(c, 0x04);
    b = Panel(c);
    EXPECT_EQ(b[18], ' ');
    EXPECT_EQ(b[36], 0x7E);
    Click(c, 0x01); // INPUTS
    EXPECT_EQ(Row(Panel(c), 0).substr(0, 6), "INPUTS");
    Click(c, 0x02);
    Click(c, 0x02);
    EXPECT_EQ(Row(Panel(c), 1).substr(0, 3), "RUN");

    // A held key repeats nothing: only the 0 -> 1 edge counts.
    ASSERT_TRUE(c.Write(0x6000, {0x01}));
    ASSERT_TRUE(c.Write(0x6000, {0x01}));
    EXPECT_EQ(Row(Panel(c), 0).substr(0, 4), "MENU");
    ASSERT_TRUE(c.Write(0x6000, {0x00}));

    ASSERT_TRUE(c.Command(30, 0));
    b = Panel(c);
    EXPECT_EQ(Row(b, 0).substr(0, 10), "PARAMETERS");
    EXPECT_NE(Icons(b) & 0x4, 0u);
    // The chord's bits carried in a later key write are not taken as Esc and Enter.
    ASSERT_TRUE(c.Write(0x6000, {0x03 | 0x04}));
    b = Panel(c);
    EXPECT_EQ(Row(b, 0).substr(0, 10), "PARAMETERS");
    EXPECT_NE(Row(b, 1).find("   21"), std::string::npos) << Row(b, 1); // + raised SETPOINT
    ASSERT_TRUE(c.Write(0x6000, {0}));
    Click(c, 0x02);
    EXPECT_EQ(Row(Panel(c), 1).substr(0, 3), "RUN");
}

TEST(SimPanel, PaskKeyBitsAndLoaderScreen) {
    sim::ControllerOptions o;
    o.code8 = 61420001; // Pask: Esc 0x08, + 0x02
    ControllerClient c(o);
    Click(c, 0x01);
    Click(c, 0x02);
    EXPECT_EQ(Panel(c)[36], 0x7E);
    Click(c, 0x08);
    EXPECT_EQ(Row(Panel(c), 1).substr(0, 3), "RUN");
    ASSERT_TRUE(c.Command(6, 0));
    EXPECT_EQ(Row(Panel(c), 1), "   BOOT LOADER    ");
}

TEST(SimClock, CalendarAndRunningClock) {
    EXPECT_EQ(sim::ToSeconds(sim::CivilTime{0, 0, 0, 1, 1, 2000}), 0);
    EXPECT_EQ(sim::Weekday(0), 6); // a Saturday
    for (std::int64_t s : {0LL, 86399LL, 5097600LL, 3155759999LL}) {
        sim::CivilTime t = sim::FromSeconds(s);
        EXPECT_TRUE(sim::IsValid(t));
        EXPECT_EQ(sim::ToSeconds(t), s);
    }
    EXPECT_FALSE(sim::IsValid(sim::CivilTime{0, 0, 0, 29, 2, 2100}));
    EXPECT_TRUE(sim::IsValid(sim::CivilTime{0, 0, 0, 29, 2, 2000}));

    ControllerClient c;
    ASSERT_TRUE(c.Write(0x1000, {0x3A, 0x3B, 0x17, 0x00, 0x1F, 0x0C, 0x63}));
    c.Advance(2500);
    EXPECT_EQ(c.Read(0x1000, 7), (wire::Bytes{0x00, 0x00, 0x00, 0x00, 0x01, 0x01, 0x64}));
}

TEST(SimStateFile, ProgramLabelAndPasswordSurviveAndOtherModelsAreRefused) {
    const std::string path = ::testing::TempDir() + "/sim_state_test.bin";
    {
        sim::ControllerOptions o;
        o.code8 = 61430001;
        ControllerClient c(o);
        ASSERT_TRUE(c.Command(5, 2));
        ASSERT_TRUE(c.Write(0x70010, {1, 2, 3}));
        ASSERT_TRUE(c.Write(0x0F00, {'T', 'R'}));
        ASSERT_TRUE(c.Write(0x7400, {'k', 'e', 'y', 0, 0, 0, 0, 0, 0, 0}));
        ASSERT_TRUE(c.controller().SaveState(path));
    }
    sim::ControllerOptions o;
    o.code8 = 61430001;
    ControllerClient c(o);
    ASSERT_TRUE(c.controller().LoadState(path));
    ASSERT_TRUE(c.Hello());
    EXPECT_EQ(c.Read(0x7300, 13)->at(1), 1);
    ASSERT_TRUE(c.Write(0x7200, {'k', 'e', 'y', 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(c.Read(0x70010, 3), (wire::Bytes{1, 2, 3}));
    EXPECT_EQ(c.Read(0x5700, 1), wire::Bytes{0});
    EXPECT_EQ(c.controller().Label(), "TR");

    ControllerClient other; // another model must not take this image
    EXPECT_FALSE(other.controller().LoadState(path));
    EXPECT_FALSE(other.controller().LoadState(path + ".missing"));
    // A truncated file is refused whole.
    std::filesystem::resize_file(path, std::filesystem::file_size(path) - 10);
    ControllerClient again(o);
    EXPECT_FALSE(again.controller().LoadState(path));
    EXPECT_EQ(again.Read(0x5700, 1), wire::Bytes{1});
    std::remove(path.c_str());
}

TEST(SimDiscovery, AnswersKz9SearchesWithAnEmptyOrMatchingLabel) {
    google::protobuf::SetLogHandler(nullptr); // the garbage below must not fill the output
    sim::ControllerOptions o;
    o.label = "LINE 4";
    o.product_id = 17;
    sim::Controller controller(o);
    EXPECT_EQ(sim::HostField("10.77.0.2"), 10u + 77u * 256u + 2u * 16777216u);

    auto search = [](const char* label, ProductType type, bool with_label) {
        DiscoveryMessage m;
        m.set_host(1);
        m.set_productid(999);
        m.set_code8(0);
        m.mutable_search()->set_type(type);
        if (with_label)
            m.mutable_search()->set_label(label);
        return "Dkz9" + m.SerializeAsString();
    };
    EXPECT_TRUE(sim::IsSearchForUs(search("", KZ9, true), "LINE 4"));
    EXPECT_TRUE(sim::IsSearchForUs(search("", KZ9, false), "LINE 4"));
    EXPECT_TRUE(sim::IsSearchForUs(search("LINE 4", KZ9, true), "LINE 4"));
    EXPECT_FALSE(sim::IsSearchForUs(search("LINE 5", KZ9, true), "LINE 4"));
    EXPECT_FALSE(sim::IsSearchForUs(search("", ATELIER, true), "LINE 4"));
    EXPECT_FALSE(sim::IsSearchForUs("Dkz9", "LINE 4"));
    EXPECT_FALSE(sim::IsSearchForUs("Xkz9" + search("", KZ9, true).substr(4), "LINE 4"));

    std::string d = sim::BuildDiscoveryDatagram(controller, 0x0100007F, false);
    ASSERT_EQ(d.substr(0, 4), "Dkz9");
    DiscoveryMessage m;
    ASSERT_TRUE(m.ParseFromString(d.substr(4)));
    EXPECT_TRUE(m.has_searchresp());
    EXPECT_FALSE(m.has_notify());
    EXPECT_EQ(m.code8(), 61410031u);
    EXPECT_EQ(m.productid(), 17u);
    EXPECT_EQ(m.host(), 0x0100007Fu);
    EXPECT_EQ(m.searchresp().label(), "LINE 4");
    EXPECT_EQ(m.searchresp().type(), KZ9);
    ASSERT_TRUE(m.ParseFromString(sim::BuildDiscoveryDatagram(controller, 1, true).substr(4)));
    ASSERT_TRUE(m.has_notify());
    EXPECT_FALSE(m.has_searchresp());
    // The NOTIFY carries the controller's clock.
    sim::ControllerOptions dated = o;
    dated.clock_start = sim::ToSeconds(sim::CivilTime{5, 4, 3, 2, 1, 2030});
    sim::Controller clocked(dated, [] { return std::int64_t(0); });
    ASSERT_TRUE(m.ParseFromString(sim::BuildDiscoveryDatagram(clocked, 1, true).substr(4)));
    ASSERT_TRUE(m.notify().has_datetime());
    EXPECT_EQ(m.notify().datetime().annee(), 2030u);
    EXPECT_EQ(m.notify().datetime().mois(), 1u);
    EXPECT_EQ(m.notify().datetime().date(), 2u);
    EXPECT_EQ(m.notify().datetime().heure(), 3u);
    EXPECT_EQ(m.notify().datetime().seconde(), 5u);
    EXPECT_EQ(m.notify().datetime().jour(), 3u); // a Wednesday
}

} // namespace
