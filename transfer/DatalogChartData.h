// A datalog CSV file (as the datalog read writes it) read back for a chart: one line per
// channel, named with its name and unit, broken into segments where nothing was logged.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace transfer {

struct ChartPoint {
    std::int64_t civilSeconds; // the record's date and time as seconds since 2000-01-01
    double value;
};
using ChartSegment = std::vector<ChartPoint>;

struct ChartChannel {
    std::string name; // UTF-8, with " (unit)" when the channel has one
    std::vector<ChartSegment> segments;
};

struct DatalogChartData {
    std::string title;
    std::vector<ChartChannel> channels;
    std::size_t records = 0;
};

// The unit of a channel: the text between the parentheses that end its name ("Level (cm)"
// gives "cm"); empty when the name does not end so.
std::string ChannelUnit(const std::string& channelName);

// One pane of a file's chart: the channels (indexes into `channels`) that share a unit, and
// so a value axis. Panes come in the order their first channel comes in the file; channels
// without a unit share one pane.
struct ChartPane {
    std::string unit;
    std::vector<std::size_t> channels;
};
std::vector<ChartPane> PanesByUnit(const DatalogChartData& data);

// `text`: the whole file. A line ends where the time stamps jump by more than 2.5 times the
// usual logging period (the median interval), or at a record that lacks the channel's value.
// nullopt with the reason in `error` when the text is not a datalog CSV file.
std::optional<DatalogChartData> ParseDatalogCsvText(const std::string& text,
                                                    const std::string& title, std::string& error);

// Seconds since 2000-01-01 00:00 of a civil date and time (year 2000 + yy).
std::int64_t CivilSeconds(int yy, int month, int day, int hour, int minute, int second);

} // namespace transfer
