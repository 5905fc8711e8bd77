// What the "USB settings" and "Bluetooth settings" dialogs decide from the port list and
// the stored link parameters, and the requests they make. No Qt here.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "wire/t71.h"

namespace portchoice {

// Media of the link parameter block (MoyenCom).
constexpr std::uint32_t kMediumSerial = 0;
constexpr std::uint32_t kMediumEthernet = 1;
constexpr std::uint32_t kMediumBle = 2;
// How long the check of an Ethernet link waits for the connection: as long as the link's
// own open.
constexpr int kCauseConnectTimeoutMs = 5000;

// The dialogs' texts.
inline constexpr const char* kUsbSelect = "Select a COM port to connect your device.";
inline constexpr const char* kUsbNone =
    "No USB COM port detected.\nIf you have just connected a USB wire, please refresh the COM "
    "list.";
inline constexpr const char* kBleScan = "Scan the area.\nThen select a device to connect.";
inline constexpr const char* kBleNone =
    "No BLE device detected.\nIf you have just connected a BLE dongle, please refresh the COM "
    "list.";

// Entries marked "(USB)", in list order.
std::vector<std::string> UsbEntries(const std::vector<std::string>& portList);
// The first entry containing `portName`; nothing when none does.
std::optional<std::string> EntryContaining(const std::vector<std::string>& entries,
                                           const std::string& portName);
// The first entry marked "(BLE)": the dongle.
std::optional<std::string> DongleEntry(const std::vector<std::string>& portList);

// `stored` with the USB medium and the port name of `entry`.
PARAM_COM UsbParameters(const PARAM_COM& stored, const std::string& entry);
// `stored` with the BLE medium, the chosen address (the list's hidden column: 6 characters,
// zero bytes already written '0') and the dongle's port name.
PARAM_COM BleParameters(const PARAM_COM& stored, const std::string& hiddenAddress,
                        const std::string& dongleEntry);

// "Test": sets the USB parameters of `entry`, reads 4 bytes at 0x5000 with the link kind's
// time-out, then restores `restore`. True when the read succeeded. When it failed because the
// port did not open, `cause` (when given) names why in one line, else it is left empty.
bool TestUsbPort(const std::string& entry, const PARAM_COM& restore, std::string* cause = nullptr);

// Why the link of `param` did not open, when the core server's link is closed: the USB port
// or the BLE dongle's port is checked, or a TCP connection tried. One line, or an empty text
// when the link is open or the check finds nothing wrong. The command menu can add it under
// its own messages too.
std::string LinkOpenCause(const PARAM_COM& param);

// The scan of command 9 through the BLE library: fills `buffer` (1 + 32 x 270 bytes,
// zeroed first). A library that is not loaded, or a scan that fails, leaves the count 0.
using BleScanner = std::function<void(const PARAM_COM& param, std::uint8_t* buffer)>;
void ScanThroughLibrary(const PARAM_COM& param, std::uint8_t* buffer);

} // namespace portchoice
