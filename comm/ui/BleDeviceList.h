// The devices a BLE scan found, as the "Bluetooth settings" dialog keeps and shows them.
//
// PARAM_BLE (270 bytes), one device of a scan:
//   offset size  content
//      0   256   advertised name, NUL-padded
//    256     6   device address, least significant byte first
//    262     8   zero
// The scan output (command 9 of the BLE library) is one count byte followed by that many
// records, at most 32.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <vector>

struct PARAM_BLE {
    std::array<std::uint8_t, 270> bytes{};

    static constexpr std::size_t kSize = 270;
    static constexpr std::size_t kName = 0, kNameSize = 256;
    static constexpr std::size_t kAddress = 256, kAddressSize = 6;

    std::string Name() const;
    std::array<std::uint8_t, 6> Address() const;
    bool operator==(const PARAM_BLE& other) const { return bytes == other.bytes; }
};

constexpr std::size_t kMaxScanDevices = 32;
constexpr std::size_t kScanBufferSize = 1 + kMaxScanDevices * PARAM_BLE::kSize;

// One row of the device list.
struct BleDeviceRow {
    std::string label;  // "Label": the first 18 characters of the name
    std::string mac;    // "Mac address": most significant byte first, "%02X:" separated
    std::string hidden; // the 6 address bytes as characters, each zero byte written '0'
};

class BleDeviceList {
  public:
    // Adds the records of a scan buffer of `size` bytes, each at the front unless an
    // identical record is already listed. A count beyond what the buffer holds, or beyond
    // 32, is cut to what is there.
    void AddScan(const std::uint8_t* buffer, std::size_t size);
    void Clear() { devices_.clear(); }
    std::size_t Size() const { return devices_.size(); }
    // The list, front first.
    std::vector<BleDeviceRow> Rows() const;

    static BleDeviceRow RowOf(const PARAM_BLE& device);

  private:
    std::list<PARAM_BLE> devices_; // newest first
};
