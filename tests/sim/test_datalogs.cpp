// Datalog sizes against the records served: the size words and the frames must agree,
// records must decode with the reader's length rules, and the memory grows only while running.
#include <gtest/gtest.h>

#include <bit>

#include "sim/datalog.h"
#include "sim/sim_options.h"
#include "tests/sim/controller_client.h"

namespace {

using simtest::ControllerClient;

std::uint32_t LE32(const wire::Bytes& b, std::size_t at) {
    return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
           std::uint32_t(b[at + 3]) << 24;
}

// Reads every frame the PC would read for `size` bytes (2048 per request).
wire::Bytes ReadFrames(ControllerClient& c, std::uint32_t base, std::uint32_t size,
                       std::uint8_t function) {
    wire::Bytes all;
    for (std::uint32_t k = 0; k * 2048 < size; ++k) {
        auto frame = c.Read(base + k, 2048, function);
        EXPECT_TRUE(frame);
        if (!frame)
            break;
        all.insert(all.end(), frame->begin(), frame->end());
    }
    return all;
}

// Walks the records as the reader does: marker 0x0A, length from the masks, end at a run
// of 0xFF where a record should start. Returns the number of records and the bytes used.
struct Walk {
    int records = 0;
    std::size_t end = 0;
    bool clean = true; // every record ended with the trailer byte 0 and a valid time
};
Walk WalkRecords(const wire::Bytes& data, std::size_t start, int masks, std::size_t end_run) {
    Walk w;
    std::size_t at = start;
    const std::size_t fixed = masks == 2 ? 11 : 12;
    while (at + end_run <= data.size()) {
        bool end = true;
        for (std::size_t i = 0; i < end_run; ++i)
            end = end && data[at + i] == 0xFF;
        if (end)
            break;
        if (data[at] != 0x0A) {
            w.clean = false;
            break;
        }
        std::size_t bits = 0;
        for (int m = 0; m < masks; ++m)
            bits += std::size_t(std::popcount(data[at + 8 + std::size_t(m)]));
        const std::size_t len = fixed + 2 * bits;
        if (at + len > data.size() || data[at + len - 1] != 0x00 || data[at + 1] > 59 ||
            data[at + 2] > 59 || data[at + 3] > 23 || data[at + 6] < 1 || data[at + 6] > 12)
            w.clean = false;
        at += len;
        ++w.records;
    }
    w.end = at;
    return w;
}

TEST(SimDatalog, OwnMemorySizeMatchesTheRecordsServed) {
    sim::ControllerOptions o;
    o.code8 = 61420001; // Pask, own memory
    o.datalog_period_s = 10;
    ControllerClient c(o);

    auto sizeOf = [&] {
        auto w = c.Read(0x0E00, 12);
        EXPECT_TRUE(w);
        return w ? LE32(*w, 4) - LE32(*w, 8) : 0u;
    };
    auto check = [&](int expected_records) {
        const std::uint32_t size = sizeOf();
        wire::Bytes data = ReadFrames(c, 0xC0000, size, 0x03);
        Walk w = WalkRecords(data, 0, 2, 11);
        EXPECT_TRUE(w.clean);
        EXPECT_EQ(w.records, expected_records);
        EXPECT_EQ(w.end, size);
        // At least eleven 0xFF follow the last record, even across a frame end.
        auto after = c.Read(0xC0000 + size / 2048, 2048);
        ASSERT_TRUE(after);
        for (std::size_t i = size % 2048; i < 2048; ++i)
            ASSERT_EQ((*after)[i], 0xFF);
    };
    // A few records are there at start; one more appears each period while running.
    check(5);
    c.Advance(60'000);
    check(11);
    // The configuration (record offset 256, 34-byte form) names the channels logged.
    auto config = c.Read(0x40000, 847);
    ASSERT_TRUE(config);
    sim::DatalogConfig cfg = sim::DecodeDatalogConfig(&(*config)[256], true);
    EXPECT_EQ(cfg.mask[0], 0x07);
    EXPECT_EQ(cfg.period_s, 10u);
    EXPECT_EQ(sizeOf(), 11u * (11 + 2 * 3));

    // Stopped: nothing is logged.
    ASSERT_TRUE(c.Command(1, 0));
    c.Advance(600'000);
    check(11);
    ASSERT_TRUE(c.Command(27, 0));
    EXPECT_LE(sizeOf(), 4u);
    check(0);
}

TEST(SimDatalog, BoardMemoryWithThirtyTwoBitRange) {
    ControllerClient c; // kz9 TCP/IP, software 1.09.03: 34-byte configuration
    auto config = c.Read(0x481191AC, 34, 0x13);
    ASSERT_TRUE(config);
    sim::DatalogConfig cfg = sim::DecodeDatalogConfig(config->data(), true);
    EXPECT_EQ(cfg.mask[0], 0x07);
    EXPECT_EQ(cfg.mask[1], 0x01);
    EXPECT_EQ(cfg.wide[1], 1);

    c.Advance(95'000);
    auto desc = c.Read(0x4700000D, 16, 0x13);
    ASSERT_TRUE(desc);
    const std::uint32_t size = LE32(*desc, 12);
    const std::uint32_t count = LE32(*desc, 8);
    EXPECT_EQ(count, 5u + 9u);
    wire::Bytes data = ReadFrames(c, 0x48200000, size, 0x13);
    EXPECT_EQ(LE32(data, 0), count); // bytes 0-3: the record count
    Walk w = WalkRecords(data, 4, 3, 12);
    EXPECT_TRUE(w.clean);
    EXPECT_EQ(std::uint32_t(w.records), count);
    EXPECT_EQ(w.end, size);
    // Channel 9 is 32-bit: its mask bit is mirrored so that the record has 4 bytes for it.
    EXPECT_EQ(data[4 + 9], 0x11);
    EXPECT_EQ(size, 4 + count * (12 + 2 * (3 + 2)));

    // The labels of the logged channels.
    auto labels = c.Read(0x48123A68, 888, 0x13);
    ASSERT_TRUE(labels);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(labels->data())), "Counter");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&(*labels)[2 * 37])), "Temperature");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&(*labels)[2 * 37 + 26])), "\xB0"
                                                                                   "C");
    EXPECT_EQ((*labels)[2 * 37 + 31], 1);

    ASSERT_TRUE(c.Write(0x4700000E, {}, 0x20));
    ASSERT_TRUE(c.Write(0x4700000A, {}, 0x20));
    EXPECT_EQ(LE32(*c.Read(0x4700000D, 16, 0x13), 12), 4u);
}

