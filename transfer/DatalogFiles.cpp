#include "transfer/DatalogFiles.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "model/AnsiText.h"
#include "model/FileNameText.h"
#include "platform/output_file.h"
#include "transfer/DatalogCsv.h"

namespace transfer {

const std::array<const char*, kDatalogRanges> kDatalogFileSuffixes = {
    "_1_8_YY_MM_DD_HH_MM_SS.csv", "_9_16_YY_MM_DD_HH_MM_SS.csv", "_17_24_YY_MM_DD_HH_MM_SS.csv"};
const std::array<const char*, kDatalogRanges> kDatalogRangeNames = {"1-8", "9-16", "17-24"};

namespace {
constexpr char kStampPattern[] = "YY_MM_DD_HH_MM_SS";
constexpr std::array<const char*, kDatalogRanges> kCreatingSteps = {
    "Creating log 01-08", "Creating log 09-16", "Creating log 17-24"};

std::string JoinLines(const std::vector<std::string>& items, const char* glue) {
    std::string out;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0)
            out += glue;
        out += items[i];
    }
    return out;
}
} // namespace

std::string DefaultDatalogLabel(int familyIndex) {
    switch (familyIndex) {
    case 0:
        return "kz9label";
    case 1:
        return "Pasklabel";
    default:
        return "Trellabel";
    }
}

std::string DatalogLabelFromController(std::span<const std::uint8_t> bytes) {
    return model::FileNameFromText(model::FieldCode(bytes.data(), bytes.size()));
}

std::string DatalogFileName(const std::string& label, int range) {
    return label + kDatalogFileSuffixes[std::size_t(range)];
}

std::string DatalogTimeStamp(const std::optional<std::tm>& t) {
    const int year = t ? t->tm_year + 1900 : 65535;
    char yearText[16];
    std::snprintf(yearText, sizeof yearText, "%04d", year);
    const std::string year4 = yearText;
    const std::string yy = year4.substr(year4.size() - 2);
    char out[64];
    std::snprintf(out, sizeof out, "%s_%02d_%02d_%02d_%02d_%02d", yy.c_str(),
                  t ? t->tm_mon + 1 : 255, t ? t->tm_mday : 255, t ? t->tm_hour : 255,
                  t ? t->tm_min : 255, t ? t->tm_sec : 255);
    return out;
}

std::optional<std::tm> LocalTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (now == std::time_t(-1) || localtime_r(&now, &local) == nullptr)
        return std::nullopt;
    return local;
}

std::string StampDatalogFileName(const std::string& name, const std::string& stamp) {
    std::string out = name;
    const std::size_t at = out.rfind(kStampPattern);
    if (at != std::string::npos)
        out.replace(at, sizeof kStampPattern - 1, stamp);
    return out;
}

DatalogOutcomes WriteDatalogFiles(std::span<const std::uint8_t> memory, const DatalogExport& job,
                                  const DatalogExportHooks& hooks) {
    DatalogOutcomes outcomes;
    for (int r = 0; r < kDatalogRanges; ++r) {
        DatalogRangeOutcome& o = outcomes[std::size_t(r)];
        if (!job.config.RangePresent(r))
            continue;
        o.requested = true;
        o.fileName = StampDatalogFileName(job.fileNames[std::size_t(r)], job.stamp);
        if (hooks.beforeRange)
            hooks.beforeRange(r);
        std::optional<std::string> text =
            BuildDatalogCsv(memory, job.kind, job.config, job.labels, r);
        if (!text)
            continue;
        const std::string path = (std::filesystem::path(job.folder) / o.fileName).string();
        std::string error;
        if (!platform::WriteWholeFile(path, *text, error)) {
            o.error = error;
            if (hooks.alert)
                hooks.alert("Could not create file : " + o.fileName + ".\n" + error);
            continue;
        }
        o.generated = true;
        o.path = path;
    }
    return outcomes;
}

const char* DatalogCreatingStep(int range) {
    return kCreatingSteps[std::size_t(range)];
}

bool AllGenerated(const DatalogOutcomes& outcomes) {
    for (const DatalogRangeOutcome& o : outcomes)
        if (o.requested && !o.generated)
            return false;
    return true;
}

std::string DatalogSummary(const DatalogOutcomes& outcomes) {
    std::vector<std::string> missingRanges, missingFiles, generated;
    for (int r = 0; r < kDatalogRanges; ++r) {
        const DatalogRangeOutcome& o = outcomes[std::size_t(r)];
        // A file that could not be written was named by its own alert, with the cause.
        if (o.requested && !o.generated && o.error.empty()) {
            missingRanges.push_back(kDatalogRangeNames[std::size_t(r)]);
            missingFiles.push_back(o.fileName);
        } else if (o.generated) {
            generated.push_back(o.fileName);
        }
    }
    std::string text;
    if (!missingFiles.empty())
        text +=
            "There is no datalogs at the following addresses: " + JoinLines(missingRanges, ", ") +
            ".\n The corresponding files (" + JoinLines(missingFiles, "\n") +
            ") were not generated.\n";
    if (!generated.empty())
        text +=
            "The following files were generated successfully: " + JoinLines(generated, "\n") + ".";
    return text;
}

} // namespace transfer
