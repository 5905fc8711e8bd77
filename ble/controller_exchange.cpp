#include "ble/controller_exchange.h"

#include <cstring>
#include <string>

#include "ble/ble_link.h"
#include "wire/frame_codec.h"
#include "wire/t71.h"

namespace hb30 {

namespace {
// Where the read answer's colon may be: among the first 9 characters.
constexpr std::size_t kColonWindow = 9;
// Characters between ':' and the line end of a write answer, at most.
constexpr std::size_t kMaxWriteAnswerBody = 20;
// The address the controller names in its answer to a hello it cannot take now.
constexpr std::uint32_t kBusyHelloAddress = 0x7100;
constexpr std::uint8_t kHelloByte = 0x14;

bool IsHello(std::uint32_t address, const std::uint8_t* data, std::size_t count) {
    return address == wire::kCommandAddress && count >= 1 && data != nullptr &&
           data[0] == kHelloByte;
}

void SendRequest(BleLink& link, const wire::Bytes& body) {
    std::string text = wire::EncodeAscii(body);
    link.DrainPending();
    link.SendData(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

// Whether `count` bytes fit a frame whose data may be at most `max` bytes, with a buffer
// for them.
bool CountFits(std::int32_t count, std::size_t max, const void* buffer) {
    return count >= 0 && std::size_t(count) <= max && (count == 0 || buffer != nullptr);
}

std::string_view ReceivedText(const BleLink& link) {
    return std::string_view(reinterpret_cast<const char*>(link.Received()), link.ReceivedCount());
}
} // namespace

int CheckReadAnswer(std::string_view text, std::uint8_t target, std::uint8_t function,
                    std::uint8_t* out, std::size_t asked) {
    std::size_t colon = text.substr(0, kColonWindow).find(':');
    if (colon == std::string_view::npos)
        return t71::kNoAnswer;
    std::string_view rest = text.substr(colon + 1);
    // target, function, count (2)
    auto head = wire::DecodeHexPairs(rest, 4);
    if (!head)
        return t71::kNoAnswer;
    std::size_t count = wire::GetBE16(head->data() + 2);
    if (2 * count + 4 >= kFrameBufferChars)
        return t71::kNoAnswer;
    // Only what has arrived is decoded: a short answer is malformed.
    auto tail = wire::DecodeHexPairs(rest.substr(8), count + 1);
    if (!tail)
        return t71::kNoAnswer;
    wire::Bytes frame = *head;
    frame.insert(frame.end(), tail->begin(), tail->end());
    if (wire::IsRefusal(frame.data(), frame.size()))
        return t71::kNoAnswer;
    if (!wire::SumsToZero(frame.data(), frame.size()))
        return t71::kUnsupported;
    if (frame[0] != target || frame[1] != function)
        return t71::kUnsupported;
    // Another count than asked is a plainly wrong answer: more would overrun the caller's
    // buffer, fewer would leave part of it stale.
    if (count != asked)
        return t71::kNoAnswer;
    if (count > 0)
        std::memcpy(out, frame.data() + 4, count);
    return t71::kOk;
}

int CheckWriteAnswer(std::string_view text, std::uint32_t address, const std::uint8_t* data,
                     std::size_t count) {
    std::size_t colon = text.find(':');
    if (colon == std::string_view::npos)
        return t71::kUnsupported;
    std::string_view rest = text.substr(colon + 1);
    std::size_t lineEnd = rest.find("\r\n");
    if (lineEnd == std::string_view::npos || lineEnd + 2 > kMaxWriteAnswerBody)
        return t71::kUnsupported;
    auto frame = wire::DecodeHexPairs(rest, lineEnd / 2);
    if (!frame || frame->size() < 2)
        return t71::kUnsupported;
    if (wire::IsRefusal(frame->data(), frame->size()))
        return t71::kNoAnswer;
    if (frame->size() >= 6 && IsHello(address, data, count) &&
        wire::GetBE32(frame->data() + 2) == kBusyHelloAddress)
        return t71::kLinkDown;
    if (!wire::SumsToZero(frame->data(), frame->size()))
        return t71::kNoAnswer;
    if (((*frame)[1] & wire::kExceptionBit) != 0)
        return t71::kUnsupported;
    return t71::kOk;
}

int ReadExchange(BleLink& link, std::uint8_t target, int command, std::uint32_t address,
                 std::int32_t asked, int timeoutMs, std::uint8_t* out) {
    // An answer that could not fit the receive buffer can never come: refused before
    // anything is sent, rather than sent and waited for.
    if (!CountFits(asked, kMaxReadData, out))
        return t71::kUnsupported;
    const auto count = std::uint16_t(asked);
    const std::uint8_t function = wire::FunctionCodeFor(command);
    SendRequest(link, wire::BuildRequest(target, function, address, count));
    link.StartReceive(2 * std::size_t(count) + kReadAnswerOverhead);
    if (!link.WaitForData(timeoutMs))
        return t71::kNoAnswer;
    return CheckReadAnswer(ReceivedText(link), target, function, out, count);
}

int WriteExchange(BleLink& link, std::uint8_t target, int command, std::uint32_t address,
                  std::int32_t asked, const std::uint8_t* data, int timeoutMs) {
    // The frame must fit the request buffer; refused before anything is sent.
    if (!CountFits(asked, kMaxWriteData, data))
        return t71::kUnsupported;
    const auto count = std::uint16_t(asked);
    const std::uint8_t function = wire::FunctionCodeFor(command);
    SendRequest(link, wire::BuildRequest(target, function, address, count, data));
    link.StartReceive(kWriteAnswerChars);
    if (wire::IsUnansweredWrite(address, data, count))
        return t71::kOk;
    if (!link.WaitForData(timeoutMs))
        return t71::kUnsupported;
    return CheckWriteAnswer(ReceivedText(link), address, data, count);
}

} // namespace hb30
