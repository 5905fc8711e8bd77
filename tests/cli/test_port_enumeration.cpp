#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "comm/PortEnumeration.h"
#include "platform/port_scan.h"

namespace fs = std::filesystem;
using comm::BuildPortList;
using comm::PortNameFromEntry;
using Strings = std::vector<std::string>;

TEST(PortList, WithoutPortsHoldsOneUnannotatedEntry) {
    EXPECT_EQ(BuildPortList({}, {"Vellmor kz9 (ttyACM0)"}), Strings{"No Active Ports Found"});
}

TEST(PortList, AnnotatesControllerCablesAndDongles) {
    Strings list = BuildPortList({"ttyACM4", "ttyACM7", "ttyS0"},
                                 {"Bluegiga Bluetooth Low Energy (ttyACM7)",
                                  "Vellmor Controller kz9 (ttyACM4)", "Some modem (ttyS0)"});
    EXPECT_EQ(list, (Strings{"ttyACM4 (USB)", "ttyACM7 (BLE)", "ttyS0"}));
    // "Vellmor" needs its trailing space; "kz9" alone is enough.
    EXPECT_EQ(BuildPortList({"ttyUSB0"}, {"Vellmor(ttyUSB0)"}), Strings{"ttyUSB0"});
    EXPECT_EQ(BuildPortList({"ttyUSB0"}, {"acme kz9 cable (ttyUSB0)"}), Strings{"ttyUSB0 (USB)"});
}

TEST(PortList, ANameContainedInAnotherIsNotTakenForIt) {
    Strings list = BuildPortList({"ttyS1", "ttyS12"}, {"Vellmor kz9 (ttyS12)"});
    EXPECT_EQ(list, (Strings{"ttyS1", "ttyS12 (USB)"}));
    list = BuildPortList({"ttyS1", "ttyS12"}, {"Vellmor kz9 (ttyS1)"});
    EXPECT_EQ(list, (Strings{"ttyS1 (USB)", "ttyS12"}));
}

TEST(PortList, TheFirstMatchingEntryEndsTheWalkEvenWithoutAnnotation) {
    // No parentheses: the inner text is the whole name, which no entry contains.
    EXPECT_EQ(BuildPortList({"ttyACM0"}, {"Vellmor kz9 ttyACM0"}), Strings{"ttyACM0"});
    // Malformed parentheses do not crash and fall back to the whole name.
    EXPECT_EQ(BuildPortList({"ttyACM0"}, {") Vellmor kz9 (ttyACM0"}), Strings{"ttyACM0"});
    // An empty inner text matches the first entry the name contains.
    EXPECT_EQ(BuildPortList({"ttyA", "ttyACM0"}, {"Vellmor kz9 () ttyACM0"}),
              (Strings{"ttyA (USB)", "ttyACM0"}));
}

TEST(PortList, PortNameDropsTheAnnotationAndKeepsSevenCharacters) {
    EXPECT_EQ(PortNameFromEntry("ttyACM0 (USB)"), "ttyACM0");
    EXPECT_EQ(PortNameFromEntry("ttyS3"), "ttyS3");
    EXPECT_EQ(PortNameFromEntry("ttyUSB10 (BLE)"), "ttyUSB1");
    EXPECT_EQ(PortNameFromEntry(" (USB)"), "");
}

TEST(PortScan, NamesOrderNumbersAsNumbers) {
    Strings names = {"ttyACM10", "ttyUSB0", "ttyACM2", "ttyS1", "ttyACM"};
    std::sort(names.begin(), names.end(), platform::PortNameLess);
    EXPECT_EQ(names, (Strings{"ttyACM", "ttyACM2", "ttyACM10", "ttyS1", "ttyUSB0"}));
}

TEST(PortScan, ListsTheDeviceFolderWithPublishedFriendlyNames) {
    fs::path dir = fs::temp_directory_path() / ("quorvel-ports-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::create_symlink("/dev/null", dir / "ttyQV1");
    std::ofstream(dir / "ttyQV1.name") << "Vellmor kz9 USB\n";
    fs::create_symlink("/dev/null", dir / "ttyQB0");
    std::ofstream(dir / "ttyQB0.name") << "Bluegiga Bluetooth Low Energy (ttyQB0)\n";
    fs::create_symlink("/dev/null", dir / "ttyACM3");
    std::ofstream(dir / "ttyQV9.name") << "Vellmor kz9 USB\n"; // no device beside it
    std::ofstream(dir / "ttyUSB0") << "a plain file is no serial device";
    std::ofstream(dir / "notes") << "";
    ::setenv("QUORVEL_DEV_DIR", dir.c_str(), 1);

    std::vector<platform::SerialPortInfo> ports = platform::ScanSerialPorts();
    ASSERT_EQ(ports.size(), 3u);
    EXPECT_EQ(ports[0].name, "ttyACM3");
    EXPECT_EQ(ports[1].name, "ttyQB0");
    EXPECT_EQ(ports[1].friendlyName, "Bluegiga Bluetooth Low Energy (ttyQB0)");
    EXPECT_EQ(ports[2].name, "ttyQV1");
    EXPECT_EQ(ports[2].friendlyName, "Vellmor kz9 USB (ttyQV1)");

    EXPECT_EQ(comm::EnumeratePorts(), (Strings{"ttyACM3", "ttyQB0 (BLE)", "ttyQV1 (USB)"}));
    EXPECT_EQ(comm::PortList().size(), 3u);

    fs::remove_all(dir);
    EXPECT_EQ(comm::EnumeratePorts(), Strings{"No Active Ports Found"});
    ::unsetenv("QUORVEL_DEV_DIR");
}

// Copied device trees of a real machine (tests/platform/sysfs_trees): a controller's CDC-ACM
// cable, the BLE dongle, an FTDI adapter, a legacy UART on the PNP bus, a phantom ttyS of
// the serial8250 platform device, and a ttyS without any device.
TEST(PortScan, RealPortsTakeTheirNamesAndMarksFromTheDeviceTree) {
    fs::path dir = fs::temp_directory_path() / ("quorvel-sysports-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (const char* name : {"ttyACM0", "ttyACM1", "ttyUSB0", "ttyS0", "ttyS1", "ttyS2"})
        fs::create_symlink("/dev/null", dir / name);
    ::setenv("QUORVEL_DEV_DIR", dir.c_str(), 1);
    ::setenv("QUORVEL_SYS_DIR", SYSFS_TREES, 1);

    std::vector<platform::SerialPortInfo> ports = platform::ScanSerialPorts();
    Strings names, friendly;
    for (const platform::SerialPortInfo& port : ports) {
        names.push_back(port.name);
        friendly.push_back(port.friendlyName);
    }
    EXPECT_EQ(names, (Strings{"ttyACM0", "ttyACM1", "ttyS0", "ttyUSB0"}));
    EXPECT_EQ(friendly, (Strings{"Vellmor Controller kz9 (ttyACM0)",
                                 "Bluegiga Bluetooth Low Energy (ttyACM1)", "",
                                 "FTDI FT232R USB UART (ttyUSB0)"}));
    EXPECT_EQ(comm::EnumeratePorts(),
              (Strings{"ttyACM0 (USB)", "ttyACM1 (BLE)", "ttyS0", "ttyUSB0"}));

    fs::remove_all(dir);
    ::unsetenv("QUORVEL_DEV_DIR");
    ::unsetenv("QUORVEL_SYS_DIR");
}
