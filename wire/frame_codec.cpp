#include "wire/frame_codec.h"

namespace wire {

namespace {
int KindIndex(int command) {
    switch (command) {
    case 3:
    case 4:
        return 0;
    case 7:
    case 8:
        return 1;
    case 11:
    case 12:
        return 2;
    default:
        return -1;
    }
}
} // namespace

bool IsReadCommand(int command) { return command == 3 || command == 7 || command == 11; }
bool IsWriteCommand(int command) { return command == 4 || command == 8 || command == 12; }

std::uint8_t FunctionCodeFor(int command) {
    int k = KindIndex(command);
    if (k < 0)
        return 0;
    return IsReadCommand(command) ? kFnRead[k] : kFnWrite[k];
}

bool IsUnansweredWrite(std::uint32_t address, const std::uint8_t* data, std::size_t count) {
    return address == kCommandAddress && count >= 1 && data != nullptr && data[0] == kCmdLeaveLoader;
}

std::uint8_t CheckByte(const std::uint8_t* data, std::size_t n) {
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < n; ++i)
        sum = std::uint8_t(sum + data[i]);
    return std::uint8_t(0x100 - sum);
}

bool SumsToZero(const std::uint8_t* data, std::size_t n) {
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < n; ++i)
        sum = std::uint8_t(sum + data[i]);
    return sum == 0;
}

std::uint32_t GetBE32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}
std::uint16_t GetBE16(const std::uint8_t* p) { return std::uint16_t(p[0] << 8 | p[1]); }
void PutBE32(Bytes& out, std::uint32_t v) {
    out.push_back(std::uint8_t(v >> 24));
    out.push_back(std::uint8_t(v >> 16));
    out.push_back(std::uint8_t(v >> 8));
    out.push_back(std::uint8_t(v));
}
void PutBE16(Bytes& out, std::uint16_t v) {
    out.push_back(std::uint8_t(v >> 8));
    out.push_back(std::uint8_t(v));
}

Bytes BuildRequest(std::uint8_t target, std::uint8_t function, std::uint32_t address,
                   std::uint16_t count, const std::uint8_t* data) {
    Bytes out{target, function};
    PutBE32(out, address);
    PutBE16(out, count);
    if (data != nullptr)
        out.insert(out.end(), data, data + count);
    return out;
}

Bytes BuildReadAnswer(std::uint8_t target, std::uint8_t function, const std::uint8_t* data,
                      std::uint16_t count) {
    Bytes out{target, function};
    PutBE16(out, count);
    if (data != nullptr)
        out.insert(out.end(), data, data + count);
    return out;
}

Bytes BuildWriteAnswer(std::uint8_t target, std::uint8_t function, std::uint32_t address,
                       std::uint16_t count) {
    Bytes out{target, function};
    PutBE32(out, address);
    PutBE16(out, count);
    return out;
}

Bytes BuildException(std::uint8_t target, std::uint8_t function, std::uint8_t code) {
    return Bytes{target, std::uint8_t(function | kExceptionBit), code};
}

Bytes BuildRefusal(std::uint8_t target) { return Bytes{target, 0x10, 0xFF, 0xFF, 0xFF, 0xFF}; }

bool IsRefusal(const std::uint8_t* body, std::size_t n) {
    return n >= 6 && body[1] == 0x10 && body[2] == 0xFF && body[3] == 0xFF && body[4] == 0xFF &&
           body[5] == 0xFF;
}

std::string EncodeAscii(const Bytes& body) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string s;
    s.reserve(body.size() * 2 + 5);
    s.push_back(':');
    auto put = [&](std::uint8_t b) {
        s.push_back(kHex[b >> 4]);
        s.push_back(kHex[b & 0x0F]);
    };
    for (std::uint8_t b : body)
        put(b);
    put(CheckByte(body.data(), body.size()));
    s += "\r\n";
    return s;
}

std::uint8_t HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return std::uint8_t(c - '0');
    return std::uint8_t(static_cast<unsigned char>(c) - 0x37);
}

std::optional<Bytes> DecodeHexPairs(std::string_view text, std::size_t pairs) {
    if (text.size() < pairs * 2)
        return std::nullopt;
    Bytes out(pairs);
    for (std::size_t i = 0; i < pairs; ++i)
        out[i] = std::uint8_t(HexDigit(text[2 * i]) << 4 | (HexDigit(text[2 * i + 1]) & 0x0F));
    return out;
}

std::optional<Bytes> ParseAsciiFrame(std::string_view line) {
    if (line.size() < 5 || line.front() != ':' || line.substr(line.size() - 2) != "\r\n")
        return std::nullopt;
    std::string_view hex = line.substr(1, line.size() - 3);
    if (hex.size() % 2 != 0)
        return std::nullopt;
    for (char c : hex) {
        bool ok = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
        if (!ok)
            return std::nullopt;
    }
    return DecodeHexPairs(hex, hex.size() / 2);
}

Bytes EncodeTcp(std::uint16_t transaction, const Bytes& body) {
    Bytes out;
    out.reserve(body.size() + 6);
    PutBE16(out, transaction);
    PutBE16(out, 0);
    PutBE16(out, std::uint16_t(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

TcpHeader DecodeTcpHeader(const std::uint8_t header[6]) {
    return TcpHeader{GetBE16(header), GetBE16(header + 2), GetBE16(header + 4)};
}

} // namespace wire
