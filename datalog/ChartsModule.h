// The charts of datalog CSV files drawn into a PNG picture, for the command line. The
// drawing needs Qt, so it lives in a module of its own beside the programs
// (DatalogCharts.so), loaded only when a picture is asked for: every other command starts
// without loading Qt, which matters when a fleet command starts one per controller.
#pragma once

#include <string>
#include <vector>

namespace datalog {

// The module's file name in the program folder, and its one entry point: 1 when the PNG
// was written, 0 with the reason in `error` (cut to errorSize - 1 characters).
inline constexpr const char* kChartsModuleName = "DatalogCharts.so";
inline constexpr const char* kChartsEntryName = "QuorvelRenderDatalogChartsPng";
using RenderChartsPngFn = int (*)(const char* const* csvPaths, int count, const char* pngPath,
                                  char* error, unsigned errorSize);

// Loads the module from `programFolder` and draws the charts of `csvPaths` into `pngPath`.
// False with the reason in `error`: the module's own, or that charts are not available
// when the module is missing or cannot be loaded.
bool RenderChartsPng(const std::string& programFolder, const std::vector<std::string>& csvPaths,
                     const std::string& pngPath, std::string& error);

} // namespace datalog
