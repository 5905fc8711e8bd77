// The request sequences of the firmware transfers on a scripted controller: the Bluetooth
// path of a daughter-board model in full, and a controller falling silent at every request
// position, which must end every transfer, failed, with nothing loaded after the silence.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "firmware/CTransfertWriteFWByBTH.h"
#include "firmware/CTransfertWriteFWByETH.h"
#include "firmware/CTransfertWriteFWByUSB.h"
#include "firmware/FirmwareMessages.h"
#include "firmware/FirmwarePackageWriter.h"
#include "tests/transfer/fake_controller.h"

namespace {

using namespace transfer;

struct OpenSession : ILinkSession {
    int Connect() override { return 0; }
    int Deconnect() override { return 0; }
};

// A frame of an image after its first one.
bool IsLaterImageFrame(std::uint32_t address) {
    const bool image = (address >= 0x08000000 && address < 0x08300000) ||
                       (address >= 0x48000000 && address < 0x48118000);
    for (std::uint32_t base : {0x08000000u, 0x08110000u, 0x08200000u, 0x48000000u, 0x48018000u})
        if (address == base)
            return false;
    return image;
}

class FirmwareSequences : public ::testing::Test {
  protected:
    void SetUp() override {
        path_ = (std::filesystem::temp_directory_path() /
                 ("qfwseq_" +
                  std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                  ".vqfw"))
                    .string();
        // Spruce (model 2): transition, board firmware, base firmware, bootloader, board
        // bootloader; sizes that end in a short frame.
        fw::PackageContents c{2, "61410021", "Spruce", "1.10.00", "", {}};
        for (std::size_t n : {100u, 2100u, 4096u + 10u, 2048u, 300u})
            c.images.push_back(ControllerBytes(n, std::uint8_t(n)));
        std::ofstream(path_, std::ios::binary) << fw::WritePackage(c);
        FakeProfile profile;
        profile.code8 = "61410021";
        LoadFakeController(link_, profile);
        link_.memory[0x5000] = {0, 0, 0, 0};
        link_.kind = comm::kLinkBle;
    }
    void TearDown() override { std::filesystem::remove(path_); }

    // "W 0x7000 [5,3]" and the like, for the requests that carry the sequence.
    std::vector<std::string> Steps() const {
        std::vector<std::string> out;
        char line[64];
        for (const FakeControllerLink::Request& r : link_.requests) {
            if (r.address == 0x7000 && r.data.size() == 2)
                std::snprintf(line, sizeof line, "%s [%d,%d]", r.kind.c_str(), r.data[0],
                              r.data[1]);
            else if (IsLaterImageFrame(r.address))
                continue;
            else
                std::snprintf(line, sizeof line, "%s 0x%X %u", r.kind.c_str(), r.address, r.count);
            out.push_back(line);
        }
        return out;
    }

