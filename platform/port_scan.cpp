#include "platform/port_scan.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/device_folder.h"

namespace fs = std::filesystem;

namespace platform {

namespace {

bool StartsWith(const std::string& s, const char* prefix) {
    return s.rfind(prefix, 0) == 0;
}

std::string FirstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
        line.pop_back();
    return line;
}

fs::path TtyClassFolder(const std::string& name) {
    return fs::path(SysfsFolder()) / "class" / "tty" / name;
}

bool IsCharacterDevice(const fs::path& path) {
    std::error_code ec;
    return fs::is_character_file(path, ec); // follows the simulator's links to its terminals
}

// A legacy ttyS port is listed only when a real device stands behind it: the kernel creates
// ttyS0..ttyS31 whether or not a UART exists, and those phantom ports hang off the
// "serial8250" platform device.
bool IsRealLegacyPort(const std::string& name) {
    std::error_code ec;
    fs::path device = TtyClassFolder(name) / "device";
    if (!fs::exists(device, ec))
        return false;
    fs::path subsystem = fs::canonical(device / "subsystem", ec);
    return !ec && subsystem.filename() != "platform";
}

// "<manufacturer> <product> (<name>)" from the USB device above the tty in sysfs.
std::string SysfsFriendlyName(const std::string& name) {
    std::error_code ec;
    fs::path dir = fs::canonical(TtyClassFolder(name) / "device", ec);
    for (int depth = 0; !ec && depth < 4 && dir.has_parent_path(); ++depth) {
        if (fs::exists(dir / "idVendor", ec)) {
            std::string text = FirstLine(dir / "manufacturer");
            std::string product = FirstLine(dir / "product");
            if (!product.empty())
                text += (text.empty() ? "" : " ") + product;
            return text.empty() ? std::string() : text + " (" + name + ")";
        }
        dir = dir.parent_path();
    }
    return {};
}

// The friendly name a simulated port publishes in "<name>.name"; the port name is added in
// parentheses when the file does not carry it.
std::string PublishedFriendlyName(const fs::path& file, const std::string& name) {
    std::string text = FirstLine(file);
    if (text.empty())
        return {};
    if (text.find('(') == std::string::npos)
        text += " (" + name + ")";
    return text;
}

// Splits a name into its text and trailing number for ordering.
std::pair<std::string, long> SplitNumber(const std::string& s) {
    std::size_t end = s.size();
    while (end > 0 && s[end - 1] >= '0' && s[end - 1] <= '9')
        --end;
    long number = -1;
    if (end < s.size() && s.size() - end < 10)
        number = std::stol(s.substr(end));
    return {s.substr(0, end), number};
}

} // namespace

bool PortNameLess(const std::string& a, const std::string& b) {
    auto [textA, numberA] = SplitNumber(a);
    auto [textB, numberB] = SplitNumber(b);
    if (textA != textB)
        return textA < textB;
    if (numberA != numberB)
        return numberA < numberB;
    return a < b;
}

std::vector<SerialPortInfo> ScanSerialPorts() {
    std::vector<SerialPortInfo> ports;
    fs::path folder = DeviceFolder();
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name.size() > 5 && name.compare(name.size() - 5, 5, ".name") == 0)
            continue;
        fs::path published = folder / (name + ".name");
        bool simulated = fs::exists(published, ec);
        bool serial = StartsWith(name, "ttyUSB") || StartsWith(name, "ttyACM") ||
                      (StartsWith(name, "ttyS") && IsRealLegacyPort(name));
        if ((!simulated && !serial) || !IsCharacterDevice(it->path()))
            continue;
        ports.push_back(
            {name, simulated ? PublishedFriendlyName(published, name) : SysfsFriendlyName(name)});
    }
    std::sort(ports.begin(), ports.end(), [](const SerialPortInfo& a, const SerialPortInfo& b) {
        return PortNameLess(a.name, b.name);
    });
    return ports;
}

} // namespace platform
