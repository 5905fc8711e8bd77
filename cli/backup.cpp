#include "cli/backup.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <system_error>

#include "model/FileNameText.h"
#include "platform/output_file.h"

namespace cli::backup {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxComponent = 40;
constexpr int kMaxFolderTries = 100;

std::string WithSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder;
}

} // namespace

std::string SafeComponent(std::string_view text) {
    std::string name = model::FileNameFromText(text);
    // At most kMaxComponent characters, never cutting one of several bytes.
    std::size_t characters = 0, at = 0;
    for (; at < name.size(); ++at)
        if ((static_cast<unsigned char>(name[at]) & 0xC0) != 0x80 && ++characters > kMaxComponent)
            break;
    name.resize(at);
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    return name.empty() ? "controller" : name;
}

std::string FolderName(std::string_view name, const std::tm& when) {
    char stamp[80];
    std::snprintf(stamp, sizeof stamp, "_%04d%02d%02d-%02d%02d%02d", when.tm_year + 1900,
                  when.tm_mon + 1, when.tm_mday, when.tm_hour, when.tm_min, when.tm_sec);
    return SafeComponent(name) + stamp;
}

std::string CreateNewFolder(const std::string& parent, const std::string& name,
                            std::string& error) {
    std::error_code ec;
    if (!fs::is_directory(parent, ec)) {
        error = "The folder " + parent + " does not exist.";
        return {};
    }
    const std::string base = WithSlash(parent) + name;
    for (int n = 1; n <= kMaxFolderTries; ++n) {
        const std::string path = n == 1 ? base : base + "-" + std::to_string(n);
        // create_directory says false for a name already taken, and never creates parents.
        if (fs::create_directory(path, ec))
            return path + "/";
        if (ec) {
            error = "Cannot create the folder " + path + ": " + ec.message();
            return {};
        }
    }
    error = "Cannot create a new folder " + base + ": every name is taken.";
    return {};
}

bool WriteTextFile(const std::string& path, const std::string& text, std::string& error) {
    return platform::WriteWholeFile(path, text, error);
}

int SaveParts(const std::vector<Part>& parts, const std::string& folder, std::ostream& err) {
    bool complete = true;
    for (const Part& part : parts) {
        PartResult result = part.save(folder);
        if (result.outcome == Outcome::Saved)
            continue;
        err << part.name << ": " << result.message << "\n";
        err.flush();
        if (result.outcome == Outcome::Failed)
            complete = false;
    }
    return complete ? 0 : 1;
}

PartResult RestartedAfterwards(IRunControl& control, const std::function<PartResult()>& save) {
    bool runningBefore = false;
    if (control.ReadRunning(runningBefore) != 0)
        return {Outcome::Failed, "the run state of the controller could not be read."};
    PartResult result = save();
    if (!runningBefore)
        return result;
    bool runningAfter = false;
    // A run state that cannot be read is started anyway: starting a running controller
    // changes nothing.
    if (control.ReadRunning(runningAfter) == 0 && runningAfter)
        return result;
    if (control.Start() != 0) {
        // Said whatever the part gave: a controller left stopped must not go unnoticed.
        const char* kNotStarted = "the controller could not be started again: start it with "
                                  "quorvel-cli start.";
        result.message = result.outcome == Outcome::Saved ? std::string("saved, but ") + kNotStarted
                                                          : result.message + " And " + kNotStarted;
        result.outcome = Outcome::Failed;
    }
    return result;
}

} // namespace cli::backup