TEST(SimDatalog, GprsModelUsesTheShortConfiguration) {
    sim::ControllerOptions o;
    o.code8 = 61410011; // software 1.08.05: 31-byte form, paramCF 459
    ControllerClient c(o);
    auto config = c.Read(0x481191AC, 31, 0x13);
    ASSERT_TRUE(config);
    sim::DatalogConfig cfg = sim::DecodeDatalogConfig(config->data(), false);
    EXPECT_EQ(cfg.mask[1], 0x01);
    EXPECT_EQ(cfg.field_separator, ';');
    auto desc = c.Read(0x4700000D, 16, 0x13);
    ASSERT_TRUE(desc);
    EXPECT_EQ(LE32(*desc, 12), 4u + 5u * (12 + 2 * 4));
    EXPECT_TRUE(c.Read(0x48119000, 459, 0x13));
}

TEST(SimDatalog, FullMemoryStopsLogging) {
    sim::DatalogMemory m(sim::DatalogMemory::Form::kOwn, 100);
    sim::DatalogConfig cfg;
    cfg.mask[0] = 0x03; // 15-byte records
    int stored = 0;
    while (m.Append(sim::CivilTime{}, cfg, [](int ch) { return ch; }))
        ++stored;
    EXPECT_EQ(stored, 6);
    EXPECT_EQ(m.Size(), 90u);
    wire::Bytes words = m.SizeWords();
    EXPECT_EQ(LE32(words, 4) - LE32(words, 8), 90u);
    sim::DatalogMemory copy(sim::DatalogMemory::Form::kOwn, 100);
    ASSERT_TRUE(copy.Restore(m.Raw()));
    EXPECT_EQ(copy.RecordCount(), 6u);
}

