// Program read and write end to end: the transfers over the communication client, the core
// server and the real transport libraries, against simulated controllers. A program read from
// one controller and written into another of the same model reads back identical over USB and
// BLE; over Ethernet the fixed lengths of the zone table are what is sent. Waits run on a
// virtual clock.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "QRL_protocole.pb.h"
#include "comm/CComClient.h"
#include "comm/ProcessState.h"
#include "comm/SharedTexts.h"
#include "platform/device_folder.h"
#include "program/ProgramChecks.h"
#include "program/ProgramTransfers.h"
#include "tests/support/client_environment.h"
#include "tests/support/fake_controller_link.h"
#include "tests/support/sim_fixture.h"
#include "tests/transfer/recording_ui.h"
#include "transfer/TransferMessages.h"

namespace {

using namespace transfer;
namespace fs = std::filesystem;

[[maybe_unused]] auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(
    new testsupport::ClientEnvironment({PORT_SERIE, ETH, BLTH}));

const std::uint8_t kControllerAddress[6] = {0x00, 0x5E, 0x1D, 0xC4, 0x7B, 0xA2};

// One simulated controller and the link block that reaches it.
class Controller {
  public:
    explicit Controller(std::vector<std::string> args)
        : sim_(simtest::SimConfig{std::move(args), "ttySIM0"}) {}
    bool Start() {
        std::string error;
        const bool ok = sim_.Start(&error);
        EXPECT_TRUE(ok) << error;
        return ok;
    }
    // Points the core server at this controller over `kind` (0 USB, 1 BLE, 2 Ethernet).
    void Connect(int kind) {
        CComClient::Instance().Deconnect();
        setenv(platform::kDevDirVariable, sim_.dev_dir().c_str(), 1);
        PARAM_COM block = paramcom::Initial();
        if (kind == comm::kLinkUsb) {
            paramcom::SetString(block, paramcom::kPortName, paramcom::kPortNameSize,
                                sim_.usb_name(), paramcom::kMaxPortChars);
        } else if (kind == comm::kLinkBle) {
            paramcom::SetU32(block, paramcom::kMedium, BLTH);
            paramcom::SetString(block, paramcom::kDonglePort, paramcom::kDonglePortSize, "ttySIM1",
                                paramcom::kMaxPortChars);
            paramcom::SetBleAddressRaw(block, kControllerAddress);
        } else {
            paramcom::SetU32(block, paramcom::kMedium, ETH);
            paramcom::SetU32(block, paramcom::kIpAddress, 0x0100007F);
            paramcom::SetU32(block, paramcom::kTcpPort, std::uint32_t(sim_.tcp_port()));
        }
        ASSERT_EQ(CComClient::Instance().SetCommParam(block), 0);
        ConnectionKind() = kind;
        // The family is set by the core server when the link opens.
        std::uint8_t boot[21];
        ASSERT_EQ(CComClient::Instance().SendRead(boot, 0xE000, 21, 10000), 0);
    }
    simtest::SimProcess& sim() { return sim_; }

