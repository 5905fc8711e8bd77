// CSV files of crafted datalog memories against golden files, and the walk's bounds.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "datalog/DatalogCsv.h"
#include "datalog/DatalogWalker.h"
#include "tests/datalog/datalog_memory.h"

namespace {

using namespace datalogtest;
using transfer::DatalogMemoryKind;

std::string Golden(const std::string& name) {
    std::ifstream in(std::string(QUORVEL_DATALOG_GOLDEN) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

transfer::DatalogConfig Config(std::vector<std::uint8_t> masks, std::vector<std::uint8_t> widths,
                               char field = ';', char decimal = ',') {
    auto c = transfer::DecodeDatalogConfig(ConfigBytes(masks, widths, field, decimal));
    EXPECT_TRUE(c);
    return *c;
}

std::string Csv(const Bytes& memory, DatalogMemoryKind kind, const transfer::DatalogConfig& c,
                int range, const transfer::LabelTable& labels = {}) {
    auto text = transfer::BuildDatalogCsv(memory, kind, c, labels, range);
    EXPECT_TRUE(text) << "range " << range << " dropped";
    return text.value_or("");
}

constexpr auto kOwn = DatalogMemoryKind::kOwn;
constexpr auto kBoard = DatalogMemoryKind::kBoard;

TEST(DatalogCsv, ChannelsOneToThreeWithARecordHoldingOneAndThree) {
    const auto c = Config({0x07, 0x01, 0}, {0, 0, 0});
    const Bytes m = MemoryBuilder(false)
                        .Record({6, 12, 26, 10, 15, 30}, {0x07, 0x00}, {{1, 2}, {-2, 2}, {300, 2}})
                        .Record({7, 1, 27, 11, 0, 5}, {0x05, 0x00}, {{10, 2}, {-30, 2}})
                        .Record({31, 12, 26, 23, 59, 59}, {0x00, 0x01}, {{9, 2}})
                        .Frames();
    EXPECT_EQ(Csv(m, kOwn, c, 0), Golden("own_channels_1_8.csv"));
    EXPECT_EQ(Csv(m, kOwn, c, 1), Golden("own_channels_9_16.csv"));
}

TEST(DatalogCsv, ThirtyTwoBitRanges) {
    // Board: range 9-16 holds 32-bit values (mask bits mirrored into bits 4-7).
    const auto c = Config({0x01, 0x05, 0x03}, {0, 1, 0}, ',', '.');
    Bytes labels(transfer::kLabelTableSize, 0);
    PutLabel(labels, 9, "Energy", "Wh", 3);
    PutLabel(labels, 11, "Flow", "", 0);
    const Bytes m = MemoryBuilder(true)
                        .Record({1, 2, 26, 12, 0, 0}, {0x01, 0x55, 0x03},
                                {{7, 2}, {100000, 4}, {-70000, 4}, {17, 2}, {-18, 2}})
                        .Record({4, 5, 26, 3, 2, 1}, {0x00, 0x44, 0x00}, {{2147483647, 4}})
                        .Frames();
    const auto table = transfer::DecodeLabelTable(labels);
    EXPECT_EQ(Csv(m, kBoard, c, 0, table), Golden("board_wide_1_8.csv"));
    EXPECT_EQ(Csv(m, kBoard, c, 1, table), Golden("board_wide_9_16.csv"));
    EXPECT_EQ(Csv(m, kBoard, c, 2, table), Golden("board_wide_17_24.csv"));

    // Own memory: marker 0x09 makes a record of 32-bit values whatever the width flags.
    const auto own = Config({0x03, 0, 0}, {0, 0, 0});
    const Bytes m2 = MemoryBuilder(false)
                         .Record({8, 3, 26, 9, 8, 7}, {0x33, 0x00}, {{-1, 4}, {65536, 4}}, 0x09)
                         .Record({8, 3, 26, 9, 8, 17}, {0x02, 0x00}, {{-1, 2}})
                         .Frames();
    EXPECT_EQ(Csv(m2, kOwn, own, 0), Golden("own_wide_records.csv"));
}

TEST(DatalogCsv, DecimalsNamesAndUnitsKeepSingleByteText) {
    // Short (31-byte) form: no width flags.
    Bytes form = ConfigBytes({0x07, 0, 0}, {}, ';', ',');
    ASSERT_EQ(form.size(), 31u);
    const auto c = transfer::DecodeDatalogConfig(form);
    ASSERT_TRUE(c);
    Bytes labels(transfer::kLabelTableSize, 0);
    PutLabel(labels, 1, "Temp",
             "\xB0"
             "C",
             2);
    PutLabel(labels, 2, "", "", 1);
    PutLabel(labels, 3,
             "D\xE9"
             "bit",
             "bar", 0);
    const Bytes m =
        MemoryBuilder(true)
            .Record({10, 10, 26, 8, 0, 0}, {0x07, 0, 0}, {{5, 2}, {-5, 2}, {-7, 2}})
            .Record({10, 10, 26, 8, 1, 0}, {0x07, 0, 0}, {{-1234, 2}, {0, 2}, {32767, 2}})
            .Record({10, 10, 26, 8, 2, 0}, {0x07, 0, 0}, {{-32768, 2}, {12, 2}, {0, 2}})
            .Record({10, 10, 26, 8, 3, 0}, {0x01, 0, 0}, {{100, 2}})
            .Frames();
    EXPECT_EQ(Csv(m, kBoard, *c, 0, transfer::DecodeLabelTable(labels)),
              Golden("board_decimals.csv"));

    std::string out;
    transfer::AppendDatalogValue(out, INT32_MIN, 2, '.');
    EXPECT_EQ(out, "-21474836.48");
    out.clear();
    transfer::AppendDatalogValue(out, -3, 4, '.');
    EXPECT_EQ(out, "-0.0003");
}

TEST(DatalogCsv, EmptyMemoryGivesTheHeaderLineOnly) {
    const auto c = Config({0x01, 0x02, 0}, {0, 0, 0});
    const Bytes own(4096, 0xFF);
    EXPECT_EQ(Csv(own, kOwn, c, 0), Golden("empty_1_8.csv"));
    EXPECT_EQ(Csv(own, kOwn, c, 1), Golden("empty_9_16.csv"));
    EXPECT_EQ(Csv(MemoryBuilder(true).Frames(), kBoard, c, 0), Golden("empty_1_8.csv"));
    // Records start at offset 1 when byte 0 of the own memory is 0xFF.
    const Bytes shifted =
        MemoryBuilder(false).Raw({0xFF}).Record({1, 1, 26, 0, 0, 1}, {0x01, 0}, {{1, 2}}).Frames();
    EXPECT_NE(Csv(shifted, kOwn, c, 0).find("01/01/26;00:00:01;1\r\n"), std::string::npos);
}

TEST(DatalogCsv, DamagedRecordResynchronised) {
    const auto c = Config({0x01, 0, 0}, {0, 0, 0});
    auto memory = [](bool board, std::size_t gap) {
        std::vector<std::uint8_t> masks =
            board ? std::vector<std::uint8_t>{0x01, 0, 0} : std::vector<std::uint8_t>{0x01, 0};
        return MemoryBuilder(board)
            .Record({1, 1, 26, 0, 0, 1}, masks, {{1, 2}})
            .Raw({0x00, 0x01, 0x02, 0x03, 0x04})
            .Record({1, 1, 26, 0, 0, 2}, masks, {{2, 2}})
            .Fill(gap, 0x00)
            .Record({1, 1, 26, 0, 0, 3}, masks, {{3, 2}})
            .Frames();
    };
    // Within the window (43 own, 60 board) the walk finds the next record.
    EXPECT_EQ(Csv(memory(false, 42), kOwn, c, 0), Golden("resync_recovered.csv"));
    EXPECT_EQ(Csv(memory(true, 59), kBoard, c, 0), Golden("resync_recovered.csv"));
    // Beyond it, own memory keeps the lines made so far; the board drops the range.
    EXPECT_EQ(Csv(memory(false, 43), kOwn, c, 0), Golden("resync_kept.csv"));
    EXPECT_FALSE(transfer::BuildDatalogCsv(memory(true, 60), kBoard, c, {}, 0));
}

TEST(DatalogWalker, NeverReadsPastTheMemory) {
    const std::array<bool, 3> narrow{false, false, false};
    auto count = [&](const Bytes& m, DatalogMemoryKind kind) {
        transfer::DatalogWalker w(m, kind, narrow);
        int n = 0;
        while (w.Next())
            ++n;
        return std::make_pair(n, w.end());
    };
    // A record whose masks claim more values than the memory holds: the walk stops there.
    Bytes claims = MemoryBuilder(false).Record({1, 1, 26, 0, 0, 1}, {0x01, 0}, {{1, 2}}).bytes();
    claims.insert(claims.end(), {0x0A, 1, 2, 3, 0, 1, 1, 26, 0xFF, 0xFF, 1, 2});
    EXPECT_EQ(count(claims, kOwn).first, 1);
    // Memories cut anywhere inside a record, inside the end run, or before the board's
    // first record end cleanly; ASan checks that nothing past them is read.
    const Bytes whole = MemoryBuilder(true)
                            .Record({1, 1, 26, 0, 0, 1}, {0x01, 0x55, 0}, {{1, 2}, {9, 4}, {11, 4}})
                            .Record({1, 1, 26, 0, 0, 2}, {0x01, 0, 0}, {{2, 2}})
                            .Frames();
    for (std::size_t cut = 0; cut < 60; ++cut) {
        Bytes part(whole.begin(), whole.begin() + std::ptrdiff_t(cut));
        part.shrink_to_fit();
        auto [n, end] = count(part, kBoard);
        EXPECT_LE(n, 2) << cut;
        EXPECT_EQ(end, transfer::DatalogWalker::End::kEndOfData) << cut;
    }
    // A memory of garbage with a marker-like byte at its very end.
    Bytes garbage(100, 0x00);
    garbage.back() = 0x0A;
    EXPECT_EQ(count(garbage, kOwn).second, transfer::DatalogWalker::End::kLostSync);
    EXPECT_EQ(count(Bytes{0x00, 0x0A}, kOwn).first, 0);
}

TEST(DatalogWalker, ArbitraryBytesAreWalkedWithinTheMemory) {
    // Memories of random bytes rich in markers and set mask bits, each exactly as long as it
    // says: the sanitizers catch any read past them.
    std::uint32_t seed = 12345;
    auto next = [&] {
        seed = seed * 1103515245u + 12345u;
        return std::uint8_t(seed >> 16);
    };
    const auto c = Config({0xFF, 0x0F, 0xFF}, {0, 1, 0});
    for (int round = 0; round < 400; ++round) {
        Bytes m(std::size_t(next()) + std::size_t(next() % 4) * 256);
        for (auto& b : m) {
            const std::uint8_t r = next();
            b = r < 40 ? 0x0A : r < 60 ? 0x09 : r < 90 ? 0xFF : next();
        }
        for (DatalogMemoryKind kind : {kOwn, kBoard}) {
            for (int range = 0; range < 3; ++range) {
                auto text = transfer::BuildDatalogCsv(m, kind, c, {}, range);
                if (text) {
                    EXPECT_EQ(text->rfind("DATE(DD/MM/YY);", 0), 0u);
                }
            }
        }
    }
}

TEST(DatalogConfig, FormsAndLabels) {
    EXPECT_FALSE(transfer::DecodeDatalogConfig(Bytes(33, 0)));
    auto c = transfer::DecodeDatalogConfig(ConfigBytes({1, 2, 3}, {1, 0, 7}, 0, 0));
    ASSERT_TRUE(c);
    EXPECT_TRUE(c->RangeWide(0));
    EXPECT_FALSE(c->RangeWide(2)); // only 1 means 32-bit
    EXPECT_EQ(c->value, 10u);
    // An unset separator never puts a NUL byte into the text.
    EXPECT_EQ(c->fieldSeparator, ';');
    EXPECT_EQ(c->decimalSeparator, ',');
    EXPECT_EQ(transfer::DatalogConfigSize(1, 9), 34u);
    EXPECT_EQ(transfer::DatalogConfigSize(1, 8), 31u);
    EXPECT_EQ(transfer::DatalogConfigSize(2, 9), 31u);

    Bytes labels(transfer::kLabelTableSize, 0);
    PutLabel(labels, 24, std::string(26, 'N'), "abcde", 9); // name without its terminator
    auto t = transfer::DecodeLabelTable(labels);
    EXPECT_EQ(t[23].name, std::string(24, 'N'));
    EXPECT_EQ(t[23].unit, "abcde");
    EXPECT_EQ(t[23].decimals, 9);
    EXPECT_TRUE(transfer::DecodeLabelTable(Bytes(10, 'x'))[0].name.empty());
}

} // namespace
