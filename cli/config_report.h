// What the config command shows: the application fields of the configuration record as the
// diagnostics application page words them, the memory use against what the family offers,
// and the TCP/IP or GPRS view of the models that have one.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "comm/ControllerLink.h"
#include "services/Diagnostics.h"

namespace cli {

// Shown in the "Available" column when the family code cannot be read or is not known.
constexpr long kUnknownAvailable = services::kUnknownAvailable;

struct MemoryRow {
    std::string key;   // JSON key
    std::string label; // the diagnostics row title
    std::optional<long> used;
    long available = kUnknownAvailable;
};

using NetworkReport = services::NetworkView;
using GprsReport = services::GprsView;

struct ConfigReport {
    bool programPresent = false;
    std::string label;
    // "Unknown" when there is no program (or when the field is empty).
    std::string project, version, author, toolVersion;
    std::string paramMenuAccess, watchdog, cycle, password, checksum;
    std::string programFile;
    std::vector<MemoryRow> memory; // parameters, digital, other, program, slots
    std::optional<NetworkReport> network;
    std::optional<GprsReport> gprs;
};

// Available memory of a family code (4 kz9, 5 Pask, 7 Trel); 12345 in every row for others.
std::vector<MemoryRow> MemoryRows(int familyCode);

// Reads the configuration, the identity (which decides the network or GPRS view), the family
// code, the slots used and the controller label of a controller of family `familyIndex`.
// 0, or comm::kTargetNotAnswering when the identity or configuration read fails (or the family
// is not one of the three); the other reads fall back as the diagnostics do.
int ReadConfigReport(comm::IControllerLink& reader, int familyIndex, ConfigReport& out);

std::string ConfigText(const ConfigReport& report);
// Keys: program_present, label, project, version, author, tool_version, param_menu_access,
// watchdog, cycle, password, checksum, program_file, memory (parameters, digital, other,
// program, slots: each {used, available}, used null without a program), network (ip_address,
// subnet_mask, gateway, reserved_address, server_timeout, addressing "dynamic"/"static"; null
// for models without TCP/IP), gprs (active_plmn, power, imei, msisdn; null without GPRS).
std::string ConfigJson(const ConfigReport& report);

} // namespace cli
