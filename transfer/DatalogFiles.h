// The files of a datalog read: their names (controller label + range suffix, time-stamped
// when written), the CSV files themselves and the summary shown at the end.
#pragma once

#include <array>
#include <ctime>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "transfer/DatalogConfig.h"
#include "transfer/DatalogWalker.h"

namespace transfer {

// "_1_8_YY_MM_DD_HH_MM_SS.csv", "_9_16_…", "_17_24_…".
extern const std::array<const char*, kDatalogRanges> kDatalogFileSuffixes;
// "1-8", "9-16", "17-24".
extern const std::array<const char*, kDatalogRanges> kDatalogRangeNames;

// "kz9label", "Pasklabel" or "Trellabel" (family index 0, 1, any other).
std::string DefaultDatalogLabel(int familyIndex);

// The controller label (18 single-byte characters) as a file-name prefix: UTF-8, trailing
// white space removed, every character a file name cannot hold replaced by '_'. Empty when
// nothing is left.
std::string DatalogLabelFromController(std::span<const std::uint8_t> bytes);

// The proposed file name of `range`: label + suffix.
std::string DatalogFileName(const std::string& label, int range);

// "YY_MM_DD_HH_MM_SS" of `local`; a field that cannot be obtained (no time) reads 255, the
// year 65535 (so "35_255_…": the last two characters of the year).
std::string DatalogTimeStamp(const std::optional<std::tm>& local);
std::optional<std::tm> LocalTimeNow();

// `name` with its "YY_MM_DD_HH_MM_SS" part replaced by `stamp`.
std::string StampDatalogFileName(const std::string& name, const std::string& stamp);

// What one requested range gave.
struct DatalogRangeOutcome {
    bool requested = false;
    bool generated = false;
    std::string fileName; // as written (time-stamped), or as proposed when not generated
    std::string path;     // set when generated
    std::string error;    // why the file could not be written (folder and cause)
};
using DatalogOutcomes = std::array<DatalogRangeOutcome, kDatalogRanges>;

// What the CSV step needs besides the memory.
struct DatalogExport {
    DatalogMemoryKind kind = DatalogMemoryKind::kOwn;
    DatalogConfig config;
    LabelTable labels;
    std::string folder; // target folder
    std::array<std::string, kDatalogRanges> fileNames;
    std::string stamp; // DatalogTimeStamp of the moment of writing
};

// Called before each range is written (range index), and with the text of an alert when a
// file cannot be created.
struct DatalogExportHooks {
    std::function<void(int range)> beforeRange;
    std::function<void(const std::string& message)> alert;
};

// "Creating log 01-08", "Creating log 09-16", "Creating log 17-24".
const char* DatalogCreatingStep(int range);

// Decodes and writes the CSV file of every present range; returns what each gave.
DatalogOutcomes WriteDatalogFiles(std::span<const std::uint8_t> memory, const DatalogExport& job,
                                  const DatalogExportHooks& hooks);

// True when every requested range produced its file.
bool AllGenerated(const DatalogOutcomes& outcomes);

// The summary alert's text: the ranges not generated with their files, then the files
// generated.
std::string DatalogSummary(const DatalogOutcomes& outcomes);

} // namespace transfer
