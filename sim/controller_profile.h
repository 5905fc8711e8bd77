// The model table and the per-model profile a simulated controller starts from: family,
// capabilities, area sizes, versions and I/O counts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "sim/controller_options.h"

namespace sim {

enum class Family { kKz9, kPask, kTrel };

constexpr int kUnknownModel = 255;

// The nineteen product codes and their model indices; kUnknownModel for anything else.
int ModelFromCode8(std::uint32_t code8);
// True when `code8` is one of the nineteen codes.
bool IsKnownCode8(std::uint32_t code8);

struct Profile {
    std::uint32_t code8 = 0;
    int model = kUnknownModel;
    Family family = Family::kKz9;
    std::uint8_t family_code = 4; // 0xE000 byte 0: 4 kz9, 5 Pask, 7 Trel
    bool communicating = false;   // datalogs on the communication board
    bool gprs = false;
    bool tcpip = false;
    bool own_datalogs = false; // datalogs in the controller's own memory
    std::string type_text;     // identity record bytes 0-17

    Version hardware, boot, bootloader, software;
    Version module_boot, module_bootloader, module_software; // communication module
    std::string module_text;                                 // the IMEI on GPRS models

    std::uint8_t digital_inputs = 0, relay_outputs = 0, analog_inputs = 0, pwm_outputs = 0;

    // Expansions: a code8 of 0 means none.
    std::uint32_t xt_code8[2] = {0, 0};
    Version xt_boot[2], xt_software[2];

    // Base program areas (bytes the catalogue gives for the family).
    std::uint32_t init_size = 0, prog_size = 0, param_size = 0, slot_size = 0, metier_size = 0;
    std::uint32_t config_size = 847; // 707 on Trel (847 are served)
    std::uint16_t slots_max = 0;     // 0x5200 upper bound

    // Key mask bits of the family.
    std::uint8_t key_a = 0x20, key_b = 0x10, key_minus = 0x08, key_plus = 0x04, key_esc = 0x02,
                 key_enter = 0x01;

    // Rules that depend on the software version.
    bool ParamCfShort() const;      // 459 bytes instead of 462 (V=1 and I<9)
    bool DatalogConfigLong() const; // 34-byte datalog configuration (V=1 and I>8)
    std::uint16_t ParamCfSize() const;
};

// The profile of a product code, with the options' overrides applied (software version).
Profile MakeProfile(const ControllerOptions& options);

// "kz9label", "Pasklabel", "Trellabel": what the program shows for an empty label.
const char* FamilyName(Family family);

} // namespace sim
