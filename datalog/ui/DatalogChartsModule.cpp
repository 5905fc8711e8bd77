// The datalog charts as a module of their own (DatalogCharts.so in the program folder), so
// that quorvel-cli starts without loading Qt: only "datalogs plot" loads it (see
// datalog/ChartsModule.h). One C entry point; everything else stays inside the module.
#include <algorithm>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "datalog/ChartsModule.h"
#include "datalog/ui/DatalogChartPng.h"

extern "C" __attribute__((visibility("default"))) int
QuorvelRenderDatalogChartsPng(const char* const* csvPaths, int count, const char* pngPath,
                              char* error, unsigned errorSize) {
    const std::vector<std::string> csvs(csvPaths, csvPaths + (count > 0 ? count : 0));
    std::string reason;
    if (datalogchart::RenderDatalogChartsPng(csvs, pngPath, reason))
        return 1;
    if (errorSize > 0) {
        const std::size_t n = std::min<std::size_t>(reason.size(), errorSize - 1);
        std::memcpy(error, reason.data(), n);
        error[n] = '\0';
    }
    return 0;
}

static_assert(std::is_same_v<decltype(&QuorvelRenderDatalogChartsPng), datalog::RenderChartsPngFn>);
