// The program write on a scripted controller: the requests of every path (erase commands,
// daughter-board session, Ethernet fixed lengths and integrity words, datalog erase,
// countdowns on the transfer clock), files refused before anything is sent, and a silent
// controller at each request position of a read and of a write.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "program/ProgramTransfers.h"
#include "tests/transfer/fake_controller.h"
#include "transfer/TransferMessages.h"

namespace {

using namespace transfer;
namespace fs = std::filesystem;

struct WriteTest : ::testing::Test {
    fs::path folder;
    VirtualClock clock;
    RecordingUi ui;
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("vqap_write_" + std::to_string(::getpid()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    // Reads a program from a fake controller of `profile` into a file.
    std::string ReadFile(const FakeProfile& profile = {}, int family = 0, bool ethernet = false) {
        FakeControllerLink source;
        LoadFakeController(source, profile);
        source.kind = ethernet ? comm::kLinkEthernet : comm::kLinkUsb;
        std::unique_ptr<CTransfertReadApp> read =
            ethernet ? std::unique_ptr<CTransfertReadApp>(
                           std::make_unique<CTransfertReadAppByETH>(folder.string(), source))
                     : std::make_unique<CTransfertReadAppByUSB>(folder.string(), source, family);
        read->Run();
        EXPECT_TRUE(read->IsFinished()) << read->LastAlertText();
        return read->FilePath();
    }

    // A fresh controller of `profile` whose program areas read 0xFF.
    static void Blank(FakeControllerLink& target, const FakeProfile& profile = {}) {
        LoadFakeController(target, profile);
        for (std::uint32_t base : {0x60000u, 0x70000u, 0x80000u, 0x90000u, 0xB0000u, 0x4811E000u,
                                   0x48118000u, 0x48119000u, 0x48123000u})
            std::fill(target.memory[base].begin(), target.memory[base].end(), 0xFF);
    }

    template <class T> void Run(T& t) {
        t.SetClock(clock);
        t.SetUi(&ui);
        t.Run();
    }
};

std::vector<std::string> Commands(const FakeControllerLink& link) {
    std::vector<std::string> out;
    for (const FakeControllerLink::Request& r : link.requests) {
        if (r.address == 0x7000 && r.count == 2)
            out.push_back(r.kind + " [" + std::to_string(r.data[0]) + "," +
                          std::to_string(r.data[1]) + "]");
        else if (r.address >= 0x47000000 && r.address <= 0x4700000E && r.kind == "WCF")
            out.push_back(r.kind + " " + std::to_string(r.address - 0x47000000) +
                          (r.count ? " 04" : ""));
        else if (r.address == 0x100)
            out.push_back(r.kind + " pass-through");
    }
    return out;
}

TEST_F(WriteTest, UsbWriteOfABoardControllerCopiesEveryAreaInOrder) {
    const std::string file = ReadFile();
    FakeControllerLink target;
    Blank(target);
    CTransfertWriteAppByUSB write(file, target, 0);
    Run(write);
    ASSERT_TRUE(write.IsFinished()) << write.LastAlertText();
    FakeControllerLink source;
    LoadFakeController(source);
    for (auto [base, size] :
         std::vector<std::pair<std::uint32_t, std::size_t>>{{0x60000, 0x5000},
                                                            {0x70000, 0xA000},
                                                            {0x80000, 0x4000},
                                                            {0x90000, 0x1000},
                                                            {0xB0000, 544},
                                                            {0x40000, 847},
                                                            {0x4811E000, 15959},
                                                            {0x48118000, 4003},
                                                            {0x48119000, 462},
                                                            {0x48123000, 34338}}) {
        EXPECT_TRUE(std::equal(source.memory[base].begin(),
                               source.memory[base].begin() + long(size),
                               target.memory[base].begin()))
            << std::hex << base;
    }
    // Erases: base areas by [5,n] in file order, the daughter board once before its first
    // zone, then its session; the end of the session; nothing for the Metier area.
    EXPECT_EQ(
        Commands(target),
        (std::vector<std::string>{"W [5,1]", "W [5,2]", "W [5,4]", "W [5,5]", "W [5,3]", "W [18,0]",
                                  "WCF 0", "WCF 2 04", "WCF 1", "W [17,0]", "WCF 8"}));
    for (const FakeControllerLink::Request& r : target.requests) {
        if (r.address == 0x7000) {
            EXPECT_EQ(r.timeoutMs, 6000u);
        }
    }
    // The datalog status of a board controller was read (nothing present: no erase).
    EXPECT_EQ(write.Snapshot().stepText, msg::kNoDatalogs);
    // Waits: 150 ms after each full 2048-byte daughter-board frame, then 5 s.
    const std::uint64_t fullFrames = 15959 / 2048 + 4003 / 2048 + 34338 / 2048;
    EXPECT_EQ(clock.ElapsedMs(), fullFrames * 150 + 5000);
}

TEST_F(WriteTest, EmptyDaughterZonesSendNoDaughterBoardCommand) {
    FakeProfile old;
    old.code8 = "61410001"; // model 0: the read stores the daughter-board zones empty
    old.v = 1;
    old.i = 6;
    old.r = 20;
    const std::string file = ReadFile(old);
    FakeControllerLink target;
    Blank(target, old);
    CTransfertWriteAppByUSB write(file, target, 0);
    Run(write);
    ASSERT_TRUE(write.IsFinished()) << write.LastAlertText();
    for (const FakeControllerLink::Request& r : target.requests)
        EXPECT_NE(r.kind, "WCF") << std::hex << r.address;
    EXPECT_EQ(Commands(target),
              (std::vector<std::string>{"W [5,1]", "W [5,2]", "W [5,4]", "W [5,5]", "W [5,3]"}));
}

TEST_F(WriteTest, RunningAPassingFileThroughTheOwnMemoryDatalogErase) {
    FakeProfile pask;
    pask.code8 = "61420001";
    pask.familyCode = 5;
    pask.i = 7;
    pask.r = 2;
    const std::string file = ReadFile(pask, 1);
    FakeControllerLink target;
    Blank(target, pask);
    target.memory[0x0E00][4] = 100; // 100 bytes of datalogs
    CTransfertWriteAppByUSB write(file, target, 1);
    Run(write);
    ASSERT_TRUE(write.IsFinished()) << write.LastAlertText();
    EXPECT_EQ(Commands(target).back(), "W [27,0]");
    EXPECT_EQ(clock.Sleeps(), 70u + 1u);
    EXPECT_EQ(clock.ElapsedMs(), 70000u + 5000u);
}

TEST_F(WriteTest, RefusedFilesChangeNothing) {
    const std::string good = ReadFile();
    std::vector<std::string> lines;
    ASSERT_EQ(ReadAllLines(good, lines), ReadResult::Ok);
    auto variant = [&](const std::string& name, auto edit) {
        std::vector<std::string> copy = lines;
        edit(copy);
        const fs::path p = folder / name;
        std::ofstream out(p, std::ios::binary);
        for (const std::string& l : copy)
            out << l << "\n";
        return p.string();
    };
    const std::size_t lastBinaire = lines.size() - 7; // the label zone's content
    struct Case {
        std::string file, alert;
    };
    const std::vector<Case> cases = {
        {variant("damaged.vqap", [&](auto& c) { c[lastBinaire][20] = 'g'; }), msg::kWrongFormat},
        {variant("short.vqap", [&](auto& c) { c[lastBinaire].erase(20, 2); }), msg::kWrongFormat},
        {variant("other.vqap", [](auto& c) { c[1] = "<UserApplication gamme_produit=\"Other\">"; }),
         msg::kNotCompatible},
        {variant("fw.vqap", [](auto& c) { c[8] = "<fw>1.04.00</fw>"; }), msg::kNotCompatible},
        {variant("code.vqap", [](auto& c) { c[2] = "<Code_8>6142000X</Code_8>"; }),
         msg::kNotCompatible},
        {variant("noend.vqap", [](auto& c) { c.pop_back(); }), msg::kWrongFormat},
        {(folder / "missing.vqap").string(), msg::kFileInvalid},
    };
    for (const Case& c : cases) {
        FakeControllerLink target;
        Blank(target);
        CTransfertWriteAppByUSB write(c.file, target, 0);
        Run(write);
        EXPECT_TRUE(write.IsFailed()) << c.file;
        EXPECT_EQ(write.LastAlertText(), c.alert) << c.file;
        for (const FakeControllerLink::Request& r : target.requests)
            EXPECT_TRUE(r.kind == "R" || r.kind == "RCF") << c.file << " sent " << r.kind;
    }
}

TEST_F(WriteTest, EthernetSendsFixedLengthsWithIntegrityWords) {
    const std::string file = ReadFile({}, 0, true);
    FakeControllerLink target;
    Blank(target);
    target.kind = comm::kLinkEthernet;
    target.timeoutMs = 10000;
    target.memory[0x40000].resize(849);
    target.memory[0x60000].resize(20482);
    target.memory[0x70000].resize(0xA000);
    CTransfertWriteAppByETH write(file, target);
    Run(write);
    ASSERT_TRUE(write.IsFinished()) << write.LastAlertText();
    // Bytes sent per zone address.
    std::map<std::uint32_t, std::uint32_t> sent;
    std::uint32_t zone = 0;
    for (const FakeControllerLink::Request& r : target.requests) {
        if (r.kind != "WCF" || r.address == 0x7000 || r.address == 0x100 ||
            (r.address >= 0x47000000 && r.address <= 0x4700000E))
            continue;
        if (sent.count(r.address) == 0 && (r.address & 0xFFF) == 0 &&
            EthernetZoneLength(r.address) != 0)
            zone = r.address;
        sent[zone] += r.count;
        EXPECT_LE(r.count, 2000u);
    }
    EXPECT_EQ(sent, (std::map<std::uint32_t, std::uint32_t>{{0x40000, 849},
                                                            {0x60000, 20482},
                                                            {0x70000, 20482},
                                                            {0x80000, 16386},
                                                            {0x90000, 69634},
                                                            {0xB0000, 546},
                                                            {0x4811E000, 15959},
                                                            {0x48118000, 4003},
                                                            {0x48119000, 462},
                                                            {0x48123000, 34338}}));
    // Integrity words: TabConf at 847 over 0..844; Init in its last two bytes.
    auto word = [](const std::vector<std::uint8_t>& b, std::size_t at, std::size_t from,
                   std::size_t to) {
        std::uint16_t sum = 0;
        for (std::size_t k = from; k <= to; ++k)
            sum = std::uint16_t(sum + b[k]);
        return std::uint16_t(b[at] | b[at + 1] << 8) == std::uint16_t(-sum);
    };
    EXPECT_TRUE(word(target.memory[0x40000], 847, 0, 844));
    EXPECT_TRUE(word(target.memory[0x60000], 20480, 0, 20479));
    // paramCF: words at 194 (0..193) and 426 (196..425).
    std::vector<std::uint8_t> pcf = EthernetZoneBuffer(0x48119000, ControllerBytes(462, 1));
    EXPECT_TRUE(word(pcf, 194, 0, 193));
    EXPECT_TRUE(word(pcf, 426, 196, 425));
    EXPECT_EQ(pcf[460], ControllerBytes(462, 1)[460]); // past the words: the content as it was
    std::vector<std::uint8_t> label = EthernetZoneBuffer(0x48123000, ControllerBytes(100, 2));
    EXPECT_EQ(label.size(), 34338u);
    EXPECT_EQ(label[100], 0); // padded with zeros, no word
    EXPECT_TRUE(EthernetZoneBuffer(0x12345678, ControllerBytes(4, 0)).empty());
    // Commands: the daughter-board erase and pass-through first, erases by WCF with 10000 ms,
    // the daughter board erased once, the Metier zone erased by writing 544 zeros, then the
    // update applied.
    std::vector<std::string> commands = Commands(target);
    ASSERT_GE(commands.size(), 4u);
    EXPECT_EQ(commands[0], "WCF 2 04");
    EXPECT_EQ(commands[1], "WCF pass-through");
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "WCF [18,0]"), 1);
    EXPECT_EQ(commands.back(), "WCF 3");
    bool metierZeros = false;
    for (const FakeControllerLink::Request& r : target.requests) {
        if (r.address == 0x7000 || r.address >= 0x47000000) {
            EXPECT_EQ(r.timeoutMs, 10000u);
        }
        if (r.kind == "W" && r.address == 0xB0000 && r.count == 544)
            metierZeros = std::all_of(r.data.begin(), r.data.end(), [](auto b) { return b == 0; });
    }
    EXPECT_TRUE(metierZeros);
    // The 15 s countdown and the 5 s wait on the clock, beside the framed-write pauses.
    std::uint64_t pauses = 0;
    for (auto [addr, n] : sent)
        pauses += n / 2000 * 150;
    EXPECT_EQ(clock.ElapsedMs(), pauses + 15000 + 5000);
}

// A controller that falls silent at request n: the transfer ends with its alert, at every n.
TEST_F(WriteTest, SilenceAtEveryRequestPositionEndsTheTransfer) {
    FakeControllerLink probe;
    LoadFakeController(probe);
    CTransfertReadAppByUSB first(folder.string(), probe, 0);
    Run(first);
    ASSERT_TRUE(first.IsFinished());
    const int readRequests = int(probe.requests.size());
    for (int n = 0; n < readRequests; ++n) {
        FakeControllerLink link;
        LoadFakeController(link);
        link.silentFrom = n;
        const fs::path sub = folder / ("r" + std::to_string(n));
        fs::create_directories(sub);
        CTransfertReadAppByUSB read(sub.string(), link, 0);
        Run(read);
        EXPECT_TRUE(read.IsFailed()) << "read, request " << n;
        EXPECT_FALSE(read.LastAlertText().empty());
        EXPECT_TRUE(fs::is_empty(sub)) << "read, request " << n;
    }

    FakeControllerLink counting;
    Blank(counting);
    CTransfertWriteAppByUSB whole(first.FilePath(), counting, 0);
    Run(whole);
    ASSERT_TRUE(whole.IsFinished());
    const int writeRequests = int(counting.requests.size());
    for (int n = 0; n < writeRequests; ++n) {
        FakeControllerLink link;
        Blank(link);
        link.silentFrom = n;
        ui.texts.clear();
        CTransfertWriteAppByUSB write(first.FilePath(), link, 0);
        Run(write);
        ASSERT_TRUE(write.IsEnded()) << "write, request " << n;
        // The restart of the daughter board (the last request) is not checked.
        if (n == writeRequests - 1) {
            EXPECT_TRUE(write.IsFinished());
            continue;
        }
        ASSERT_FALSE(ui.texts.empty()) << "write, request " << n;
        // A failed datalog erase warns without failing the write.
        if (ui.texts.back() == msg::kDatalogEraseError) {
            EXPECT_TRUE(write.IsFinished()) << "write, request " << n;
        } else {
            EXPECT_TRUE(write.IsFailed()) << "write, request " << n;
        }
    }
}

} // namespace
