// Options that choose the simulated controller and its scenario switches.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sim {

struct Version {
    std::uint8_t v = 0, i = 0, r = 0;
};

// One channel's label in the communication board's table (text in Windows-1252).
struct DatalogLabelOption {
    int channel = 1; // 1..24
    std::string name, unit;
    std::uint8_t decimals = 0;
};

struct ControllerOptions {
    std::uint32_t code8 = 61410031;          // any of the nineteen codes of the model table
    std::uint32_t product_id = 1;            // discovery key together with code8
    std::string label;                       // 0x0F00, at most 18 characters
    std::optional<Version> software;         // overrides the model's default profile
    std::uint32_t xt_code8[2] = {0, 0};      // expansion modules XT1, XT2 (0 = none)
    std::optional<std::uint8_t> inputs;      // digital input count
    std::optional<std::uint8_t> outputs;     // relay output count
    std::optional<std::int64_t> clock_start; // seconds since 2000-01-01 00:00 (default: now, UTC)

    // Starting content.
    bool with_application = true; // a small built-in application is loaded
    bool running = true;
    std::string remote_password;     // non-empty: the remote lock is armed at each session
    std::string app_password;        // non-empty: 0x5600 = 1, 0x5500 = the first 6 bytes
    bool lock_available = true;      // 0x7300 byte 0
    bool lock_unlockable = true;     // 0x7300 byte 2
    bool strict_lock_writes = false; // refuse writes too while locked
    bool strict_run_writes = false;  // refuse program-area writes while running
    bool parameter_chord = true;     // 0x5900 = 1
    std::uint32_t state_word = 0;    // starting 0x5000 (e.g. 0x400001F5: LOADER_IDLE)
    int datalog_period_s = 10;       // a record every period while running (0 = none)
    int reboot_ms = 0;               // silence after [6,n], [7,0], 0x47000008
    // Datalogs: channels logged per range, ranges of 32-bit values, the board's labels (any
    // given replace the built-in ones), and a prepared memory served instead of the seeded
    // records (own memory from offset 0; board memory with its 4-byte record count).
    std::optional<std::array<std::uint8_t, 3>> datalog_masks;
    std::optional<std::array<std::uint8_t, 3>> datalog_wide;
    std::vector<DatalogLabelOption> datalog_labels;
    std::optional<std::vector<std::uint8_t>> datalog_image;

    // Fault injection.
    int fault_silent_nth = 0;      // no answer to the Nth request (1-based; 0 = off)
    bool fault_bad_check = false;  // every answer's check byte is wrong (serial links)
    int fault_bad_check_nth = 0;   // only the Nth answer's check byte is wrong
    bool fault_refuse = false;     // every request is refused
    int fault_refuse_nth = 0;      // only the Nth request is refused
    int fault_drop_after = 0;      // the connection drops after N answered frames (0 = off)
    bool fault_hello_busy = false; // the hello is answered at 0x7100
    // Silent for good from the Nth frame written into a firmware image on (0 = off).
    int fault_silent_image_frame = 0;
};

} // namespace sim