  private:
    simtest::SimProcess sim_;
};

class ProgramSim : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("vqap_sim_" + std::to_string(::getpid()) + "_" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder_);
    }
    void TearDown() override {
        CComClient::Instance().Deconnect();
        unsetenv(platform::kDevDirVariable);
        fs::remove_all(folder_);
    }

    // Reads the connected controller's program into `sub`; returns the file's path.
    std::string Read(const std::string& sub) {
        const fs::path dir = folder_ / sub;
        fs::create_directories(dir);
        std::unique_ptr<CTransfertReadApp> read = MakeProgramRead(dir.string());
        read->SetClock(clock_);
        read->SetUi(&ui_);
        read->Run();
        EXPECT_TRUE(read->IsFinished()) << read->LastAlertText();
        return read->FilePath();
    }
    bool Write(const std::string& path) {
        std::unique_ptr<CTransfertWriteApp> write = MakeProgramWrite(path);
        write->SetClock(clock_);
        write->SetUi(&ui_);
        write->Run();
        EXPECT_TRUE(write->IsFinished()) << write->LastAlertText();
        return write->IsFinished();
    }
    static std::string Slurp(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    // Reads `code8` from a controller with a program, writes it into one without, reads it
    // back and compares, all over `kind`.
    void RoundTrip(const std::string& code8, int kind) {
        Controller source({"--code8", code8, "--label", "Source"});
        Controller target({"--code8", code8, "--no-program", "--stopped"});
        ASSERT_TRUE(source.Start());
        ASSERT_TRUE(target.Start());
        ASSERT_NO_FATAL_FAILURE(source.Connect(kind));
        const std::string file = Read("source");
        ASSERT_FALSE(file.empty());
        ASSERT_NO_FATAL_FAILURE(target.Connect(kind));
        ASSERT_TRUE(Write(file));
        const std::string back = Read("target");
        EXPECT_EQ(fs::path(back).filename(), fs::path(file).filename());
        EXPECT_TRUE(Slurp(back) == Slurp(file)) << code8 << " over link " << kind;
        target_log_ = target.sim().ReadLog();
    }

    fs::path folder_;
    VirtualClock clock_;
    RecordingUi ui_;
    std::string target_log_;
};