    std::string path_;
    FakeControllerLink link_;
    OpenSession session_;
    VirtualClock clock_;
    RecordingUi ui_;
};

TEST_F(FirmwareSequences, BluetoothDaughterBoardModelInOrder) {
    link_.timeoutMs = 40000;
    CTransfertWriteFWByBTH update(path_, link_, session_);
    update.SetClock(clock_);
    update.SetUi(&ui_);
    update.Run();
    ASSERT_TRUE(update.IsFinished()) << (ui_.texts.empty() ? "" : ui_.texts.back());
    const std::vector<std::string> expected = {
        "R 0xE000 21", "R 0x8000 361", // model and identity of the family
        "R 0xE000 21",                 // model for the template
        "R 0x5000 4", "W [5,3]", "W 0x40000 847", "W [5,2]", "W [5,1]", "W [5,4]", "W [5,5]",
        "W 0xB0000 544", "W [18,0]",
        // Daughter-board session: addressed commands carry no data, the erase one byte.
        // Each loading mode restarts the controller: its state word is asked for before the
        // image goes.
        "WCF 0x47000000 0", "WCF 0x47000002 1", "WCF 0x47000001 0", "R 0x5000 4", "W [6,2]",
        "R 0x5000 4", "W 0x8110000 2048", "W [7,0]", "R 0x5000 4", "W [6,0]", "R 0x5000 4",
        "W 0x8000000 2048", "W [7,0]", "WCF 0x47000008 0", "WCF 0x100 0", "WCF [6,7]",
        "WCF 0x48000000 300",
        // Model 2 sends no restart between the board images; Bluetooth closes the
        // pass-through after the firmware's start.
        "WCF 0x48018000 2048", "WCF [7,0]", "WCF 0x200 0", "WCF 0x47000008 0",
        // The datalog erase of a communicating model: identity, then the board's status.
        "R 0x8000 361", "RCF 0x4700000D 16"};
    EXPECT_EQ(Steps(), expected);
    // 15 s board erase, 5 + 5 + 5 s around the base loads, 15 + 5 + 30 s for the board, and
    // the pause after the one full frame sent by SEND_WRITE_CF.
    EXPECT_EQ(clock_.ElapsedMs(), 80000u + 150u);
    EXPECT_EQ(update.Percent(), 100);
    // No time-out is stated for any of them: each waits the link's.
    for (const FakeControllerLink::Request& r : link_.requests)
        EXPECT_EQ(r.timeoutMs, 40000u) << r.kind << " 0x" << std::hex << r.address;
}

// Over Ethernet the link's time-out, except the 70 s stated for the bootloader step and for
// the datalog status read; the datalog erase command itself takes the link's.
TEST_F(FirmwareSequences, EthernetWaitsTheLinkTimeOutWhereNoneIsStated) {
    const std::string cedar = path_ + ".cedar.vqfw";
    fw::PackageContents c{3, "61410031", "Cedar", "1.10.00", "", {}};
    for (std::size_t n : {100u, 2100u, 4096u + 10u, 2048u, 300u})
        c.images.push_back(ControllerBytes(n, std::uint8_t(n)));
    std::ofstream(cedar, std::ios::binary) << fw::WritePackage(c);
    LoadFakeController(link_); // Cedar, software 1.09.03
    link_.memory[0x5000] = {0, 0, 0, 0};
    link_.memory[0x4700000D][12] = 100; // datalogs present
    link_.kind = comm::kLinkEthernet;
    link_.timeoutMs = 10000;
    CTransfertWriteFWByETH update(cedar, link_, session_);
    update.SetClock(clock_);
    update.SetUi(&ui_);
    update.Run();
    std::filesystem::remove(cedar);
    ASSERT_TRUE(update.IsFinished()) << (ui_.texts.empty() ? "" : ui_.texts.back());
    bool erased = false;
    for (const FakeControllerLink::Request& r : link_.requests) {
        const bool bootloader =
            r.address == 0x47000009 || (r.address >= 0x08110000 && r.address < 0x08120000);
        const bool status = r.kind == "RCF" && r.address == 0x4700000D;
        erased = erased || r.address == 0x4700000A;
        EXPECT_EQ(r.timeoutMs, bootloader || status ? 70000u : 10000u)
            << r.kind << " 0x" << std::hex << r.address;
    }
    EXPECT_TRUE(erased);
}

TEST_F(FirmwareSequences, SilenceAtEveryRequestPositionEndsTheTransferFailed) {
    CTransfertWriteFWByUSB reference(path_, link_, session_);
    reference.SetClock(clock_);
    reference.Run();
    ASSERT_TRUE(reference.IsFinished());
    const int total = int(link_.requests.size());
    for (int at = 0; at < total; ++at) {
        link_.requests.clear();
        link_.silentFrom = at;
        RecordingUi ui;
        CTransfertWriteFWByUSB update(path_, link_, session_);
        update.SetClock(clock_);
        update.SetUi(&ui);
        update.Run();
        EXPECT_TRUE(update.IsEnded()) << at;
        // The datalog erase may fail alone (the update itself is done); anything earlier fails.
        if (update.IsFinished()) {
            EXPECT_GE(update.Percent(), 90) << at;
            continue;
        }
        EXPECT_TRUE(update.IsFailed()) << at;
        ASSERT_FALSE(ui.texts.empty()) << at;
        EXPECT_FALSE(update.Snapshot().warningVisible) << at;
        // No image frame goes out after the first unanswered request.
        int firstFailure = at;
        for (int k = firstFailure + 1; k < int(link_.requests.size()); ++k)
            EXPECT_FALSE(link_.requests[std::size_t(k)].address >= 0x08000000 &&
                         link_.requests[std::size_t(k)].count == 2048)
                << at << ": frame after the silence";
    }
}

// A controller that does not come back from its restart: the state word is asked for again
// until the checks have spent a minute, time-outs included, so that a Bluetooth link (40 s a
// silent read) gives up after two reads rather than ten time-outs.
TEST_F(FirmwareSequences, RestartChecksStopAfterAMinuteOfSilence) {
    link_.timeoutMs = 40000;
    {
        CTransfertWriteFWByBTH reference(path_, link_, session_);
        reference.SetClock(clock_);
        reference.Run();
        ASSERT_TRUE(reference.IsFinished());
    }
    // Silent from the first state word read after the erase (the second of the transfer).
    int second = -1, seen = 0;
    for (std::size_t i = 0; i < link_.requests.size() && second < 0; ++i)
        if (link_.requests[i].address == 0x5000 && ++seen == 2)
            second = int(i);
    ASSERT_GT(second, 0);
    for (bool spendsTimeOuts : {true, false}) {
        SCOPED_TRACE(spendsTimeOuts ? "40 s time-outs" : "failing at once");
        link_.requests.clear();
        link_.silentFrom = second;
        VirtualClock clock;
        link_.onSilence = [&](const FakeControllerLink::Request& r) {
            if (spendsTimeOuts)
                clock.SleepMs(r.timeoutMs);
        };
        CTransfertWriteFWByBTH update(path_, link_, session_);
        update.SetClock(clock);
        update.Run();
        EXPECT_TRUE(update.IsFailed());
        int checks = 0;
        for (std::size_t i = std::size_t(second); i < link_.requests.size(); ++i)
            checks += link_.requests[i].address == 0x5000;
        EXPECT_EQ(checks, spendsTimeOuts ? 2 : kRestartChecks);
    }
}

} // namespace
