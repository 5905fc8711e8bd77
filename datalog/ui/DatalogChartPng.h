// The charts of datalog CSV files drawn offscreen into a PNG picture, one below the other,
// for the command line. Starts an offscreen Qt application when none runs.
#pragma once

#include <string>
#include <vector>

namespace datalogchart {

// Written through a temporary file renamed on success. False with the reason in `error`.
bool RenderDatalogChartsPng(const std::vector<std::string>& csvPaths, const std::string& pngPath,
                            std::string& error);

} // namespace datalogchart