int Count(const std::string& text, const std::string& part) {
    int n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

TEST_F(ProgramSim, Kz9WithCommunicationBoardOverUsb) {
    RoundTrip("61410031", comm::kLinkUsb);
    // The daughter board erased once, its session opened, closed and restarted.
    EXPECT_EQ(Count(target_log_, "[12 00]"), 1) << target_log_;
    EXPECT_EQ(Count(target_log_, "WCF 0x47000000"), 1);
    EXPECT_EQ(Count(target_log_, "WCF 0x47000001"), 1);
    EXPECT_EQ(Count(target_log_, "[11 00]"), 1);
}

TEST_F(ProgramSim, PaskOwnMemoryOverUsb) {
    RoundTrip("61420001", comm::kLinkUsb);
    // No communication board: no daughter-board request at all.
    EXPECT_EQ(Count(target_log_, "WCF "), 0) << target_log_;
    EXPECT_EQ(Count(target_log_, "R   0x00000E00"), 1);
}

TEST_F(ProgramSim, TrelOverUsbAndBle) {
    RoundTrip("61430001", comm::kLinkUsb);
    RoundTrip("61430001", comm::kLinkBle);
}

TEST_F(ProgramSim, ReadsOverBleMatchReadsOverUsb) {
    for (const char* code8 : {"61410031", "61420001"}) {
        Controller c({"--code8", code8, "--stopped"});
        ASSERT_TRUE(c.Start());
        ASSERT_NO_FATAL_FAILURE(c.Connect(comm::kLinkUsb));
        const std::string usb = Read(std::string("usb") + code8);
        ASSERT_NO_FATAL_FAILURE(c.Connect(comm::kLinkBle));
        const std::string ble = Read(std::string("ble") + code8);
        EXPECT_TRUE(Slurp(usb) == Slurp(ble)) << code8;
    }
}

TEST_F(ProgramSim, EthernetSendsTheFixedLengthsOfTheZoneTable) {
    Controller source({"--code8", "61410031"});
    Controller target({"--code8", "61410031", "--no-program", "--stopped"});
    ASSERT_TRUE(source.Start());
    ASSERT_TRUE(target.Start());
    ASSERT_NO_FATAL_FAILURE(source.Connect(comm::kLinkEthernet));
    const std::string file = Read("source");
    ASSERT_NO_FATAL_FAILURE(target.Connect(comm::kLinkEthernet));
    ASSERT_TRUE(Write(file));
    const std::string log = target.sim().ReadLog();
    for (const char* sent :
         {"WCF 0x00040000 n=849", "WCF 0x00060000 n=2000", "WCF 0x00064E20 n=482 ",
          "WCF 0x48119000 n=462", "WCF 0x4811E000 n=2000", "WCF 0x47000002 n=1",
          "WCF 0x00000100 n=0", "W   0x000B0000 n=544", "WCF 0x47000003 n=0"})
        EXPECT_NE(log.find(sent), std::string::npos) << sent << "\n" << log;
    // The configuration written ends with its integrity word (bytes 847-848, not read back):
    // the record read back is the source's.
    const std::string back = Read("target");
    std::vector<std::string> a, b;
    ASSERT_EQ(ReadAllLines(file, a), ReadResult::Ok);
    ASSERT_EQ(ReadAllLines(back, b), ReadResult::Ok);
    const std::size_t tabConfContent = 21 + 5 * 9 + 4;
    EXPECT_EQ(a[tabConfContent], b[tabConfContent]);
    // The 15 s countdown and the 5 s wait cost no real time.
    EXPECT_GE(clock_.ElapsedMs(), 20000u);
}

TEST_F(ProgramSim, ARunningControllerAnsweredNoStaysRunning) {
    Controller c({"--code8", "61410031"});
    ASSERT_TRUE(c.Start());
    ASSERT_NO_FATAL_FAILURE(c.Connect(comm::kLinkUsb));
    ui_.answer = kAnswerNo;
    bool datalogsRead = false;
    EXPECT_EQ(PrepareProgramWrite(comm::ComClientLink(), ControllerFamily(), ui_,
                                  [&] { return datalogsRead = true; }),
              WritePreparation::Declined);
    ASSERT_EQ(ui_.texts.size(), 1u);
    EXPECT_EQ(ui_.texts[0], msg::kStopQuestion);
    EXPECT_EQ(ReadRunState(comm::ComClientLink()), RunState::Running);
    EXPECT_FALSE(datalogsRead);
    // Yes stops it; its datalogs are offered for reading.
    ui_.answer = kAnswerYes;
    ui_.texts.clear();
    EXPECT_EQ(PrepareProgramWrite(comm::ComClientLink(), ControllerFamily(), ui_,
                                  [&] { return datalogsRead = true; }),
              WritePreparation::Ready);
    EXPECT_EQ(ReadRunState(comm::ComClientLink()), RunState::Stopped);
    ASSERT_EQ(ui_.texts.size(), 2u);
    EXPECT_EQ(ui_.texts[1], msg::kReadDatalogsQuestion);
    EXPECT_TRUE(datalogsRead);
}

// A link with a short time-out, so that a silent controller costs little time.
struct ShortTimeoutLink : comm::ForwardingLink {
    ShortTimeoutLink() : ForwardingLink(comm::ComClientLink()) {}
    std::uint32_t LinkTimeoutMs() const override { return 400; }
};

TEST_F(ProgramSim, ASilentControllerFailsTheTransferWithItsAlert) {
    // Request 10 of the simulator's count is a data frame of the read; request 25 of another
    // controller is one of the write's erases or frames (after the link open, the hello, the
    // identification and the write's checks).
    Controller reading({"--code8", "61420001", "--stopped", "--fault-silent-nth", "10"});
    Controller writing({"--code8", "61420001", "--stopped", "--fault-silent-nth", "25"});
    ASSERT_TRUE(reading.Start());
    ASSERT_TRUE(writing.Start());
    ShortTimeoutLink link;
    ASSERT_NO_FATAL_FAILURE(reading.Connect(comm::kLinkUsb));
    const fs::path dir = folder_ / "silent";
    fs::create_directories(dir);
    CTransfertReadAppByUSB failing(dir.string(), link);
    failing.SetClock(clock_);
    failing.Run();
    EXPECT_TRUE(failing.IsFailed());
    EXPECT_EQ(failing.LastAlertText(), texts::kNotReacting);
    EXPECT_TRUE(fs::is_empty(dir));

    // The file comes from the first controller, now answering again.
    const std::string file = Read("good");
    ASSERT_FALSE(file.empty());
    ASSERT_NO_FATAL_FAILURE(writing.Connect(comm::kLinkUsb));
    CTransfertWriteAppByUSB write(file, link);
    write.SetClock(clock_);
    write.Run();
    EXPECT_TRUE(write.IsFailed());
    EXPECT_EQ(write.LastAlertText(), texts::kNotReacting);
    EXPECT_NE(writing.sim().ReadLog().find("W   0x00007000 n=2 [05 01]"), std::string::npos);
}

} // namespace
