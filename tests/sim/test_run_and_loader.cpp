// Run/stop and the state word, the loader states of a firmware update, and the commands
// that other parts of the program rely on.
#include <gtest/gtest.h>

#include "tests/sim/controller_client.h"

namespace {

using simtest::ControllerClient;
using simtest::ExceptionCode;

sim::ControllerOptions Model(std::uint32_t code8) {
    sim::ControllerOptions o;
    o.code8 = code8;
    return o;
}

TEST(SimRunState, StopStartAndProgramPresence) {
    ControllerClient c;
    EXPECT_TRUE(c.Running());
    EXPECT_EQ(c.StateWord(), 0u);
    EXPECT_EQ(c.Read(0x5700, 1), wire::Bytes{1});
    ASSERT_TRUE(c.Command(1, 0));
    EXPECT_FALSE(c.Running());
    ASSERT_TRUE(c.Command(2, 0));
    EXPECT_TRUE(c.Running());

    // Erasing the program stops the controller; a start is acknowledged but has no effect.
    ASSERT_TRUE(c.Command(5, 2));
    EXPECT_FALSE(c.Running());
    EXPECT_EQ(c.Read(0x5700, 1), wire::Bytes{0});
    ASSERT_TRUE(c.Command(2, 0));
    EXPECT_FALSE(c.Running());
    EXPECT_NE(c.Log().find("start refused: no program"), std::string::npos);

    // A configuration record that carries the program marker brings the program back.
    auto config = c.Read(0x40000, 847);
    ASSERT_TRUE(config);
    (*config)[250] = 85;
    for (std::size_t at = 0; at < config->size(); at += 200) {
        std::size_t n = std::min<std::size_t>(200, config->size() - at);
        ASSERT_TRUE(c.Write(0x40000 + std::uint32_t(at),
                            wire::Bytes(config->begin() + std::ptrdiff_t(at),
                                        config->begin() + std::ptrdiff_t(at + n))));
    }
    EXPECT_EQ(c.Read(0x5700, 1), wire::Bytes{1});
    ASSERT_TRUE(c.Command(3, 0));
    EXPECT_TRUE(c.Running());
}

TEST(SimRunState, WithoutProgramAndWithAnErrorWord) {
    sim::ControllerOptions o;
    o.with_application = false;
    o.state_word = 0x04000123;
    ControllerClient c(o);
    EXPECT_FALSE(c.Running());
    EXPECT_EQ(c.Read(0x5700, 1), wire::Bytes{0});
    EXPECT_EQ(c.Read(0x5200, 2), (wire::Bytes{0, 0}));
    EXPECT_TRUE(c.Command(2, 0));
    EXPECT_FALSE(c.Running());
    // Big-endian state word.
    EXPECT_EQ(c.Read(0x5000, 4), (wire::Bytes{0x04, 0x00, 0x01, 0x23}));
}

TEST(SimLoader, BaseFirmwareUpdateGoesThroughLoadingAndBack) {
    ControllerClient c;
    ASSERT_TRUE(c.Command(6, 0));
    EXPECT_EQ(c.StateWord(), 0x400001F6u);
    EXPECT_FALSE(c.Running());
    // The loader serves the identification but not the program areas.
    EXPECT_TRUE(c.Read(0xE000, 21));
    EXPECT_EQ(ExceptionCode(c.Exchange(wire::BuildRequest(0xF7, 0x03, 0x40000, 847))), 4);
    wire::Bytes frame(2048, 0x5A);
    for (std::uint32_t k = 0; k < 3; ++k)
        ASSERT_TRUE(c.Write(0x08000000 + k * 2048, frame));
    // [7,0] is never answered, and leaves the loader.
    EXPECT_TRUE(
        c.Exchange(wire::BuildRequest(0xF7, 0x10, 0x7000, 2, wire::Bytes{7, 0}.data())).empty());
    EXPECT_EQ(c.StateWord(), 0u);
    EXPECT_TRUE(c.Read(0x40000, 847));
}

TEST(SimLoader, BadOrInterruptedUpdatesLeaveTheLoaderWithoutFirmware) {
    {
        ControllerClient c;
        ASSERT_TRUE(c.Command(6, 2)); // bootloader mode by W
        c.Exchange(wire::BuildRequest(0xF7, 0x10, 0x7000, 2, wire::Bytes{7, 0}.data()));
        EXPECT_EQ(c.StateWord(), 0x400001F5u); // [7,0] with no image
        auto id = c.Read(0x8000, 361);
        ASSERT_TRUE(id);
        EXPECT_EQ((*id)[86], 0); // software 0.00.00
        EXPECT_EQ((*id)[87], 0);
        EXPECT_EQ((*id)[88], 0);
        // A new loading mode and an image recover it.
        ASSERT_TRUE(c.Command(6, 0));
        ASSERT_TRUE(c.Write(0x08000000, wire::Bytes(100, 1)));
        c.Exchange(wire::BuildRequest(0xF7, 0x10, 0x7000, 2, wire::Bytes{7, 0}.data()));
        EXPECT_EQ(c.StateWord(), 0u);
        EXPECT_EQ(c.Read(0x8000, 361)->at(86), 1);
    }
    {
        ControllerClient c;
        ASSERT_TRUE(c.Command(6, 0));
        ASSERT_TRUE(c.Write(0x08000000, wire::Bytes(2048, 1)));
        c.controller().LinkClosed(); // the link went away mid-image
        EXPECT_EQ(c.StateWord(), 0x400001F5u);
    }
    {
        sim::ControllerOptions o;
        o.state_word = 0x400001F7; // an image waits for its start
        ControllerClient c(o);
        EXPECT_EQ(c.StateWord(), 0x400001F7u);
        c.Exchange(wire::BuildRequest(0xF7, 0x10, 0x7000, 2, wire::Bytes{7, 0}.data()));
        EXPECT_EQ(c.StateWord(), 0u);
    }
}

TEST(SimLoader, TrelPartTwoWaitsForItsStartAfterTheReconnect) {
    ControllerClient c(Model(61430001));
    ASSERT_TRUE(c.Write(0x08000000, wire::Bytes(2048, 3))); // part 1, no loading mode
    c.controller().LinkClosed();
    EXPECT_EQ(c.StateWord(), 0u);
    ASSERT_TRUE(c.Hello());
    ASSERT_TRUE(c.Write(0x08200000, wire::Bytes(2048, 4)));
    c.controller().LinkClosed();
    ASSERT_TRUE(c.Hello());
    EXPECT_EQ(c.StateWord(), 0x40000201u);
    // The new firmware is there: the access check after the reconnect goes through.
    EXPECT_TRUE(c.Read(0x40000, 847));
    EXPECT_FALSE(c.Running());
    c.Exchange(wire::BuildRequest(0xF7, 0x10, 0x7000, 2, wire::Bytes{7, 0}.data()));
    EXPECT_EQ(c.StateWord(), 0u);
}

TEST(SimLoader, EthernetImagesAndAddressedCommandsInAnyState) {
    ControllerClient c;
    for (std::uint32_t base : {0x08000000u, 0x08110000u, 0x48000000u, 0x48018000u})
        EXPECT_TRUE(c.Write(base, wire::Bytes(2000, 0), 0x20)) << std::hex << base;
    for (std::uint32_t a : {0x47000009u, 0x4700000Bu, 0x4700000Cu, 0x47000004u, 0x47000008u})
        EXPECT_TRUE(c.Write(a, {}, a == 0x47000004u ? 0x10 : 0x20)) << std::hex << a;
    EXPECT_EQ(c.StateWord(), 0u);
    // Image areas end where the next one starts.
    EXPECT_EQ(ExceptionCode(c.Exchange(
                  wire::BuildRequest(0xF7, 0x10, 0x0810FFFF, 2, wire::Bytes{1, 2}.data()))),
              2);
}

TEST(SimLoader, RestartIsSilentForTheConfiguredTime) {
    sim::ControllerOptions o;
    o.reboot_ms = 2000;
    ControllerClient c(o);
    ASSERT_TRUE(c.Command(6, 0));
    EXPECT_FALSE(c.Read(0xE000, 21));
    c.Advance(1999);
    EXPECT_FALSE(c.Read(0xE000, 21));
    c.Advance(1);
    EXPECT_TRUE(c.Read(0xE000, 21));
}

TEST(SimCommands, EveryCommandKindAndTheExpansionQuery) {
    sim::ControllerOptions o;
    o.xt_code8[0] = 61419001;
    ControllerClient c(o);
    // Commands go under W, WCF and WX alike.
    EXPECT_TRUE(c.Command(1, 0, 0x20));
    EXPECT_TRUE(c.Command(5, 1, 0x20));
    EXPECT_TRUE(c.Command(18, 0, 0x30));
    EXPECT_TRUE(c.Command(26, 0));
    EXPECT_TRUE(c.Command(17, 0));
    EXPECT_EQ(ExceptionCode(
                  c.Exchange(wire::BuildRequest(0xF7, 0x10, 0x7000, 2, wire::Bytes{99, 0}.data()))),
              3);

    auto id = c.Read(0x8000, 361);
    ASSERT_TRUE(id);
    EXPECT_EQ(std::string(id->begin() + 116, id->begin() + 124), "61419001");
    EXPECT_EQ((*id)[124], 0); // XT1 boot reads 0.00.00 outside the query
    ASSERT_TRUE(c.Write(0x100, {}, 0x30));
    ASSERT_TRUE(c.Command(6, 2, 0x30));
    EXPECT_EQ(c.StateWord(), 0u); // an expansion query, not a loading mode
    EXPECT_NE(c.Read(0x8000, 361)->at(124), 0);
    EXPECT_TRUE(
        c.Exchange(wire::BuildRequest(0xF7, 0x30, 0x7000, 2, wire::Bytes{7, 2}.data())).empty());
    EXPECT_EQ(c.Read(0x8000, 361)->at(124), 0);
    ASSERT_TRUE(c.Write(0x200, {}, 0x30));
}

TEST(SimCommands, DaughterBoardEraseAndIdentityOfEachFamily) {
    ControllerClient c;
    ASSERT_TRUE(c.Write(0x48118000, wire::Bytes(100, 0x11), 0x20));
    EXPECT_EQ(c.Read(0x48118000, 4, 0x13), (wire::Bytes{0x11, 0x11, 0x11, 0x11}));
    ASSERT_TRUE(c.Write(0x47000002, {4}, 0x20));
    EXPECT_EQ(c.Read(0x48118000, 4, 0x13), (wire::Bytes{0xFF, 0xFF, 0xFF, 0xFF}));

    struct Case {
        std::uint32_t code8;
        std::uint8_t family;
        std::size_t software_at;
    };
    for (Case k : {Case{61410031, 4, 86}, Case{61420001, 5, 86}, Case{61430002, 7, 89}}) {
        ControllerClient m(Model(k.code8));
        auto boot = m.Read(0xE000, 21);
        ASSERT_TRUE(boot);
        EXPECT_EQ((*boot)[0], k.family);
        EXPECT_EQ(std::string(boot->begin() + 1, boot->begin() + 9), std::to_string(k.code8));
        auto id = m.Read(0x8000, 361);
        ASSERT_TRUE(id);
        EXPECT_EQ(std::string(id->begin() + 18, id->begin() + 26), std::to_string(k.code8));
        EXPECT_EQ((*id)[26], k.family);
        EXPECT_EQ((*id)[k.software_at], 1);
        // The whole 847-byte TabConf area is served on every family.
        EXPECT_TRUE(m.Read(0x40000, 847));
    }
}

TEST(SimCommands, UnknownCodeServesThePlaceholderAreaSizes) {
    ControllerClient c(Model(12345678));
    auto boot = c.Read(0xE000, 21);
    ASSERT_TRUE(boot);
    EXPECT_EQ(std::string(boot->begin() + 1, boot->begin() + 9), "12345678");
    for (std::uint32_t base : {0x40000u, 0x60000u, 0xB0000u})
        EXPECT_TRUE(c.Read(base, 12345)) << std::hex << base;
    for (std::uint32_t base : {0x48118000u, 0x4811E000u, 0x48119000u})
        EXPECT_TRUE(c.Read(base, 12345, 0x13)) << std::hex << base;
    // The annuaire's placeholder size reaches over paramCF: each keeps its own bytes.
    ASSERT_TRUE(c.Command(18, 0));
    ASSERT_TRUE(c.Write(0x48119000, {0xAB}, 0x20));
    EXPECT_EQ(c.Read(0x48118FFF, 2, 0x13), (wire::Bytes{0xFF, 0xFF}));
    EXPECT_EQ(c.Read(0x48119000, 1, 0x13), wire::Bytes{0xAB});
}

} // namespace
