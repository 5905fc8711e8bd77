#include "datalog/DatalogCsv.h"

#include <cstdlib>

namespace transfer {

namespace {

// Two digits, a leading 0 below 10 (a byte above 99 keeps all its digits).
void AppendTwoDigits(std::string& out, unsigned v) {
    if (v < 10)
        out.push_back('0');
    out += std::to_string(v);
}

void AppendRecordLine(std::string& out, const DatalogRecord& rec, const DatalogConfig& config,
                      const LabelTable& labels, int range, int channels) {
    const char sep = config.fieldSeparator;
    AppendTwoDigits(out, rec.day);
    out.push_back('/');
    AppendTwoDigits(out, rec.month);
    out.push_back('/');
    AppendTwoDigits(out, rec.year);
    out.push_back(sep);
    AppendTwoDigits(out, rec.hour);
    out.push_back(':');
    AppendTwoDigits(out, rec.minute);
    out.push_back(':');
    AppendTwoDigits(out, rec.second);
    const unsigned mask = config.mask[std::size_t(range)];
    for (int k = 0; k < channels; ++k) {
        if ((mask >> k & 1) == 0)
            continue;
        out.push_back(sep);
        if (rec.Holds(range, k))
            AppendDatalogValue(out, rec.Value(range, k),
                               labels[std::size_t(8 * range + k)].decimals,
                               config.decimalSeparator);
    }
    out += "\r\n";
}

bool HoldsAnyColumn(const DatalogRecord& rec, unsigned mask, int range, int channels) {
    for (int k = 0; k < channels; ++k)
        if ((mask >> k & 1) != 0 && rec.Holds(range, k))
            return true;
    return false;
}

} // namespace

int ChannelsOfRange(const DatalogConfig& config, int range) {
    return config.RangeWide(range) ? 4 : 8;
}

std::string DatalogCsvHeader(const DatalogConfig& config, const LabelTable& labels, int range) {
    const char sep = config.fieldSeparator;
    std::string out = "DATE(DD/MM/YY)";
    out.push_back(sep);
    out += "TIME(hh:mm:ss)";
    out.push_back(sep);
    const unsigned mask = config.mask[std::size_t(range)];
    for (int k = 0; k < ChannelsOfRange(config, range); ++k) {
        if ((mask >> k & 1) == 0)
            continue;
        const int channel = 8 * range + k + 1;
        const ChannelLabel& label = labels[std::size_t(channel - 1)];
        out += label.name.empty() ? "DATALOG_" + std::to_string(channel) : label.name;
        if (!label.unit.empty())
            out += " (" + label.unit + ")";
        out.push_back(sep);
    }
    out += "\r\n";
    return out;
}

void AppendDatalogValue(std::string& out, std::int32_t value, int decimals, char separator) {
    if (value < 0)
        out.push_back('-');
    std::string digits = std::to_string(std::llabs(std::int64_t(value)));
    if (decimals <= 0) {
        out += digits;
        return;
    }
    const auto d = std::size_t(decimals);
    if (digits.size() <= d)
        digits.insert(0, d + 1 - digits.size(), '0');
    out.append(digits, 0, digits.size() - d);
    out.push_back(separator);
    out.append(digits, digits.size() - d, d);
}

std::optional<std::string> BuildDatalogCsv(std::span<const std::uint8_t> memory,
                                           DatalogMemoryKind kind, const DatalogConfig& config,
                                           const LabelTable& labels, int range) {
    std::string out = DatalogCsvHeader(config, labels, range);
    const int channels = ChannelsOfRange(config, range);
    const unsigned mask = config.mask[std::size_t(range)];
    DatalogWalker walker(memory, kind,
                         {config.RangeWide(0), config.RangeWide(1), config.RangeWide(2)});
    while (auto rec = walker.Next())
        if (HoldsAnyColumn(*rec, mask, range, channels))
            AppendRecordLine(out, *rec, config, labels, range, channels);
    if (walker.end() == DatalogWalker::End::kLostSync && LayoutOf(kind).dropOnLostSync)
        return std::nullopt;
    return out;
}

} // namespace transfer
