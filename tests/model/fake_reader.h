// A controller memory made of byte images, for the tables' tests: each image answers reads
// that fall inside it; a read elsewhere, or while `silent`, fails like a silent controller.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <string_view>
#include <vector>

#include "model/ControllerReader.h"

struct FakeReader : model::IControllerReader {
    struct Request {
        std::uint32_t address, count, timeoutMs;
    };

    std::map<std::uint32_t, std::vector<std::uint8_t>> memory;
    std::vector<Request> requests;
    bool silent = false;
    std::uint32_t linkTimeoutMs = 6000;

    int Read(std::uint8_t* dest, std::uint32_t address, std::uint32_t count,
             std::uint32_t timeoutMs) override {
        requests.push_back({address, count, timeoutMs});
        auto it = memory.find(address);
        if (silent || it == memory.end() || it->second.size() < count)
            return model::kTargetNotAnswering;
        std::memcpy(dest, it->second.data(), count);
        return 0;
    }
    std::uint32_t LinkTimeoutMs() const override { return linkTimeoutMs; }
};

// Byte-image builders: fields written one byte at a time at their documented offsets.
inline void PutText(std::vector<std::uint8_t>& image, std::size_t offset, std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i)
        image.at(offset + i) = std::uint8_t(text[i]);
}

inline void PutBytes(std::vector<std::uint8_t>& image, std::size_t offset,
                     std::initializer_list<int> bytes) {
    for (int b : bytes)
        image.at(offset++) = std::uint8_t(b);
}

inline void PutU16(std::vector<std::uint8_t>& image, std::size_t offset, unsigned value) {
    image.at(offset) = std::uint8_t(value);
    image.at(offset + 1) = std::uint8_t(value >> 8);
}
