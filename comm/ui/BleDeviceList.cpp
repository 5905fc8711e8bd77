#include "comm/ui/BleDeviceList.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

std::string PARAM_BLE::Name() const {
    std::size_t n = 0;
    while (n < kNameSize && bytes[kName + n] != 0)
        ++n;
    return std::string(reinterpret_cast<const char*>(bytes.data() + kName), n);
}

std::array<std::uint8_t, 6> PARAM_BLE::Address() const {
    std::array<std::uint8_t, 6> out{};
    std::copy_n(bytes.begin() + kAddress, kAddressSize, out.begin());
    return out;
}

void BleDeviceList::AddScan(const std::uint8_t* buffer, std::size_t size) {
    if (!buffer || size == 0)
        return;
    std::size_t count = buffer[0];
    std::size_t fits = (size - 1) / PARAM_BLE::kSize;
    count = std::min({count, fits, kMaxScanDevices});
    for (std::size_t i = 0; i < count; ++i) {
        PARAM_BLE device;
        std::memcpy(device.bytes.data(), buffer + 1 + i * PARAM_BLE::kSize, PARAM_BLE::kSize);
        if (std::find(devices_.begin(), devices_.end(), device) == devices_.end())
            devices_.push_front(device);
    }
}

BleDeviceRow BleDeviceList::RowOf(const PARAM_BLE& device) {
    BleDeviceRow row;
    row.label = device.Name().substr(0, 18);
    auto a = device.Address();
    char mac[18];
    std::snprintf(mac, sizeof mac, "%02X:%02X:%02X:%02X:%02X:%02X", a[5], a[4], a[3], a[2], a[1],
                  a[0]);
    row.mac = mac;
    for (std::uint8_t b : a)
        row.hidden.push_back(b == 0 ? '0' : static_cast<char>(b));
    return row;
}

std::vector<BleDeviceRow> BleDeviceList::Rows() const {
    std::vector<BleDeviceRow> rows;
    for (const PARAM_BLE& d : devices_)
        rows.push_back(RowOf(d));
    return rows;
}
