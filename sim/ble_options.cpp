#include "sim/ble_options.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>

namespace sim {

namespace {

bool ParseNumber(const std::string& s, double min, double max, double* out) {
    char* end = nullptr;
    double v = std::strtod(s.c_str(), &end);
    if (s.empty() || end == nullptr || *end != '\0' || !(v >= min && v <= max))
        return false;
    *out = v;
    return true;
}

// A setter of a whole number from `min` to `max`.
std::function<bool(const std::string&)> Integer(double min, double max, int* out) {
    return [=](const std::string& s) {
        double n = 0;
        const bool ok = ParseNumber(s, min, max, &n) && n == int(n);
        *out = int(n);
        return ok;
    };
}

// "AA:BB:CC:DD:EE:FF", most significant byte first as addresses are shown.
bool ParseAddress(const std::string& s, bgapi::Address* out) {
    unsigned b[6];
    char tail = 0;
    if (std::sscanf(s.c_str(), "%2x:%2x:%2x:%2x:%2x:%2x%c", &b[5], &b[4], &b[3], &b[2], &b[1],
                    &b[0], &tail) != 6)
        return false;
    for (int i = 0; i < 6; ++i)
        (*out)[std::size_t(i)] = std::uint8_t(b[i]);
    return true;
}

} // namespace

bool ParseBleOption(const std::vector<std::string>& args, std::size_t* i, BleSimOptions* o,
                    std::string* error) {
    const std::map<std::string, std::function<void()>> flags = {
        {"--ble-nameless", [&] { o->nameless = true; }},
        {"--ble-duplicate", [&] { o->duplicate = true; }},
        {"--ble-fault-never-back", [&] { o->fault_never_back = true; }},
        {"--ble-fault-unknown", [&] { o->fault_unknown_message = true; }},
        {"--ble-fault-silent", [&] { o->fault_silent = true; }},
    };
    using Setter = std::function<bool(const std::string&)>;
    const std::map<std::string, Setter> with_value = {
        {"--ble-name",
         [&](const std::string& s) {
             o->name = s;
             return s.size() <= 7 && s.find('/') == std::string::npos;
         }},
        {"--ble-interval-ms",
         [&](const std::string& s) { return ParseNumber(s, 0, 4000, &o->interval_ms); }},
        {"--ble-device-name",
         [&](const std::string& s) {
             o->device_name = s;
             return !s.empty() && s.size() <= 29;
         }},
        {"--ble-address",
         [&](const std::string& s) { return o->address_given = ParseAddress(s, &o->address); }},
        {"--ble-fault-reset-nth", Integer(1, 1e9, &o->fault_reset_nth)},
        {"--ble-others", Integer(0, 200, &o->others)},
    };
    const std::string& a = args[*i];
    if (auto f = flags.find(a); f != flags.end()) {
        f->second();
        return true;
    }
    auto s = with_value.find(a);
    if (s == with_value.end())
        return false;
    if (*i + 1 >= args.size()) {
        *error = a + " needs a value";
        return true;
    }
    ++*i;
    if (!s->second(args[*i]))
        *error = "bad value for " + a + ": " + args[*i];
    return true;
}

const char* BleUsage() {
    return "BLE dongle (BGAPI on a second pseudo-terminal):\n"
           "  --ble-name NAME        dongle port name in DIR (default ttySIM1; \"\" = none)\n"
           "  --ble-interval-ms X    emulated connection interval (default: unthrottled)\n"
           "  --ble-device-name TEXT name the controller advertises (default: its label)\n"
           "  --ble-address A:B:C:D:E:F  controller address (default A2:7B:C4:1D:5E:00)\n"
           "  --ble-others N         N other advertising devices in a scan\n"
           "  --ble-nameless         one more device whose first advertising element is no name\n"
           "  --ble-duplicate        the first other device advertises twice\n"
           "  --ble-fault-never-back the dongle does not come back after a reset\n"
           "  --ble-fault-unknown    an unknown BGAPI message before every answer\n"
           "  --ble-fault-silent     the dongle answers nothing\n"
           "  --ble-fault-reset-nth N  the dongle restarts by itself on the Nth request frame\n";
}

BleDongleOptions MakeDongleOptions(const BleSimOptions& o, const std::string& dev_dir,
                                   const std::string& label) {
    BleDongleOptions d;
    d.dev_dir = dev_dir;
    d.name = o.name;
    d.interval_us = int(o.interval_ms * 1000.0 + 0.5);
    if (!o.device_name.empty())
        d.controller.name = o.device_name;
    else if (!label.empty())
        d.controller.name = label;
    if (o.address_given)
        d.controller.address = o.address;
    d.others = MakeOtherAdvertisers(o.others, o.nameless, o.duplicate);
    d.fault_never_back = o.fault_never_back;
    d.fault_unknown_message = o.fault_unknown_message;
    d.fault_silent = o.fault_silent;
    d.fault_reset_nth = o.fault_reset_nth;
    return d;
}

} // namespace sim
