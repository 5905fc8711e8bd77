// What the identity command shows, gathered from an identity table, and its two renderings:
// the labelled text of the diagnostics hardware page and one JSON object.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "comm/ControllerLink.h"
#include "model/CFctTabIdentite.h"
#include "services/Diagnostics.h"

namespace cli {

struct ExpansionReport {
    std::string name, code8, hardware, boot, bootloader, software;
};

struct ModuleReport {
    std::string boot, bootloader, software;
    std::optional<std::string> imei; // GPRS models only
};

struct IdentityReport {
    std::string type, code8;
    int model = 255;
    int family = 255;
    std::string hardware, boot, bootloader, software;
    int digitalInputs = 0, analogInputs = 0, relayOutputs = 0, pwmOutputs = 0;
    std::vector<ExpansionReport> expansions; // present expansions only (XT1, then XT2)
    std::optional<ModuleReport> module;      // T71 models with a communication module
    bool communicating = false, gprs = false, tcpip = false;
    bool noFirmware = false; // runs its loader only: `software` (0.00.00) is no version
};

// Builds the report from a table that was read successfully. For the T71 layout the module
// copy is taken from the record first.
IdentityReport MakeIdentityReport(CFctTabIdentite& identity);

// Reads the identity of a controller of family `familyIndex` (0 kz9, 1 Pask, 2 Trel).
// 0, or comm::kTargetNotAnswering when the read fails or the family is not one of the three.
int ReadIdentityReport(comm::IControllerLink& reader, int familyIndex, IdentityReport& out);

// "8 DI / 4 ANA" and "4 RELAY / PWM / 2 PWM", as the diagnostics show the I/O counts.
using services::InputsText;
using services::OutputsText;

std::string IdentityText(const IdentityReport& report);
// Keys: type, code8, model, family, family_name, hardware, boot, bootloader, software,
// digital_inputs, analog_inputs, relay_outputs, pwm_outputs, expansions (name, code8,
// hardware, boot, bootloader, software), module (boot, bootloader, software, imei; null when
// none), communicating, gprs, tcpip, no_firmware; software is null without firmware.
std::string IdentityJson(const IdentityReport& report);

} // namespace cli
