#include "datalog/DatalogWalker.h"

#include <algorithm>
#include <bit>

namespace transfer {

namespace {
constexpr std::uint8_t kMarker = 0x0A;
constexpr std::uint8_t kMarkerWide = 0x09; // own memory: a record of 32-bit values
constexpr int kWideChannels = 4;
constexpr int kNarrowChannels = 8;

const DatalogLayout kOwnLayout{0, 11, 43, 2, 11, false};
const DatalogLayout kBoardLayout{4, 12, 60, 3, 12, true};
} // namespace

const DatalogLayout& LayoutOf(DatalogMemoryKind kind) {
    return kind == DatalogMemoryKind::kOwn ? kOwnLayout : kBoardLayout;
}

bool DatalogRecord::Holds(int range, int channel) const {
    const auto r = std::size_t(range);
    const int channels = wide_[r] ? kWideChannels : kNarrowChannels;
    return channel < channels && (mask_[r] >> channel & 1) != 0;
}

std::int32_t DatalogRecord::Value(int range, int channel) const {
    const auto r = std::size_t(range);
    // Values of the range's lower channels come first.
    const int before = std::popcount(unsigned(mask_[r]) & ((1u << channel) - 1));
    if (wide_[r]) {
        const std::uint8_t* p = values_[r] + 4 * before;
        return std::int32_t(std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 |
                            std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24);
    }
    const std::uint8_t* p = values_[r] + 2 * before;
    return std::int16_t(std::uint16_t(p[0] | p[1] << 8));
}

DatalogWalker::DatalogWalker(std::span<const std::uint8_t> memory, DatalogMemoryKind kind,
                             const std::array<bool, kDatalogRanges>& wideRanges)
    : memory_(memory), layout_(LayoutOf(kind)), wide_(wideRanges), at_(layout_.start) {
    if (kind == DatalogMemoryKind::kOwn && !memory_.empty() && memory_[0] == 0xFF)
        at_ = 1;
}

// An end-of-data run where a record should start; a run cut by the memory's end counts.
bool DatalogWalker::AtEndOfData() const {
    const std::size_t n = std::min(layout_.endRun, memory_.size() - at_);
    return std::all_of(memory_.begin() + std::ptrdiff_t(at_),
                       memory_.begin() + std::ptrdiff_t(at_ + n),
                       [](std::uint8_t b) { return b == 0xFF; });
}

// The next marker among the `window` bytes from the damaged record on.
bool DatalogWalker::Resynchronise() {
    const std::size_t last = std::min(at_ + layout_.window - 1, memory_.size() - 1);
    for (std::size_t i = at_ + 1; i <= last; ++i) {
        if (memory_[i] == kMarker) {
            at_ = i;
            return true;
        }
    }
    return false;
}

std::optional<DatalogRecord> DatalogWalker::Next() {
    while (!done_) {
        if (at_ >= memory_.size() || AtEndOfData()) {
            done_ = true;
            end_ = End::kEndOfData;
            break;
        }
        const std::uint8_t marker = memory_[at_];
        const bool isMarker =
            marker == kMarker || (marker == kMarkerWide && layout_.maskBytes == 2);
        if (isMarker)
            return ReadRecord();
        if (!Resynchronise()) {
            done_ = true;
            end_ = End::kLostSync;
        }
    }
    return std::nullopt;
}

// The record at at_, when all of it lies inside the memory; the walk ends otherwise.
std::optional<DatalogRecord> DatalogWalker::ReadRecord() {
    const std::size_t size = memory_.size();
    const std::uint8_t* p = memory_.data() + at_;
    if (size - at_ < layout_.fixedLength) {
        done_ = true;
        return std::nullopt;
    }
    DatalogRecord rec;
    rec.second = p[1];
    rec.minute = p[2];
    rec.hour = p[3];
    rec.day = p[5];
    rec.month = p[6];
    rec.year = p[7];
    const bool wideRecord = p[0] == kMarkerWide;
    std::size_t bits = 0;
    std::size_t valueAt = at_ + 8 + layout_.maskBytes;
    for (std::size_t r = 0; r < layout_.maskBytes; ++r) {
        const std::uint8_t mask = p[8 + r];
        bits += std::size_t(std::popcount(mask));
        rec.wide_[r] = wideRecord || wide_[r];
        rec.mask_[r] = rec.wide_[r] ? mask & 0x0F : mask;
        rec.values_[r] = memory_.data() + valueAt;
        valueAt += std::size_t(std::popcount(rec.mask_[r])) * (rec.wide_[r] ? 4 : 2);
    }
    const std::size_t length = layout_.fixedLength + 2 * bits;
    // The record and every value it claims must lie inside the memory.
    if (length > size - at_ || valueAt > size) {
        done_ = true;
        return std::nullopt;
    }
    at_ += length;
    return rec;
}

} // namespace transfer
