// The port list shown by the USB and Bluetooth connection dialogs: the serial ports present,
// each entry possibly followed by " (USB)" (a controller's cable) or " (BLE)" (a BLE dongle).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace comm {

// The single entry of a list without any serial port.
inline constexpr const char* kNoActivePorts = "No Active Ports Found";
inline constexpr const char* kUsbMark = " (USB)";
inline constexpr const char* kBleMark = " (BLE)";

// The list for these port names, in order, annotated from the devices' friendly names.
std::vector<std::string> BuildPortList(const std::vector<std::string>& portNames,
                                       const std::vector<std::string>& friendlyNames);

// For each friendly name, in order: the first entry whose text the friendly name contains
// and which contains the name's inner text (between the first "(" and the first ")", or the
// whole name) gets " (USB)" when the name mentions "kz9" or "Vellmor ", else " (BLE)" when
// it mentions "Bluegiga Bluetooth Low Energy".
void AnnotatePortList(std::vector<std::string>& entries,
                      const std::vector<std::string>& friendlyNames);

// The port name of an entry: its leading device-name characters (the annotation dropped),
// cut to the 7 characters a link parameter block holds.
std::string PortNameFromEntry(std::string_view entry);

// The process-wide list shared by the dialogs, and its refill from the device folder.
std::vector<std::string>& PortList();
const std::vector<std::string>& EnumeratePorts();

} // namespace comm
