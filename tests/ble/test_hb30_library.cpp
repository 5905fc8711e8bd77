// HB30.so loaded with dlopen, driven through T71_COMM against the simulated dongle.
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "tests/ble/hb30_harness.h"

namespace {

using hb30test::DongleBench;
using hb30test::Hb30Library;
using hb30test::kTarget;

// The scan's buffer: the count of records, then room for 32 records of 270 bytes.
constexpr std::size_t kScanBufferSize = 1 + 32 * 270;

class Hb30Test : public ::testing::Test {
  protected:
    // Every test drives the library: without it there is nothing to run.
    void SetUp() override { ASSERT_TRUE(lib.Loaded()); }
    void TearDown() override {
        if (lib.Loaded()) {
            PARAM_COM p = bench_ ? bench_->Params() : paramcom::Initial();
            Close(p);
        }
    }
    DongleBench& Bench(sim::BleDongleOptions options = {}) {
        bench_ = std::make_unique<DongleBench>(options);
        bench_->Start();
        return *bench_;
    }
    int Connect(PARAM_COM& p) {
        return lib.Call(0, t71::kCmdOpen, nullptr, &p, 5000, 0, 0, nullptr);
    }
    int Close(PARAM_COM& p) { return lib.Call(0, t71::kCmdClose, nullptr, &p, 500, 0, 0, nullptr); }
    int Scan(PARAM_COM& p, std::vector<std::uint8_t>& out) {
        return lib.Call(0, t71::kCmdScan, nullptr, &p, 0, 0, 0, out.data());
    }
    int Read(PARAM_COM& p, std::uint32_t address, std::uint8_t* out, int count, int cmd = 3) {
        return lib.Call(kTarget, cmd, nullptr, &p, 5000, count, address, out);
    }
    int Write(PARAM_COM& p, std::uint32_t address, std::vector<std::uint8_t> data,
              int timeout = 5000, int cmd = 4) {
        return lib.Call(kTarget, cmd, nullptr, &p, timeout, int(data.size()), address, data.data());
    }

