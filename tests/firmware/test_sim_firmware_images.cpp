// The simulator's image areas: a whole signed image changes the versions the controller
// reports once it restarts into it; a cut-short one leaves the loader without firmware.
#include <gtest/gtest.h>

#include <cstdio>

#include "sim/firmware_image.h"
#include "tests/sim/controller_client.h"

namespace {

using simtest::ControllerClient;

void WriteImage(ControllerClient& c, std::uint32_t base, const wire::Bytes& image,
                std::size_t upTo = SIZE_MAX) {
    const std::size_t end = std::min(upTo, image.size());
    for (std::size_t at = 0; at < end; at += 2048) {
        const std::size_t n = std::min<std::size_t>(2048, end - at);
        ASSERT_TRUE(
            c.Write(base + std::uint32_t(at), wire::Bytes(image.begin() + std::ptrdiff_t(at),
                                                          image.begin() + std::ptrdiff_t(at + n))));
    }
}

void StartImage(ControllerClient& c) {
    c.Exchange(wire::BuildRequest(0xF7, 0x10, 0x7000, 2, wire::Bytes{7, 0}.data()));
}

std::array<std::uint8_t, 3> Software(ControllerClient& c, std::size_t at = 86) {
    auto id = c.Read(0x8000, 361);
    EXPECT_TRUE(id);
    return id ? std::array<std::uint8_t, 3>{(*id)[at], (*id)[at + 1], (*id)[at + 2]}
              : std::array<std::uint8_t, 3>{};
}

using V = std::array<std::uint8_t, 3>;

// The USB order for one base firmware image: loading mode, the image, its start.
void InstallBaseFirmware(ControllerClient& c, std::uint8_t v, std::uint8_t i, std::uint8_t r,
                         std::uint32_t size) {
    ASSERT_TRUE(c.Command(6, 0));
    c.Advance(3000);
    WriteImage(c, 0x08000000,
               sim::MakeFirmwareImage(sim::FirmwareImageKind::kBaseFirmware, v, i, r, size));
    StartImage(c);
    c.Advance(3000);
}

TEST(SimFirmwareImages, UsbOrderInstallsBootloaderAndFirmwareVersions) {
    ControllerClient c; // kz9 Cedar, software 1.09.03
    EXPECT_EQ(Software(c), (V{1, 9, 3}));
    ASSERT_TRUE(c.Command(6, 2));
    c.Advance(3000);
    EXPECT_EQ(c.StateWord(), 0x400001F6u);
    WriteImage(c, 0x08110000,
               sim::MakeFirmwareImage(sim::FirmwareImageKind::kBaseBootloader, 2, 3, 4, 5000));
    EXPECT_EQ(c.StateWord(), 0x400001F7u); // whole image, start pending
    StartImage(c);
    c.Advance(3000);
    EXPECT_EQ(c.StateWord(), 0u);
    EXPECT_EQ(Software(c, 83), (V{2, 3, 4}));
    ASSERT_TRUE(c.Command(6, 0));
    c.Advance(3000);
    WriteImage(c, 0x08000000,
               sim::MakeFirmwareImage(sim::FirmwareImageKind::kBaseFirmware, 1, 10, 0, 9000));
    // Whole, but not reported before the controller restarts into it.
    EXPECT_EQ(c.StateWord(), 0x400001F7u);
    EXPECT_EQ(Software(c), (V{1, 9, 3}));
    StartImage(c);
    c.Advance(3000);
    EXPECT_EQ(c.StateWord(), 0u);
    EXPECT_EQ(Software(c), (V{1, 10, 0}));
}

TEST(SimFirmwareImages, TheInstalledVersionSurvivesARestartFromTheStateFile) {
    const std::string path = ::testing::TempDir() + "fw_state.bin";
    {
        ControllerClient c;
        InstallBaseFirmware(c, 1, 12, 4, 3000);
        ASSERT_TRUE(c.controller().SaveState(path));
    }
    ControllerClient again;
    ASSERT_TRUE(again.controller().LoadState(path));
    EXPECT_EQ(Software(again), (V{1, 12, 4}));
    std::remove(path.c_str());
}

TEST(SimFirmwareImages, CutShortImageLeavesTheLoaderWithoutFirmware) {
    ControllerClient c;
    ASSERT_TRUE(c.Command(6, 0));
    c.Advance(3000);
    const auto image =
        sim::MakeFirmwareImage(sim::FirmwareImageKind::kBaseFirmware, 1, 10, 0, 9000);
    WriteImage(c, 0x08000000, image, 4096);
    EXPECT_EQ(c.StateWord(), 0x400001F6u);
    StartImage(c);
    c.Advance(3000);
    EXPECT_EQ(c.StateWord(), 0x400001F5u);
    EXPECT_EQ(Software(c), (V{0, 0, 0}));
    // A new loading mode and the whole image recover it.
    InstallBaseFirmware(c, 1, 10, 0, 9000);
    EXPECT_EQ(Software(c), (V{1, 10, 0}));
}

TEST(SimFirmwareImages, TrelPartsAndEthernetBlocksChangeTheVersion) {
    {
        sim::ControllerOptions o;
        o.code8 = 61430001;
        ControllerClient c(o);
        WriteImage(c, 0x08000000,
                   sim::MakeFirmwareImage(sim::FirmwareImageKind::kTrelPart1, 1, 2, 0, 5000));
        c.controller().LinkClosed();
        ASSERT_TRUE(c.Hello());
        WriteImage(c, 0x08200000,
                   sim::MakeFirmwareImage(sim::FirmwareImageKind::kTrelPart2, 1, 2, 0, 5000));
        c.controller().LinkClosed();
        ASSERT_TRUE(c.Hello());
        EXPECT_EQ(c.StateWord(), 0x40000201u);
        StartImage(c);
        c.Advance(3000);
        EXPECT_EQ(c.StateWord(), 0u);
        EXPECT_EQ(Software(c, 89), (V{1, 2, 0})); // Trel layout: software at 89
    }
    {
        // Ethernet writes the whole block, header first, and commits with 0x4700000C.
        ControllerClient c;
        wire::Bytes block(11, 0);
        block[1] = 11; // offset, least significant byte first
        const auto content =
            sim::MakeFirmwareImage(sim::FirmwareImageKind::kBaseFirmware, 1, 11, 2, 6000);
        block.insert(block.end(), content.begin(), content.end());
        WriteImage(c, 0x08000000, block);
        ASSERT_TRUE(c.Write(0x4700000C, {}, 0x20));
        c.Advance(3000);
        EXPECT_EQ(Software(c), (V{1, 11, 2}));
    }
}

} // namespace
