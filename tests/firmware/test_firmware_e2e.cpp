// The firmware update end to end: the transfers through the core server and the transport
// libraries against quorvel-sim over USB, Bluetooth (with the Trel two-part path) and
// Ethernet, the waits of seconds on a virtual clock; then the reconnection, which reads the
// new software version back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "QRL_protocole.pb.h"
#include "firmware/FirmwareMessages.h"
#include "firmware/FirmwarePackageWriter.h"
#include "tests/firmware/firmware_e2e_support.h"
#include "tests/support/client_environment.h"
#include "transfer/TransferMessages.h"

namespace {

using fwtest::Link;

[[maybe_unused]] auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(
    new testsupport::ClientEnvironment({PORT_SERIE, ETH, BLTH}));

class FirmwareEndToEnd : public fwtest::FirmwareSimTest {
  protected:
    bool Logged(const std::string& text) { return sim_->ReadLog().find(text) != std::string::npos; }
    std::size_t Count(const std::string& text) {
        const std::string log = sim_->ReadLog();
        std::size_t n = 0;
        for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
            ++n;
        return n;
    }
};

TEST_F(FirmwareEndToEnd, UsbBaseOnlyKz9EndsWithoutDatalogRequests) {
    StartController(Link::kUsb, {"--code8", "61410001"});
    auto update = RunUpdate(fwtest::SamplePackage("T71", "Larch", "1_10_00", "_4"));
    ASSERT_TRUE(update->IsFinished()) << update->LastAlertText();
    EXPECT_FALSE(update->IsFailed());
    EXPECT_EQ(update->Percent(), 100);
    EXPECT_EQ(update->Snapshot().stepText, transfer::msg::kNoDatalogs);
    EXPECT_FALSE(update->Snapshot().warningVisible);
    EXPECT_TRUE(Logged("cmd [5,3] erase TabConf"));
    EXPECT_TRUE(Logged("bootloader image, 8192 bytes, whole (version 1.10.0)"));
    EXPECT_TRUE(Logged("firmware image, 24576 bytes, whole (version 1.10.0)"));
    // No datalog request: neither the own-memory limits nor an erase.
    EXPECT_FALSE(Logged("0x00000E00"));
    EXPECT_FALSE(Logged("cmd [27,0]"));
    // Countdowns and the 5 s wait ran on the virtual clock: 5 + 5 + 5 s.
    EXPECT_EQ(clock_.ElapsedMs(), 15000u);
    EXPECT_EQ(ReconnectedVersion(), "1.10.00");
}

TEST_F(FirmwareEndToEnd, UsbDaughterBoardModelAndALoaderThatSkipsTheDeletion) {
    StartController(Link::kUsb, {"--code8", "61410031"});
    auto update = RunUpdate(fwtest::SamplePackage("T71", "Cedar", "1_10_00", "_4"));
    ASSERT_TRUE(update->IsFinished()) << update->LastAlertText();
    EXPECT_TRUE(Logged("cmd [6,7] daughter-board bootloader mode"));
    EXPECT_TRUE(Logged("board-bootloader image, 4096 bytes"));
    EXPECT_TRUE(Logged("board-firmware image, 16384 bytes"));
    EXPECT_TRUE(Logged("addr-cmd 0x47000002 erase daughter-board program"));
    EXPECT_EQ(ReconnectedVersion(), "1.10.00");

    // A controller left loading by an earlier attempt: no program deletion.
    TearDown();
    StartController(Link::kUsb, {"--code8", "61410031", "--state-word", "0x400001F6"});
    update = RunUpdate(fwtest::SamplePackage("T71", "Cedar", "1_09_05", "_4"));
    ASSERT_TRUE(update->IsFinished()) << update->LastAlertText();
    EXPECT_FALSE(Logged("cmd [5,"));
    EXPECT_FALSE(Logged("0x00040000"));
    EXPECT_EQ(ReconnectedVersion(), "1.09.05");
}

TEST_F(FirmwareEndToEnd, DamagedOrForeignPackagesLeaveTheControllerUntouched) {
    StartController(Link::kUsb, {"--code8", "61410001"});
    const std::string good = fwtest::SamplePackage("T71", "Larch", "1_10_00", "_4");
    std::ifstream in(good, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string damaged =
        (std::filesystem::path(sim_->dev_dir()) / "Larch_1_10_00_2_4_-1--------.vqfw").string();
    std::ofstream(damaged, std::ios::binary) << text.substr(0, text.size() - 500);

    // A block announcing more than 1,000,000 bytes.
    const std::string oversized = sim_->dev_dir() + "/oversized.vqfw";
    {
        transfer::fw::Bytes blocks = transfer::fw::EncodeBlock(
            transfer::fw::ImageKind::kBaseFirmware, transfer::fw::Bytes(64, 1));
        blocks[7] = 0x00, blocks[8] = 0x0F, blocks[9] = 0x42, blocks[10] = 0x41; // 1,000,001
        std::string body = text;
        const std::size_t from = body.find("<Binary>") + 8;
        body.replace(from, body.find("</Binary>") - from, transfer::fw::EncodeBase64(blocks));
        std::ofstream(oversized, std::ios::binary) << body;
    }

    struct Case {
        std::string path;
        const char* alert;
    } cases[] = {
        {damaged, transfer::msg::kFwWrongFormat},
        {oversized, transfer::msg::kFwCannotExtract},
        {fwtest::SamplePackage("T71", "Alder", "1_10_00", "_5"), transfer::msg::kFwWrongModel},
        {fwtest::SamplePackage("T71", "Cedar", "1_10_00", "_4"), transfer::msg::kFwWrongModel},
        {sim_->dev_dir() + "/missing.vqfw", transfer::msg::kFileInvalid},
    };
    for (const Case& c : cases) {
        auto update = RunUpdate(c.path);
        EXPECT_TRUE(update->IsFailed()) << c.path;
        EXPECT_FALSE(update->IsFinished());
        EXPECT_EQ(update->LastAlertText(), c.alert) << c.path;
    }
    // Nothing was erased or written.
    EXPECT_FALSE(Logged("W   0x00007000 n=2")) << sim_->ReadLog();
    EXPECT_EQ(ReconnectedVersion(), "1.06.20");
}

TEST_F(FirmwareEndToEnd, ControllerGoingSilentInTheImageFailsWithoutHanging) {
    StartController(Link::kUsb, {"--code8", "61410001", "--fault-silent-image-frame", "3"});
    fwtest::ShortTimeoutLink link(comm::ComClientLink(), 1000);
    auto update = RunUpdate(fwtest::SamplePackage("T71", "Larch", "1_10_00", "_4"), &link);
    EXPECT_TRUE(update->IsFailed());
    EXPECT_FALSE(update->IsFinished());
    EXPECT_EQ(update->LastAlertText(), transfer::msg::kFwBootloaderError);
    EXPECT_FALSE(update->Snapshot().warningVisible);
    EXPECT_LT(update->Percent(), 90);
    EXPECT_TRUE(Logged("fault: silent since an image frame"));
}

TEST_F(FirmwareEndToEnd, BluetoothPaskUpdate) {
    StartController(Link::kBle, {"--code8", "61420001"});
    auto update = RunUpdate(fwtest::SmallPackage(sim_->dev_dir(), 7, "61420001", "1.10.00"));
    ASSERT_TRUE(update->IsFinished()) << update->LastAlertText();
    EXPECT_TRUE(Logged("firmware image, 1500 bytes, whole (version 1.10.0)"));
    EXPECT_TRUE(Logged("cmd [27,0]") || Logged("0x00000E00"));
    EXPECT_EQ(ReconnectedVersion(), "1.10.00");
}

TEST_F(FirmwareEndToEnd, BluetoothTrelTwoPartPathWithItsReconnects) {
    StartController(Link::kBle, {"--code8", "61430001"});
    const std::size_t hellosBefore = Count("session start (hello)");
    auto update = RunUpdate(fwtest::SmallPackage(sim_->dev_dir(), 14, "61430001", "1.02.00", 3000));
    ASSERT_TRUE(update->IsFinished()) << update->LastAlertText();
    EXPECT_TRUE(Logged("firmware2 image, 3000 bytes, whole (version 1.2.0)"));
    // The configuration was read back and written again, not zeroed.
    EXPECT_TRUE(Logged("R   0x00040000 n=707"));
    EXPECT_TRUE(Logged("W   0x00040000 n=707"));
    // Two reconnects, each after a goodbye; the start of part 2 after the second.
    EXPECT_GE(Count("session start (hello)"), hellosBefore + 2);
    EXPECT_GE(Count("session end (goodbye)"), 2u);
    EXPECT_TRUE(Logged("cmd [7,0] leave loader, restart"));
    // 5 s, part pauses 4 x 1 s, two reconnect waits of 30 s.
    EXPECT_GE(clock_.ElapsedMs(), 69000u);
    EXPECT_EQ(ReconnectedVersion(), "1.02.00");
}

TEST_F(FirmwareEndToEnd, EthernetUpdateAndItsTransitionPath) {
    StartController(Link::kEthernet, {"--code8", "61410031"});
    auto update = RunUpdate(fwtest::SamplePackage("T71", "Cedar", "1_10_00", "_4"));
    ASSERT_TRUE(update->IsFinished()) << update->LastAlertText();
    EXPECT_TRUE(Logged("WCF 0x00007000 n=2 [12 00]")); // [18,0] by SEND_WRITE_CF
    EXPECT_TRUE(Logged("addr-cmd 0x47000009 prepare base bootloader"));
    EXPECT_TRUE(Logged("addr-cmd 0x4700000C commit target update"));
    EXPECT_FALSE(Logged("cmd [6,")); // no loading modes over Ethernet
    // Whole blocks in 2000-byte frames: the 24576-byte image and its 11-byte header.
    EXPECT_TRUE(Logged("firmware image, 24587 bytes, whole (version 1.10.0)"));
    EXPECT_FALSE(Logged("transition")) << "software 1.09 needs no transition firmware";
    EXPECT_EQ(ReconnectedVersion(), "1.10.00");

    TearDown();
    StartController(Link::kEthernet, {"--code8", "61410031", "--software", "1.03.00"});
    update = RunUpdate(fwtest::SamplePackage("T71", "Cedar", "1_10_00", "_4"));
    ASSERT_TRUE(update->IsFinished()) << update->LastAlertText();
    EXPECT_EQ(Count("board-firmware image, 16395 bytes"), 2u);
    EXPECT_EQ(ReconnectedVersion(), "1.10.00");
}

} // namespace