    Hb30Library lib;
    std::unique_ptr<DongleBench> bench_;
};

TEST_F(Hb30Test, ExportsTheEntryAndAnswersTheCommandsWithoutALink) {
    std::uint8_t version[6] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(lib.Call(0, t71::kCmdVersion, version, nullptr, 0, 0, 0, nullptr), 0);
    EXPECT_EQ(version[2] | version[3] << 8, 1); // major
    EXPECT_EQ(version[4] | version[5] << 8, 0); // minor
    EXPECT_EQ(lib.Call(0, t71::kCmdStatus, nullptr, nullptr, 0, 0, 0, nullptr), 0);
    for (int unsupported : {6, 10, 13, 14, 99, -1})
        EXPECT_EQ(lib.Call(0, unsupported, nullptr, nullptr, 0, 0, 0, nullptr), 1) << unsupported;
}

TEST_F(Hb30Test, ReadsAndWritesThroughTheDongle) {
    DongleBench& b = Bench();
    b.Controller().Poke(0xE000, {0x04, 0x01});
    PARAM_COM p = b.Params();
    ASSERT_EQ(Connect(p), 0);

    std::uint8_t got[2] = {};
    ASSERT_EQ(Read(p, 0xE000, got, 2), 0);
    EXPECT_EQ(b.Dongle().Stats().last_request, ":F7030000E000000224\r\n");
    EXPECT_LE(b.Dongle().Stats().longest_write, 20u);
    EXPECT_EQ(got[0], 0x04);
    EXPECT_EQ(got[1], 0x01);

    // A write long enough for many pieces, then read back with the second and third kinds.
    std::vector<std::uint8_t> data(300);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = std::uint8_t(i * 7 + 1);
    ASSERT_EQ(Write(p, 0x2000, data, 5000, t71::kCmdWriteCF), 0);
    EXPECT_EQ(b.Dongle().Stats().longest_write, 20u);
    std::vector<std::uint8_t> back(300);
    ASSERT_EQ(Read(p, 0x2000, back.data(), 300, t71::kCmdReadCF), 0);
    EXPECT_EQ(back, data);
    ASSERT_EQ(Read(p, 0x2000, back.data(), 300, t71::kCmdReadExt), 0);
    EXPECT_EQ(back, data);
    ASSERT_EQ(Write(p, 0x2000, {9}, 5000, t71::kCmdWriteExt), 0);
    EXPECT_EQ(b.Controller().Peek(0x2000), 9);
}

TEST_F(Hb30Test, CheckByteMismatchGivesOneOnReadAndFiveOnWrite) {
    DongleBench& b = Bench();
    PARAM_COM p = b.Params();
    ASSERT_EQ(Connect(p), 0);
    b.Controller().SetScript([](const wire::Bytes&, sim::AnswerFaults* f) {
        f->corrupt_check = true;
        return std::nullopt;
    });
    std::uint8_t got[4];
    EXPECT_EQ(Read(p, 0x1000, got, 4), 1);
    EXPECT_EQ(Write(p, 0x1000, {1, 2}), 5);
}

TEST_F(Hb30Test, RefusalsAndExceptionAnswers) {
    DongleBench& b = Bench();
    PARAM_COM p = b.Params();
    ASSERT_EQ(Connect(p), 0);
    b.Controller().SetScript([](const wire::Bytes& body, sim::AnswerFaults*) {
        std::uint32_t address = wire::GetBE32(&body[2]);
        if (address == 0x3000)
            return std::optional<wire::Bytes>(wire::BuildRefusal(body[0]));
        if (address == 0x3100)
            return std::optional<wire::Bytes>(wire::BuildException(body[0], body[1], 2));
        return std::optional<wire::Bytes>();
    });
    std::uint8_t got[4];
    EXPECT_EQ(Read(p, 0x3000, got, 4), 5);
    EXPECT_EQ(Write(p, 0x3000, {1}), 5);
    EXPECT_EQ(Write(p, 0x3100, {1}), 1);
    // The link is still good afterwards.
    EXPECT_EQ(Read(p, 0x1000, got, 4), 0);
}

TEST_F(Hb30Test, UnansweredCommandAndBusyHello) {
    DongleBench& b = Bench();
    PARAM_COM p = b.Params();
    ASSERT_EQ(Connect(p), 0);
    // Command 7 is never answered: waiting for it would end in 1 after the time-out.
    int frames = b.Dongle().Stats().frames;
    EXPECT_EQ(Write(p, 0x7000, {7, 0}, 30000), 0);
    // The hello answered at 0x7100 means the link cannot be used now.
    b.Controller().SetScript([](const wire::Bytes& body, sim::AnswerFaults*) {
        if (body.size() > 8 && body[8] == 0x14)
            return std::optional<wire::Bytes>(wire::BuildWriteAnswer(body[0], body[1], 0x7100, 4));
        return std::optional<wire::Bytes>();
    });
    EXPECT_EQ(Write(p, 0x7000, {0x14, 0x00, 0x00, 0x14}), 4);
    // 0x7100 in the answer to anything but the hello is a plain answer.
    EXPECT_EQ(Write(p, 0x7000, {0x15, 0x00}), 0);
    EXPECT_EQ(b.Dongle().Stats().frames, frames + 3);
}

TEST_F(Hb30Test, AnswerWithAnotherCountThanAskedFailsWithFive) {
    DongleBench& b = Bench();
    PARAM_COM p = b.Params(20000);
    ASSERT_EQ(Connect(p), 0);
    // Asked for 10 bytes, the controller answers 2: the line feed ends the wait at once
    // (a wait for the 33 characters expected would take the whole time-out), and the
    // short answer is refused as USB and Ethernet refuse it, the buffer left as it was.
    b.Controller().SetScript([](const wire::Bytes& body, sim::AnswerFaults*) {
        const std::uint8_t two[] = {0xAA, 0xBB};
        return std::optional<wire::Bytes>(wire::BuildReadAnswer(body[0], body[1], two, 2));
    });
    std::uint8_t got[10];
    std::memset(got, 0x11, sizeof got);
    EXPECT_EQ(Read(p, 0x1000, got, 10), 5);
    EXPECT_EQ(std::vector<std::uint8_t>(got, got + 10), std::vector<std::uint8_t>(10, 0x11));
    // An answer naming more bytes than asked: the wait ends at the characters expected, the
    // answer is incomplete there, and nothing lands past the caller's buffer.
    b.Controller().SetScript([](const wire::Bytes& body, sim::AnswerFaults*) {
        std::vector<std::uint8_t> data(64, 0x42);
        return std::optional<wire::Bytes>(wire::BuildReadAnswer(body[0], body[1], data.data(), 64));
    });
    std::vector<std::uint8_t> small(16, 0);
    EXPECT_EQ(Read(p, 0x0000, small.data(), 8), 5);
    EXPECT_EQ(small, std::vector<std::uint8_t>(16, 0));
    // The rest of that answer is stale by the next request and is not taken for its answer.
    b.Controller().SetScript({});
    b.Controller().Poke(0x0100, {1, 2, 3, 4, 5, 6, 7, 8});
    EXPECT_EQ(Read(p, 0x0100, small.data(), 8), 0);
    EXPECT_EQ(small[7], 8);
}

TEST_F(Hb30Test, OversizedFramesAreRefusedBeforeAnythingIsSent) {
    DongleBench& b = Bench();
    PARAM_COM p = b.Params();
    ASSERT_EQ(Connect(p), 0);
    // A write beyond the frame buffer is refused before anything is sent.
    int frames = b.Dongle().Stats().frames;
    EXPECT_EQ(Write(p, 0x2000, std::vector<std::uint8_t>(2166, 0x55)), 1);
    EXPECT_EQ(b.Dongle().Stats().frames, frames);
    EXPECT_EQ(Write(p, 0x2000, std::vector<std::uint8_t>(2165, 0x55)), 0);

    // A read whose answer could not fit the receive buffer (2 x count + 4 characters must
    // stay below 4352) is refused the same way: 1, and no request goes out.
    frames = b.Dongle().Stats().frames;
    std::vector<std::uint8_t> got(70000, 0x11);
    for (int count : {2174, 20100, 65535, 65536 + 8, -1})
        EXPECT_EQ(Read(p, 0x0000, got.data(), count), 1) << count;
    EXPECT_EQ(b.Dongle().Stats().frames, frames);
    EXPECT_EQ(got, std::vector<std::uint8_t>(70000, 0x11));
    // The largest answer that fits still comes back whole.
    b.Controller().Poke(0x0000, std::vector<std::uint8_t>(2173, 0x42));
    ASSERT_EQ(Read(p, 0x0000, got.data(), 2173), 0);
    EXPECT_EQ(got[2172], 0x42);
    EXPECT_EQ(got[2173], 0x11);
}

TEST_F(Hb30Test, UnknownMessageIsSkippedAndTheExchangeGoesOn) {
    sim::BleDongleOptions o;
    o.fault_unknown_message = true;
    DongleBench& b = Bench(o);
    b.Controller().Poke(0x4000, {1, 2, 3, 4});
    PARAM_COM p = b.Params();
    ASSERT_EQ(Connect(p), 0);
    std::uint8_t got[4] = {};
    testing::internal::CaptureStdout();
    int r = Read(p, 0x4000, got, 4);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(r, 0);
    EXPECT_NE(out.find("ERROR: Unknown message received\n"), std::string::npos);
    EXPECT_EQ(got[3], 4);
}

TEST_F(Hb30Test, StatusEventAmidAnAnswerLeavesTheExchangeWhole) {
    // A connected link may report its status again (new connection parameters) between two
    // notifications of an answer: the answer is still taken whole, reads and writes alike.
    sim::BleDongleOptions o;
    o.fault_status_update = true;
    DongleBench& b = Bench(o);
    b.Controller().Poke(0x4000, {1, 2, 3, 4});
    PARAM_COM p = b.Params(2000);
    ASSERT_EQ(Connect(p), 0);
    testing::internal::CaptureStdout();
    std::uint8_t got[4] = {};
    int r = Read(p, 0x4000, got, 4);
    int w = Write(p, 0x4100, {9, 8}, 2000);
    std::uint8_t again[2] = {};
    int r2 = Read(p, 0x4100, again, 2);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(r, 0);
    EXPECT_EQ(got[0], 1);
    EXPECT_EQ(got[3], 4);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(r2, 0);
    EXPECT_EQ(again[0], 9);
    EXPECT_EQ(again[1], 8);
    EXPECT_NE(out.find("Connected\n"), std::string::npos);
}

TEST_F(Hb30Test, ConnectionFailures) {
    {
        // No dongle at that name at all.
        DongleBench& b = Bench();
        PARAM_COM p = b.Params();
        paramcom::SetString(p, paramcom::kDonglePort, paramcom::kDonglePortSize, "ttyNONE", 7);
        testing::internal::CaptureStdout();
        EXPECT_EQ(Connect(p), 4);
        EXPECT_NE(
            testing::internal::GetCapturedStdout().find("ERROR: Unable to open serial port\n"),
            std::string::npos);
        // A device that is not there never answers the connect.
        PARAM_COM q = b.Params();
        const std::uint8_t other[6] = {1, 2, 3, 4, 5, 6};
        paramcom::SetBleAddressRaw(q, other);
        EXPECT_EQ(Connect(q), 4);
    }
    {
        sim::BleDongleOptions o;
        o.fault_silent = true;
        DongleBench& b = Bench(o);
        PARAM_COM p = b.Params();
        EXPECT_EQ(Connect(p), 4);
        std::vector<std::uint8_t> out(kScanBufferSize, 0xCD);
        EXPECT_EQ(Scan(p, out), 0);
        EXPECT_EQ(out[0], 0);
    }
}

TEST_F(Hb30Test, DongleThatDoesNotComeBackAfterReset) {
    sim::BleDongleOptions o;
    o.fault_never_back = true;
    DongleBench& b = Bench(o);
    PARAM_COM p = b.Params();
    EXPECT_EQ(Connect(p), 4);
    EXPECT_EQ(b.Dongle().Stats().resets, 1);
    EXPECT_FALSE(b.Dongle().IsPublished());
}

TEST_F(Hb30Test, AddressByte0x30ReachesTheDongleAsZero) {
    DongleBench& b = Bench();
    PARAM_COM p = b.Params();
    // The controller's address starts with 0x00, which travels coded as 0x30.
    ASSERT_EQ(p.bytes[paramcom::kBleAddress], 0x30);
    ASSERT_EQ(Connect(p), 0);
    sim::BleDongle::Counters c = b.Dongle().Stats();
    EXPECT_EQ(c.last_connect_address[0], 0x00);
    EXPECT_EQ(c.last_connect_address[1], 0x5E);
    EXPECT_EQ(c.resets, 1);
}

TEST_F(Hb30Test, LostConnectionFailsTheExchangeAndReconnects) {
    DongleBench& b = Bench();
    PARAM_COM p = b.Params(20000);
    ASSERT_EQ(Connect(p), 0);
    b.Controller().SetScript([](const wire::Bytes&, sim::AnswerFaults* f) {
        f->drop_link = true;
        return std::nullopt;
    });
    std::uint8_t got[4];
    EXPECT_EQ(Read(p, 0x1000, got, 4), 0); // answered, then the link drops
    b.Controller().SetScript({});
    EXPECT_EQ(Read(p, 0x1000, got, 4), 5);
    EXPECT_EQ(b.LinksClosed(), 1);
    // A new open finds the service again on the new connection.
    ASSERT_EQ(Connect(p), 0);
    EXPECT_EQ(Read(p, 0x1000, got, 4), 0);
}

TEST_F(Hb30Test, ServiceDiscoveryFailuresLeaveALinkThatNeverAnswers) {
    struct Case {
        bool noService, noData;
        const char* message;
    };
    for (const Case& c : {Case{true, false, "No SPP Data service found\n"},
                          Case{false, true,
                               "No Client Characteristic Configuration found for "
                               "SPP data service\n"}}) {
        sim::BleDongleOptions o;
        o.gatt_without_service = c.noService;
        o.gatt_without_data = c.noData;
        DongleBench& b = Bench(o);
        PARAM_COM p = b.Params(300);
        testing::internal::CaptureStdout();
        EXPECT_EQ(Connect(p), 0);
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_NE(out.find("Connected\n"), std::string::npos);
        EXPECT_NE(out.find(c.message), std::string::npos) << out;
        std::uint8_t got[2];
        EXPECT_EQ(Read(p, 0xE000, got, 2), 5);
        EXPECT_EQ(Write(p, 0x1000, {1}, 300), 1);
        EXPECT_EQ(b.Dongle().Stats().frames, 0);
        Close(p);
    }
}

// Scan ------------------------------------------------------------------------------------

std::string RecordName(const std::vector<std::uint8_t>& out, int i) {
    const char* name = reinterpret_cast<const char*>(&out[1 + std::size_t(i) * 270]);
    return std::string(name, strnlen(name, 256));
}

TEST_F(Hb30Test, ScanRecordsNamedDevicesOnly) {
    sim::BleDongleOptions o;
    o.others = sim::MakeOtherAdvertisers(2, true, true);
    DongleBench& b = Bench(o);
    PARAM_COM p = b.Params();
    std::vector<std::uint8_t> out(kScanBufferSize, 0xCD);
    ASSERT_EQ(Scan(p, out), 0);
    // Controller, two sensors, the duplicate of the first sensor; the nameless one is not.
    ASSERT_EQ(out[0], 4);
    EXPECT_EQ(RecordName(out, 0), "Quorvel SIM");
    EXPECT_EQ(RecordName(out, 1), "Sensor 01");
    EXPECT_EQ(RecordName(out, 2), "Sensor 02");
    EXPECT_EQ(RecordName(out, 3), "Sensor 01");
    const std::uint8_t* first = &out[1 + 256];
    EXPECT_EQ(std::vector<std::uint8_t>(first, first + 6),
              (std::vector<std::uint8_t>{0x00, 0x5E, 0x1D, 0xC4, 0x7B, 0xA2}));
    for (int i = 262; i < 270; ++i)
        EXPECT_EQ(out[1 + std::size_t(i)], 0) << i;
    // Past the records the caller's buffer is untouched.
    EXPECT_EQ(out[1 + 4 * 270], 0xCD);
}

TEST_F(Hb30Test, ScanStopsAtThirtyTwoDevices) {
    sim::BleDongleOptions o;
    o.others = sim::MakeOtherAdvertisers(40, false, false);
    DongleBench& b = Bench(o);
    PARAM_COM p = b.Params();
    std::vector<std::uint8_t> out(kScanBufferSize + 16, 0xCD);
    ASSERT_EQ(Scan(p, out), 0);
    EXPECT_EQ(out[0], 32);
    EXPECT_EQ(RecordName(out, 31), "Sensor 31");
    EXPECT_EQ(out[kScanBufferSize], 0xCD);
}

TEST_F(Hb30Test, ScanWhileConnectedLeavesTheBufferAlone) {
    DongleBench& b = Bench();
    PARAM_COM p = b.Params();
    ASSERT_EQ(Connect(p), 0);
    int resets = b.Dongle().Stats().resets;
    std::vector<std::uint8_t> out(kScanBufferSize, 0xCD);
    EXPECT_EQ(Scan(p, out), 0);
    EXPECT_EQ(out, std::vector<std::uint8_t>(kScanBufferSize, 0xCD));
    EXPECT_EQ(b.Dongle().Stats().resets, resets);
    // The connection was not disturbed.
    std::uint8_t got[2];
    EXPECT_EQ(Read(p, 0xE000, got, 2), 0);
    // After a close the scan runs.
    EXPECT_EQ(b.LinksClosed(), 0);
    EXPECT_EQ(Close(p), 0);
    EXPECT_EQ(b.LinksClosed(), 1);
    EXPECT_EQ(Scan(p, out), 0);
    EXPECT_EQ(out[0], 1);
}

TEST_F(Hb30Test, ScanThroughADongleThatDoesNotComeBack) {
    sim::BleDongleOptions o;
    o.fault_never_back = true;
    DongleBench& b = Bench(o);
    PARAM_COM p = b.Params();
    std::vector<std::uint8_t> out(kScanBufferSize, 0xCD);
    EXPECT_EQ(Scan(p, out), 4);
    EXPECT_EQ(out[0], 0xCD);
}

} // namespace
