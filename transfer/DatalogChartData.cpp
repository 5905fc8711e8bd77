#include "transfer/DatalogChartData.h"

#include <algorithm>
#include <cstdlib>

#include "model/AnsiText.h"

namespace transfer {

namespace {

constexpr char kDateColumn[] = "DATE(DD/MM/YY)";
// A jump of more than this many logging periods is a gap in the chart.
constexpr double kGapFactor = 2.5;

std::vector<std::string> Split(const std::string& line, char sep) {
    std::vector<std::string> out;
    std::size_t at = 0;
    for (std::size_t next; (next = line.find(sep, at)) != std::string::npos; at = next + 1)
        out.push_back(line.substr(at, next - at));
    out.push_back(line.substr(at));
    return out;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            lines.push_back(line);
        at = end + 1;
    }
    return lines;
}

// "a<sep>b<sep>c" of two-digit numbers; false unless exactly three numbers.
bool ParseTriple(const std::string& s, char sep, int out[3]) {
    const std::vector<std::string> parts = Split(s, sep);
    if (parts.size() != 3)
        return false;
    for (int i = 0; i < 3; ++i) {
        const std::string& p = parts[std::size_t(i)];
        if (p.empty() || p.size() > 3 || !std::all_of(p.begin(), p.end(), ::isdigit))
            return false;
        out[i] = std::atoi(p.c_str());
    }
    return true;
}

// A value as written: digits, a leading '-', and one decimal separator of any kind.
std::optional<double> ParseValue(const std::string& s) {
    if (s.empty())
        return std::nullopt;
    std::string plain;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c >= '0' && c <= '9')
            plain.push_back(c);
        else if (c == '-' && i == 0)
            plain.push_back(c);
        else
            plain.push_back('.');
    }
    char* end = nullptr;
    const double v = std::strtod(plain.c_str(), &end);
    if (end == plain.c_str() || *end != '\0')
        return std::nullopt;
    return v;
}

double MedianInterval(const std::vector<std::int64_t>& times) {
    std::vector<std::int64_t> steps;
    for (std::size_t i = 1; i < times.size(); ++i)
        if (times[i] > times[i - 1])
            steps.push_back(times[i] - times[i - 1]);
    if (steps.empty())
        return 0;
    std::nth_element(steps.begin(), steps.begin() + std::ptrdiff_t(steps.size() / 2), steps.end());
    return double(steps[steps.size() / 2]);
}

} // namespace

std::int64_t CivilSeconds(int yy, int month, int day, int hour, int minute, int second) {
    // Days from civil (proleptic Gregorian), counted from 2000-01-01.
    int y = 2000 + yy - (month <= 2 ? 1 : 0);
    const int era = y / 400;
    const int yoe = y - era * 400;
    const int mp = (month + 9) % 12;
    const int doy = (153 * mp + 2) / 5 + day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const std::int64_t days = std::int64_t(era) * 146097 + doe - 730425;
    return ((days * 24 + hour) * 60 + minute) * 60 + second;
}

std::string ChannelUnit(const std::string& channelName) {
    if (channelName.empty() || channelName.back() != ')')
        return {};
    const std::size_t open = channelName.rfind(" (");
    if (open == std::string::npos)
        return {};
    return channelName.substr(open + 2, channelName.size() - open - 3);
}

std::vector<ChartPane> PanesByUnit(const DatalogChartData& data) {
    std::vector<ChartPane> panes;
    for (std::size_t c = 0; c < data.channels.size(); ++c) {
        const std::string unit = ChannelUnit(data.channels[c].name);
        auto pane = std::find_if(panes.begin(), panes.end(),
                                 [&unit](const ChartPane& p) { return p.unit == unit; });
        if (pane == panes.end())
            pane = panes.insert(panes.end(), ChartPane{unit, {}});
        pane->channels.push_back(c);
    }
    return panes;
}

std::optional<DatalogChartData> ParseDatalogCsvText(const std::string& text,
                                                    const std::string& title, std::string& error) {
    const std::vector<std::string> lines = Lines(text);
    const std::size_t dateLength = sizeof kDateColumn - 1;
    if (lines.empty() || lines[0].compare(0, dateLength, kDateColumn) != 0 ||
        lines[0].size() <= dateLength) {
        error = title + " is not a datalog CSV file.";
        return std::nullopt;
    }
    const char sep = lines[0][dateLength];
    std::vector<std::string> header = Split(lines[0], sep);
    if (!header.empty() && header.back().empty())
        header.pop_back(); // the header ends with a separator
    if (header.size() < 2) {
        error = title + " is not a datalog CSV file.";
        return std::nullopt;
    }
    DatalogChartData data;
    data.title = title;
    for (std::size_t c = 2; c < header.size(); ++c)
        data.channels.push_back(
            {model::AnsiToUtf8(reinterpret_cast<const std::uint8_t*>(header[c].data()),
                               header[c].size()),
             {}});

    struct Row {
        std::int64_t t;
        std::vector<std::optional<double>> values;
    };
    std::vector<Row> rows;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> fields = Split(lines[i], sep);
        int date[3], time[3];
        if (fields.size() < 2 || !ParseTriple(fields[0], '/', date) ||
            !ParseTriple(fields[1], ':', time)) {
            error = title + ": line " + std::to_string(i + 1) + " is not a datalog record.";
            return std::nullopt;
        }
        Row row{CivilSeconds(date[2], date[1], date[0], time[0], time[1], time[2]), {}};
        for (std::size_t c = 0; c < data.channels.size(); ++c)
            row.values.push_back(2 + c < fields.size() ? ParseValue(fields[2 + c]) : std::nullopt);
        rows.push_back(std::move(row));
    }
    data.records = rows.size();

    std::vector<std::int64_t> times;
    for (const Row& r : rows)
        times.push_back(r.t);
    const double period = MedianInterval(times);
    for (std::size_t c = 0; c < data.channels.size(); ++c) {
        std::vector<ChartSegment>& segments = data.channels[c].segments;
        bool open = false;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const std::optional<double>& v = rows[i].values[c];
            const bool jump =
                i > 0 && period > 0 && double(rows[i].t - rows[i - 1].t) > kGapFactor * period;
            if (!v || jump)
                open = false;
            if (!v)
                continue;
            if (!open)
                segments.emplace_back();
            segments.back().push_back({rows[i].t, *v});
            open = true;
        }
    }
    return data;
}

} // namespace transfer
