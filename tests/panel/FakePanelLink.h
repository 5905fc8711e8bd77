// A panel link that hands out crafted publications and records every request, in order,
// as the controller side would see them.
#pragma once

#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "panel/PanelLink.h"

namespace paneltest {

class FakePanelLink : public panel::PanelLink {
  public:
    std::deque<panel::Publication> queue;
    std::vector<std::string> log;
    bool linkOpen = true;
    int linkKind = 0;
    int writeResult = 0;
    int modelResult = 0;
    int model = 0;
    int family = -1;
    int stateResult = 1; // the state word read fails unless a test sets it to 0
    std::uint32_t stateWord = 0;
    int stateReads = 0;

    void PublishOk(std::vector<std::uint8_t> block) { queue.push_back({true, std::move(block)}); }
    void PublishKo() { queue.push_back({false, {}}); }

    bool PollPublish(panel::Publication& out) override {
        if (queue.empty())
            return false;
        out = queue.front();
        queue.pop_front();
        return true;
    }
    int WriteKeyMask(std::uint8_t mask) override {
        log.push_back("mask " + Hex(mask));
        return writeResult;
    }
    int SendControllerCommand(std::uint8_t code) override {
        log.push_back("command " + std::to_string(code));
        return writeResult;
    }
    int StopMonitor() override { return Record("stop monitor"); }
    int StartMonitor() override { return Record("start monitor"); }
    int Deconnect() override {
        linkOpen = false;
        return Record("deconnect");
    }
    int ReadModelIndex(int& m) override {
        log.push_back("read model");
        if (modelResult == 0)
            m = model;
        return modelResult;
    }
    int ReadStateWord(std::uint32_t& w) override {
        ++stateReads;
        if (stateResult == 0)
            w = stateWord;
        return stateResult;
    }
    bool IsLinkOpen() const override { return linkOpen; }
    int LinkKind() const override { return linkKind; }
    void SetFamilyIndex(int f) override { family = f; }

    static std::string Hex(unsigned v) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%02X", v);
        return buf;
    }

  private:
    int Record(const char* what) {
        log.push_back(what);
        return 0;
    }
};

// A 156-byte block showing `rows` (up to four rows of up to 18 characters) with one
// attribute for every cell.
inline std::vector<std::uint8_t> Block(const std::vector<std::string>& rows,
                                       std::uint8_t attribute = 0, std::uint8_t iconByte = 0,
                                       std::uint32_t iconWord = 0) {
    std::vector<std::uint8_t> b(156, 0);
    for (int k = 0; k < 72; ++k) {
        b[k] = ' ';
        b[72 + k] = attribute;
    }
    for (std::size_t r = 0; r < rows.size() && r < 4; ++r)
        for (std::size_t c = 0; c < rows[r].size() && c < 18; ++c)
            b[r * 18 + c] = static_cast<std::uint8_t>(rows[r][c]);
    b[145] = iconByte;
    for (int i = 0; i < 4; ++i)
        b[146 + i] = static_cast<std::uint8_t>(iconWord >> (8 * i));
    return b;
}

} // namespace paneltest
