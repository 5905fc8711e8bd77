// Small helpers shared by the controller's source files (internal to the simulator).
#pragma once

#include <cstdio>
#include <string>

#include "sim/controller_state.h"

namespace sim::detail {

constexpr std::int64_t kHalfMinuteMs = 30000;
// The largest read or write a request may carry (the request channel's own limit).
constexpr std::uint16_t kMaxRequestData = 40000;

inline void PutText(wire::Bytes& rec, std::size_t at, const std::string& text, std::size_t width,
                    char pad = ' ') {
    for (std::size_t i = 0; i < width; ++i)
        rec[at + i] = std::uint8_t(i < text.size() ? text[i] : pad);
}

inline void PutVersion(wire::Bytes& rec, std::size_t at, const Version& v) {
    rec[at] = v.v;
    rec[at + 1] = v.i;
    rec[at + 2] = v.r;
}

inline void PutLE16(wire::Bytes& rec, std::size_t at, std::uint16_t v) {
    rec[at] = std::uint8_t(v);
    rec[at + 1] = std::uint8_t(v >> 8);
}

inline std::string Code8Text(std::uint32_t code8) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08u", code8 % 100000000u);
    return buf;
}

inline std::string Hex(std::uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X", v);
    return buf;
}

// A reply of `kind` with its note for the log and nothing else set.
inline Reply NotedReply(Reply::Kind kind, std::string note) {
    Reply r;
    r.kind = kind;
    r.note = std::move(note);
    return r;
}
inline Reply Ack(std::string note = {}) {
    return NotedReply(Reply::kWriteAck, std::move(note));
}
inline Reply Exception(std::uint8_t code, std::string note) {
    Reply r = NotedReply(Reply::kException, std::move(note));
    r.code = code;
    return r;
}
inline Reply Silent(std::string note) {
    return NotedReply(Reply::kSilent, std::move(note));
}
inline Reply Refusal(std::string note) {
    return NotedReply(Reply::kRefusal, std::move(note));
}
inline Reply Data(wire::Bytes data) {
    Reply r;
    r.kind = Reply::kRead;
    r.data = std::move(data);
    return r;
}

} // namespace sim::detail
