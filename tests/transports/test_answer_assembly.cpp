// The answer assembly of the serial and Ethernet links: the same answer whatever pieces
// the bytes arrive in, and the cases where the answer is given up.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "transports/answer_assembly.h"

namespace {

using transports::Answer;
using transports::AnswerStatus;

const wire::Bytes kData{0x04, 0x01};
const wire::Bytes kReadBody = wire::BuildReadAnswer(247, 0x03, kData.data(), 2);

// Feeds `bytes` in pieces of `piece` and returns the first answer taken.
template <typename Take>
std::optional<Answer> Feed(const wire::Bytes& bytes, std::size_t piece, Take take,
                           std::function<void(const std::uint8_t*, std::size_t)> append) {
    for (std::size_t i = 0; i < bytes.size(); i += piece) {
        append(bytes.data() + i, std::min(piece, bytes.size() - i));
        if (auto a = take())
            return a;
    }
    return std::nullopt;
}

std::optional<Answer> FeedAscii(const std::string& text, std::size_t piece, std::size_t maxBody) {
    transports::AsciiAnswerAssembler a;
    wire::Bytes bytes(text.begin(), text.end());
    return Feed(
        bytes, piece, [&] { return a.Take(maxBody); },
        [&](const std::uint8_t* p, std::size_t n) { a.Append(p, n); });
}

std::optional<Answer> FeedTcp(const wire::Bytes& bytes, std::size_t piece, std::size_t maxBody,
                              std::uint16_t transaction) {
    transports::TcpAnswerAssembler a;
    return Feed(
        bytes, piece, [&] { return a.Take(maxBody, transaction); },
        [&](const std::uint8_t* p, std::size_t n) { a.Append(p, n); });
}

TEST(AsciiAnswerAssembly, OneAnswerWhateverThePiecesAndTheNoiseBeforeIt) {
    const std::string line = "\r\n\x11noise" + wire::EncodeAscii(kReadBody);
    for (std::size_t piece = 1; piece <= line.size(); ++piece) {
        auto a = FeedAscii(line, piece, 6);
        ASSERT_TRUE(a) << piece;
        EXPECT_EQ(a->status, AnswerStatus::kReceived) << piece;
        EXPECT_TRUE(a->checkOk);
        EXPECT_EQ(a->body, kReadBody) << piece;
    }
}

TEST(AsciiAnswerAssembly, WrongCheckMalformedAndOverlongLines) {
    std::string bad = wire::EncodeAscii(kReadBody);
    bad[bad.size() - 3] = bad[bad.size() - 3] == '0' ? '1' : '0';
    auto a = FeedAscii(bad, 3, 6);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->status, AnswerStatus::kReceived);
    EXPECT_FALSE(a->checkOk);

    for (const char* malformed : {":F7\r\n", ":f7030002040104\r\n", ":F7030\r\n"}) {
        auto m = FeedAscii(malformed, 2, 6);
        ASSERT_TRUE(m) << malformed;
        EXPECT_EQ(m->status, AnswerStatus::kMalformed) << malformed;
    }
    // Longer than the answer may be: given up as soon as it outgrows it, line end or not.
    auto longLine = FeedAscii(":" + std::string(200, 'A'), 16, 6);
    ASSERT_TRUE(longLine);
    EXPECT_EQ(longLine->status, AnswerStatus::kTooLong);
    EXPECT_FALSE(FeedAscii("no colon at all\r\n", 4, 6));
}

TEST(TcpAnswerAssembly, SkipsLateAnswersAndTakesTheAwaitedOneInAnyPieces) {
    wire::Bytes stream = wire::EncodeTcp(6, kReadBody);
    const wire::Bytes awaited = wire::EncodeTcp(7, kReadBody);
    stream.insert(stream.end(), awaited.begin(), awaited.end());
    for (std::size_t piece = 1; piece <= stream.size(); ++piece) {
        auto a = FeedTcp(stream, piece, 6, 7);
        ASSERT_TRUE(a) << piece;
        EXPECT_EQ(a->status, AnswerStatus::kReceived);
        EXPECT_EQ(a->body, kReadBody);
    }
    EXPECT_FALSE(FeedTcp(wire::EncodeTcp(6, kReadBody), 4, 6, 7));
}

TEST(TcpAnswerAssembly, NonsenseHeadersAndOverlongBodiesEndTheAnswer) {
    auto tooLong = FeedTcp(wire::EncodeTcp(1, kReadBody), 64, 5, 1);
    ASSERT_TRUE(tooLong);
    EXPECT_EQ(tooLong->status, AnswerStatus::kTooLong);
    for (const wire::Bytes& header :
         {wire::Bytes{0, 1, 0, 1, 0, 6}, wire::Bytes{0, 1, 0, 0, 0, 1}}) {
        auto a = FeedTcp(header, 6, 64, 1);
        ASSERT_TRUE(a);
        EXPECT_EQ(a->status, AnswerStatus::kMalformed);
    }
}

} // namespace
