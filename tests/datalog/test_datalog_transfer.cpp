// The datalog read transfers and the checks before them, against a scripted controller:
// frames by frame number, the label table, the files, the summary, the end-of-read command,
// and how each failure ends the transfer.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "comm/SharedTexts.h"
#include "datalog/CTransfertReadDatalogDB.h"
#include "datalog/DatalogMessages.h"
#include "datalog/DatalogSetup.h"
#include "tests/datalog/datalog_memory.h"
#include "tests/support/fake_controller_link.h"
#include "tests/transfer/recording_ui.h"
#include "transfer/TransferMessages.h"

namespace {

namespace fs = std::filesystem;
using namespace datalogtest;
using namespace transfer;

// The scripted controller with its two datalog windows (frame-number addressing).
struct DatalogLink : FakeControllerLink {
    Bytes own, board;
    int Window(const char* kind, const Bytes& mem, std::uint32_t base, std::uint8_t* d,
               std::uint32_t a, std::uint32_t c, std::uint32_t t) {
        requests.push_back({kind, a, c, t, {}});
        if (Fails())
            return 5;
        const std::size_t at = std::size_t(a - base) * 2048;
        for (std::uint32_t i = 0; i < c; ++i)
            d[i] = at + i < mem.size() ? mem[at + i] : 0xFF;
        return 0;
    }
    int Read(std::uint8_t* d, std::uint32_t a, std::uint32_t c, std::uint32_t t) override {
        if (a >= 0xC0000 && a < 0xD0000)
            return Window("R", own, 0xC0000, d, a, c, t);
        return FakeControllerLink::Read(d, a, c, t);
    }
    int ReadCF(std::uint8_t* d, std::uint32_t a, std::uint32_t c, std::uint32_t t) override {
        if (a >= 0x48200000 && a < 0x48210000)
            return Window("RCF", board, 0x48200000, d, a, c, t);
        return FakeControllerLink::ReadCF(d, a, c, t);
    }
    bool Sent(const std::string& kind, std::uint32_t address) const {
        for (const Request& r : requests)
            if (r.kind == kind && r.address == address)
                return true;
        return false;
    }
};

struct DatalogTransfer : ::testing::Test {
    DatalogLink link;
    RecordingUi ui;
    fs::path dir;

    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("quorvel-dltransfer-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        link.memory[0x7000] = Bytes(2, 0);
    }
    void TearDown() override { fs::remove_all(dir); }

