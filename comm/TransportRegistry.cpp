#include "comm/TransportRegistry.h"

TransportRegistry& TransportRegistry::Instance() {
    // Never destroyed: a library must stay mapped while any thread may still call it.
    static TransportRegistry* registry = new TransportRegistry();
    return *registry;
}

CDllT71* TransportRegistry::ForMedium(std::uint32_t medium) {
    switch (medium) {
    case 0:
        return &usb_;
    case 1:
        return &ethernet_;
    case 2:
        return &ble_;
    default:
        return nullptr;
    }
}

namespace {

bool LoadOne(CDllT71& wrapper, const std::string& folder, const char* fileName) {
    if (wrapper.Load(folder + fileName) == 0)
        return false;
    t71::VersionRecord record{};
    wrapper.GetVersion(record);
    return true;
}

} // namespace

int LoadTransportLibraries(const std::string& folder) {
    TransportRegistry& registry = TransportRegistry::Instance();
    registry.Usb().Unload();
    registry.Ethernet().Unload();
    registry.Ble().Unload();
    bool all = LoadOne(registry.Usb(), folder, CDllT71HB10::kFileName) &&
               LoadOne(registry.Ethernet(), folder, CDllT71HB20::kFileName) &&
               LoadOne(registry.Ble(), folder, CDllT71HB30_BLEDongle::kFileName);
    return all ? 1 : 0;
}
