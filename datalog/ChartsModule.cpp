#include "datalog/ChartsModule.h"

#include <filesystem>

#include "platform/shared_library.h"

namespace datalog {

bool RenderChartsPng(const std::string& programFolder, const std::vector<std::string>& csvPaths,
                     const std::string& pngPath, std::string& error) {
    const std::string path = programFolder + kChartsModuleName;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        error = "Charts are not available in this build.";
        return false;
    }
    platform::SharedLibrary module;
    auto render = module.Open(path)
                      ? reinterpret_cast<RenderChartsPngFn>(module.Symbol(kChartsEntryName))
                      : nullptr;
    if (render == nullptr) {
        error = "Charts are not available: " + path + " cannot be loaded (" +
                (module.Error().empty() ? std::string("no entry point") : module.Error()) + ").";
        return false;
    }
    std::vector<const char*> csvs;
    for (const std::string& csv : csvPaths)
        csvs.push_back(csv.c_str());
    char reason[1024] = {};
    if (render(csvs.data(), int(csvs.size()), pngPath.c_str(), reason, sizeof reason) == 1)
        return true;
    error = reason;
    return false;
}

} // namespace datalog
