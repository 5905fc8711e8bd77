// The service history as quorvel-cli history shows it: one line per row, a row in full, and
// the JSON objects of --json.
#pragma once

#include <string>
#include <vector>

#include "history/HistoryRecord.h"

namespace cli {

// "12  2026-12-08T14:05:09+01:00  program-write  done  Pump station (61410031)  usb ttyACM0
//  <message>"
std::string HistoryLine(const history::Record& row);
// Every field on a line of its own, then the files and the kept copy.
std::string HistoryDetails(const history::Record& row);
// Keys: id, started, ended, user, host, program, link {kind, port|address}, controller {code8,
// model, label, software, mac}, operation, files [{path, size, sha256}], result, message,
// kept (null when none). Empty texts are null.
std::string HistoryJson(const history::Record& row);
std::string HistoryJson(const std::vector<history::Record>& rows);

} // namespace cli
