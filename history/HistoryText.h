// The service history as text: one line per row and a row in full, shown by the command line
// and by the service history window alike.
#pragma once

#include <string>

#include "history/HistoryRecord.h"

namespace history {

// "Pump station (61410031)", the label or the code8 alone when only one is known, "-" when none.
std::string ControllerText(const ControllerEntry& controller);
// "usb ttyACM0", "eth 10.0.0.7:42424", "ble ttyACM1 AA:BB:CC:DD:EE:FF".
std::string LinkText(const LinkEntry& link);
// "12  2026-12-08T14:05:09+01:00  program-write  done  Pump station (61410031)  usb ttyACM0
//  <message>"
std::string HistoryLine(const Record& row);
// Every field on a line of its own, then the files and the kept copy.
std::string HistoryDetails(const Record& row);

} // namespace history
