// A controller memory for the program transfer tests, on FakeControllerLink: boot identity,
// identity record, configuration record and every program area filled with a pattern of its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/fake_controller_link.h"
#include "tests/transfer/recording_ui.h"

struct FakeProfile {
    std::string code8 = "61410031"; // kz9 TCP/IP, model 3
    std::uint8_t familyCode = 4;
    std::uint8_t v = 1, i = 9, r = 3;
    std::string programPath = "C:\\Projects\\Line3.prj";
};

inline std::vector<std::uint8_t> ControllerBytes(std::size_t n, std::uint8_t seed) {
    std::vector<std::uint8_t> out(n);
    for (std::size_t k = 0; k < n; ++k)
        out[k] = std::uint8_t(seed + k * 7 + (k >> 8));
    return out;
}

inline void LoadFakeController(FakeControllerLink& link, const FakeProfile& p = {}) {
    std::vector<std::uint8_t> boot(21, 0);
    boot[0] = p.familyCode;
    for (int k = 0; k < 8; ++k)
        boot[1 + k] = std::uint8_t(p.code8[std::size_t(k)]);
    link.memory[0xE000] = boot;
    std::vector<std::uint8_t> id(361, 0);
    for (int k = 0; k < 18; ++k)
        id[std::size_t(k)] = ' ';
    for (int k = 0; k < 8; ++k)
        id[18 + std::size_t(k)] = std::uint8_t(p.code8[std::size_t(k)]);
    id[26] = p.familyCode;
    const std::size_t soft = p.familyCode == 7 ? 89 : 86;
    id[soft - 6] = 2;
    id[soft - 3] = 3;
    id[soft] = p.v;
    id[soft + 1] = p.i;
    id[soft + 2] = p.r;
    link.memory[0x8000] = id;
    std::vector<std::uint8_t> conf = ControllerBytes(849, 0x40);
    for (std::size_t k = 0; k < 128; ++k)
        conf[k] = k < p.programPath.size() ? std::uint8_t(p.programPath[k]) : 0;
    link.memory[0x40000] = conf;
    link.memory[0x60000] = ControllerBytes(0x5000, 0x60);
    link.memory[0x70000] = ControllerBytes(0xA000, 0x70);
    link.memory[0x80000] = ControllerBytes(0x4000, 0x80);
    link.memory[0x90000] = ControllerBytes(0x11002, 0x90);
    link.memory[0xB0000] = ControllerBytes(546, 0xB0);
    link.memory[0x4811E000] = ControllerBytes(15959, 0x1E);
    link.memory[0x48118000] = ControllerBytes(4003, 0x18);
    link.memory[0x48119000] = ControllerBytes(462, 0x19);
    link.memory[0x48123000] = ControllerBytes(34338, 0x23);
    link.memory[0x7000] = std::vector<std::uint8_t>(2);
    std::vector<std::uint8_t> words(12, 0);
    link.memory[0x0E00] = words;
    link.memory[0x4700000D] = std::vector<std::uint8_t>(16, 0);
}
