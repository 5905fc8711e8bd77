#include "comm/CDllT71.h"

namespace {

// The version record as the library fills it: three little-endian 16-bit words.
constexpr std::size_t kVersionRecordSize = 6;

std::uint16_t Word(const std::uint8_t* bytes, std::size_t index) {
    return std::uint16_t(bytes[2 * index] | bytes[2 * index + 1] << 8);
}

} // namespace

int CDllT71::Load(const std::string& path) {
    Unload();
    major_ = minor_ = 255;
    if (!library_.Open(path))
        return 0;
    path_ = path;
    entry_ = reinterpret_cast<T71_COMM_Fn>(library_.Symbol("T71_COMM"));
    if (entry_ == nullptr) {
        Unload();
        return 0;
    }
    return 1;
}

void CDllT71::Unload() {
    CDllBase::Unload();
}

int CDllT71::GetVersion(t71::VersionRecord& record) {
    if (entry_ == nullptr) {
        Unload();
        return 0;
    }
    std::uint8_t bytes[kVersionRecordSize] = {};
    if (entry_(0, t71::kCmdVersion, bytes, nullptr, 0, 0, 0, 0, nullptr) != t71::kOk)
        return 0;
    record.code = Word(bytes, 0);
    record.major = Word(bytes, 1);
    record.minor = Word(bytes, 2);
    major_ = record.major;
    minor_ = record.minor;
    return 1;
}

int CDllT71::QueryStatus() {
    if (entry_ == nullptr) {
        Unload();
        return 0;
    }
    switch (entry_(0, t71::kCmdStatus, nullptr, nullptr, 0, 0, 0, 0, nullptr)) {
    case 2:
        status_ = 1;
        return 1;
    case 0:
        status_ = 0;
        return 1;
    default:
        return 0;
    }
}