    DatalogReadJob Job(std::vector<std::uint8_t> masks, std::uint32_t size) const {
        DatalogReadJob job;
        job.folder = dir.string();
        job.config = *DecodeDatalogConfig(ConfigBytes(masks, {0, 0, 0}, ';', ','));
        for (int r = 0; r < 3; ++r)
            job.fileNames[std::size_t(r)] = DatalogFileName("Unit", r);
        job.size = size;
        return job;
    }
    template <typename T> void RunIt(T& t) {
        t.SetUi(&ui);
        t.Run();
        EXPECT_TRUE(t.IsEnded());
    }
    std::size_t FilesWritten() const {
        return std::size_t(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
    }
};

TEST_F(DatalogTransfer, OwnMemoryReadByFrameNumberThenEndOfRead) {
    link.own = MemoryBuilder(false)
                   .Record({6, 12, 26, 10, 15, 30}, {0x05, 0x01}, {{1, 2}, {3, 2}, {9, 2}})
                   .Fill(2048, 0)
                   .Frames();
    link.own[2100] = 0x0A; // the records go on in the second frame
    CTransfertReadDatalogBase t(Job({0x05, 0x01, 0}, 3000), link);
    RunIt(t);
    EXPECT_TRUE(t.IsFinished());
    // 3000 bytes: two frames, at the base and at the base + 1.
    ASSERT_GE(link.requests.size(), 3u);
    EXPECT_EQ(link.requests[0].address, 0xC0000u);
    EXPECT_EQ(link.requests[1].address, 0xC0001u);
    EXPECT_EQ(link.requests[0].count, 2048u);
    EXPECT_EQ(link.requests[1].count, 2048u);
    EXPECT_EQ(link.requests.back().kind, "W");
    EXPECT_EQ(link.requests.back().data, (Bytes{26, 0}));
    ASSERT_TRUE(t.Outcomes()[0].generated && t.Outcomes()[1].generated);
    std::ifstream in(t.Outcomes()[0].path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
              "DATE(DD/MM/YY);TIME(hh:mm:ss);DATALOG_1;DATALOG_3;\r\n06/12/26;10:15:30;1;3\r\n");
    ASSERT_EQ(ui.texts.size(), 1u);
    // The summary: the warning title over the information icon.
    EXPECT_EQ(ui.kinds[0], AlertKind::Summary);
    EXPECT_STREQ(transfer::TitleOf(ui.kinds[0]), "Quorvel warning");
    EXPECT_EQ(transfer::StyleOf(ui.kinds[0]), transfer::kStyleInformation);
    EXPECT_EQ(ui.texts[0], "The following files were generated successfully: " +
                               t.Outcomes()[0].fileName + "\n" + t.Outcomes()[1].fileName + ".");
    EXPECT_EQ(t.Percent(), 100);
}

TEST_F(DatalogTransfer, BoardNamesColumnsFromItsLabelsAndEndsTheRead) {
    link.board = MemoryBuilder(true).Record({1, 2, 26, 3, 4, 5}, {0x01, 0, 0}, {{250, 2}}).Frames();
    Bytes labels(kLabelTableSize, 0);
    PutLabel(labels, 1, "Level", "\xB0", 1);
    link.memory[0x48123A68] = labels;
    link.memory[0x4700000E] = {};
    CTransfertReadDatalogDB t(Job({0x01, 0, 0}, 40), {1, 2, 3}, link);
    RunIt(t);
    EXPECT_TRUE(t.IsFinished());
    EXPECT_EQ(link.requests[0].kind, "RCF");
    EXPECT_EQ(link.requests[0].address, 0x48200000u);
    EXPECT_TRUE(link.Sent("RCF", 0x48123A68));
    EXPECT_EQ(link.requests.back().kind, "WCF");
    EXPECT_EQ(link.requests.back().address, 0x4700000Eu);
    EXPECT_EQ(link.requests.back().timeoutMs, 5000u);
    std::ifstream in(t.Outcomes()[0].path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
              "DATE(DD/MM/YY);TIME(hh:mm:ss);Level (\xB0);\r\n01/02/26;03:04:05;25,0\r\n");
}

TEST_F(DatalogTransfer, AMissingRangeEndsTheTransferWithoutTheEndOfRead) {
    link.board = MemoryBuilder(true).Fill(200, 0).Frames(); // damaged beyond the window
    link.memory[0x48123A68] = Bytes(kLabelTableSize, 0);
    CTransfertReadDatalogDB t(Job({0x01, 0, 0}, 300), {0, 0, 0}, link);
    RunIt(t);
    EXPECT_TRUE(t.IsFinished());
    EXPECT_FALSE(link.Sent("WCF", 0x4700000E));
    EXPECT_EQ(FilesWritten(), 0u);
    ASSERT_EQ(ui.texts.size(), 1u);
    EXPECT_EQ(ui.texts[0].rfind("There is no datalogs at the following addresses: 1-8.", 0), 0u);

    // Own memory: a file that cannot be created.
    link.requests.clear();
    link.own = MemoryBuilder(false).Frames();
    auto job = Job({0x01, 0, 0}, 100);
    job.folder = (dir / "absent").string();
    CTransfertReadDatalogBase own(job, link);
    RunIt(own);
    EXPECT_TRUE(own.IsFinished());
    EXPECT_FALSE(link.Sent("W", 0x7000));
    const std::string name = own.Outcomes()[0].fileName;
    EXPECT_EQ(ui.texts[1], "Could not create file : " + name + ".\nCannot write the file " + name +
                               " in the folder " + job.folder + ": No such file or directory.");
}

TEST_F(DatalogTransfer, FailuresLeaveNoFilesAndEndTheTransfer) {
    link.own = MemoryBuilder(false).Record({1, 1, 26, 0, 0, 1}, {1, 0}, {{1, 2}}).Frames();
    link.silentFrom = 1; // the second frame is not answered
    CTransfertReadDatalogBase own(Job({0x01, 0, 0}, 4096), link);
    RunIt(own);
    EXPECT_TRUE(own.IsFailed());
    EXPECT_EQ(own.LastAlertText(), msg::kUnknownError);
    EXPECT_EQ(FilesWritten(), 0u);

    // A board frame that is not answered ends the transfer too, with an alert.
    link.requests.clear();
    link.silentFrom = 0;
    CTransfertReadDatalogDB board(Job({0x01, 0, 0}, 100), {0, 0, 0}, link);
    RunIt(board);
    EXPECT_TRUE(board.IsFailed());
    EXPECT_EQ(board.LastAlertText(), msg::kUnknownError);

    // The labels are not answered.
    link.requests.clear();
    link.silentFrom = 1;
    link.board = MemoryBuilder(true).Frames();
    CTransfertReadDatalogDB noLabels(Job({0x01, 0, 0}, 100), {0, 0, 0}, link);
    RunIt(noLabels);
    EXPECT_TRUE(noLabels.IsFailed());
    EXPECT_EQ(noLabels.LastAlertText(), texts::kNotReacting);
    EXPECT_EQ(FilesWritten(), 0u);

    // The end-of-read command fails after the files were written.
    link.requests.clear();
    link.silentFrom = 1;
    link.own = MemoryBuilder(false).Frames();
    CTransfertReadDatalogBase lastFails(Job({0x01, 0, 0}, 100), link);
    RunIt(lastFails);
    EXPECT_TRUE(lastFails.IsFailed());
    EXPECT_EQ(lastFails.LastAlertText(), msg::kDatalogLastCommandFailed);
    EXPECT_EQ(FilesWritten(), 1u);

    // A size word no memory has is refused before anything is read.
    link.requests.clear();
    CTransfertReadDatalogBase huge(Job({0x01, 0, 0}, 0xFFFFFFF0u), link);
    RunIt(huge);
    EXPECT_TRUE(huge.IsFailed());
    EXPECT_TRUE(link.requests.empty());
}

// The boot identity of `code8` and the run state.
void Controller(DatalogLink& link, const char* code8, bool running) {
    Bytes boot(21, 0);
    boot[0] = 5;
    std::copy(code8, code8 + 8, boot.begin() + 1);
    link.memory[0xE000] = boot;
    link.memory[0x4000] = {0, 0, 0, std::uint8_t(running ? 1 : 0)};
}

TEST_F(DatalogTransfer, ChecksBeforeTheRead) {
    DatalogSource source;
    // Model 5 has no datalogs: nothing else is read.
    Controller(link, "61410051", false);
    EXPECT_EQ(CheckDatalogRead(link, ui, source), DatalogReadCheck::kNoDatalogs);
    EXPECT_EQ(link.requests.size(), 1u);
    EXPECT_EQ(ui.texts.back(), msg::kNoDatalogsToRead);

    // Own memory (Pask model 7): size = word 1 - word 2.
    Controller(link, "61420001", false);
    link.memory[0x0E00] = {0, 0, 1, 0, 0x10, 0x20, 0, 0, 0x10, 0x00, 0, 0};
    EXPECT_EQ(CheckDatalogRead(link, ui, source), DatalogReadCheck::kReady);
    EXPECT_EQ(source.kind, DatalogMemoryKind::kOwn);
    EXPECT_EQ(source.size, 0x2000u);
    // A start word past the end word is no size to read.
    link.memory[0x0E00][9] = 0x30;
    EXPECT_EQ(CheckDatalogRead(link, ui, source), DatalogReadCheck::kFailed);
    EXPECT_EQ(ui.texts.back(), texts::kNotReacting);
    link.memory[0x0E00][9] = 0x00;

    // Board (kz9 TCP/IP, model 3): size = word 3; the first three words are kept.
    Controller(link, "61410031", false);
    link.memory[0x4700000D] = {1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0};
    EXPECT_EQ(CheckDatalogRead(link, ui, source), DatalogReadCheck::kNoDatalogs); // 4 bytes
    link.memory[0x4700000D][12] = 200;
    EXPECT_EQ(CheckDatalogRead(link, ui, source), DatalogReadCheck::kReady);
    EXPECT_EQ(source.size, 200u);
    EXPECT_EQ(source.descriptor, (std::array<std::uint32_t, 3>{1, 2, 3}));

    // Running: No leaves it running and reads nothing more.
    Controller(link, "61420001", true);
    link.requests.clear();
    ui.answer = kAnswerNo;
    EXPECT_EQ(CheckDatalogRead(link, ui, source), DatalogReadCheck::kDeclined);
    EXPECT_EQ(ui.texts.back(), msg::kDatalogStopQuestion);
    EXPECT_FALSE(link.Sent("W", 0x7000));
    // Yes stops it; a controller that keeps running is reported.
    ui.answer = kAnswerYes;
    EXPECT_EQ(CheckDatalogRead(link, ui, source), DatalogReadCheck::kFailed);
    EXPECT_EQ(link.requests.back().address, 0x4000u);
    EXPECT_EQ(ui.texts.back(), texts::kNotReacting);
    link.memory.erase(0x0E00);
    EXPECT_EQ(CheckDatalogRead(link, ui, source), DatalogReadCheck::kFailed);
}

} // namespace