TEST(SimDatalog, ChannelsWidthsAndLabelsFromTheCommandLine) {
    sim::SimOptions o;
    std::string error;
    ASSERT_TRUE(sim::ParseSimOptions({"--datalog-channels", "1,3,9,10,17", "--datalog-wide", "2",
                                      "--datalog-label", "1:Débit:m³:2", "--datalog-label",
                                      "17:Température:°C"},
                                     &o, &error))
        << error;
    sim::ControllerOptions& c = o.controller;
    EXPECT_EQ(*c.datalog_masks, (std::array<std::uint8_t, 3>{0x05, 0x03, 0x01}));
    EXPECT_EQ(*c.datalog_wide, (std::array<std::uint8_t, 3>{0, 1, 0}));
    ASSERT_EQ(c.datalog_labels.size(), 2u);
    EXPECT_EQ(sim::Utf8ToAnsi(c.datalog_labels[1].unit), "\xB0"
                                                         "C");
    EXPECT_EQ(sim::Utf8ToAnsi("€ ok ☃"), "\x80 ok ?");
    // Refused: a channel out of range, a 32-bit range logging channels 5-8, a bad label.
    for (std::vector<std::string> bad : {std::vector<std::string>{"--datalog-channels", "25"},
                                         {"--datalog-channels", "13", "--datalog-wide", "2"},
                                         {"--datalog-label", "0:x"},
                                         {"--datalog-label", "3:" + std::string(25, 'n')}}) {
        sim::SimOptions again;
        EXPECT_FALSE(sim::ParseSimOptions(bad, &again, &error)) << bad[1];
    }

    // The kz9 TCP/IP board serves them: configuration, mirrored 32-bit mask and labels.
    c.code8 = 61410031;
    ControllerClient board(c);
    auto config = board.Read(0x481191AC, 34, 0x13);
    ASSERT_TRUE(config);
    sim::DatalogConfig cfg = sim::DecodeDatalogConfig(config->data(), true);
    EXPECT_EQ(cfg.mask[1], 0x03);
    EXPECT_EQ(cfg.wide[1], 1);
    auto labels = board.Read(0x48123A68, 888, 0x13);
    ASSERT_TRUE(labels);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(labels->data())), "D\xE9"
                                                                          "bit");
    EXPECT_EQ((*labels)[31], 2);
    EXPECT_EQ((*labels)[16 * 37 + 26], 0xB0);
    EXPECT_EQ((*labels)[2 * 37], 0); // the built-in labels are replaced
    auto frame = board.Read(0x48200000, 2048, 0x13);
    ASSERT_TRUE(frame);
    EXPECT_EQ((*frame)[4 + 9], 0x33);
}

TEST(SimDatalog, PreparedMemoryIsServedAndGrowsWhileRunning) {
    sim::ControllerOptions o;
    o.code8 = 61420001; // Pask, own memory
    wire::Bytes prepared(5000, 0x00);
    prepared[0] = 0x0A;
    prepared.insert(prepared.end(), 20, 0xFF); // its end of data is dropped
    o.datalog_image = prepared;
    ControllerClient c(o);
    auto words = c.Read(0x0E00, 12);
    ASSERT_TRUE(words);
    EXPECT_EQ(LE32(*words, 4) - LE32(*words, 8), 5000u);
    wire::Bytes data = ReadFrames(c, 0xC0000, 5000, 0x03);
    EXPECT_TRUE(std::equal(data.begin(), data.begin() + 5000, prepared.begin()));
    EXPECT_EQ(data[5000], 0xFF);
    // A record logged later follows the prepared bytes.
    c.Advance(10'000);
    words = c.Read(0x0E00, 12);
    EXPECT_EQ(LE32(*words, 4) - LE32(*words, 8), 5000u + 17u);
    data = ReadFrames(c, 0xC0000, 5017, 0x03);
    EXPECT_EQ(data[5000], 0x0A);
}

} // namespace
