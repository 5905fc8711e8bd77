// What the front panel needs from the communication core. The program uses the adapter
// backed by the communication client (ComClientPanelLink); tests and benchmarks can hand
// the panel crafted publications through their own implementation.
#pragma once

#include <cstdint>
#include <vector>

namespace panel {

// One publication of the core server: the result of a front-panel read.
struct Publication {
    bool ok = false; // r_OK: `data` holds the block; r_KO: the read was not answered
    std::vector<std::uint8_t> data;
};

class PanelLink {
  public:
    virtual ~PanelLink() = default;
    // Takes at most one waiting publication; false at once when none waits.
    virtual bool PollPublish(Publication& out) = 0;
    // Results: 0 success, non-zero failure.
    virtual int WriteKeyMask(std::uint8_t mask) = 0;          // 1 byte at 0x6000
    virtual int SendControllerCommand(std::uint8_t code) = 0; // [code, 0] at 0x7000
    virtual int StopMonitor() = 0;
    virtual int StartMonitor() = 0;
    virtual int Deconnect() = 0;
    // Model index read from the boot identity area at 0xE000; 0 on success.
    virtual int ReadModelIndex(int& model) = 0;
    // The state word at 0x5000 (tells a controller that runs its loader only); 0 on success.
    virtual int ReadStateWord(std::uint32_t& word) = 0;
    virtual bool IsLinkOpen() const = 0;
    // 0 USB, 1 BLE, 2 Ethernet.
    virtual int LinkKind() const = 0;
    virtual void SetFamilyIndex(int family) = 0;
};

} // namespace panel
