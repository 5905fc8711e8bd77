// The simulator's BLE options: parsing, and the dongle they make.
#include <gtest/gtest.h>

#include "sim/ble_options.h"

namespace {

bool Parse(std::vector<std::string> args, sim::BleSimOptions* o, std::string* error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (!sim::ParseBleOption(args, &i, o, error) || !error->empty())
            return false;
    }
    return true;
}

TEST(BleSimOptions, ParsesIntoTheDongleOptions) {
    sim::BleSimOptions o;
    std::string error;
    ASSERT_TRUE(Parse({"--ble-name", "ttyB", "--ble-interval-ms", "7.5", "--ble-address",
                       "A2:7B:C4:1D:5E:01", "--ble-others", "3", "--ble-nameless",
                       "--ble-duplicate", "--ble-fault-unknown"},
                      &o, &error))
        << error;
    sim::BleDongleOptions d = sim::MakeDongleOptions(o, "/tmp/dev", "Pump house");
    EXPECT_EQ(d.name, "ttyB");
    EXPECT_EQ(d.dev_dir, "/tmp/dev");
    EXPECT_EQ(d.interval_us, 7500);
    // Shown most significant first, carried least significant first.
    EXPECT_EQ(d.controller.address, (bgapi::Address{0x01, 0x5E, 0x1D, 0xC4, 0x7B, 0xA2}));
    EXPECT_EQ(d.controller.name, "Pump house");
    ASSERT_EQ(d.others.size(), 5u); // three named, one nameless, one duplicate
    EXPECT_FALSE(d.others[3].name_first);
    EXPECT_EQ(d.others[4].address, d.others[0].address);
    EXPECT_TRUE(d.fault_unknown_message);
    EXPECT_FALSE(d.fault_never_back);
}

TEST(BleSimOptions, RefusesBadValuesAndLeavesOtherOptions) {
    for (std::vector<std::string> bad : {std::vector<std::string>{"--ble-name", "a/b"},
                                         {"--ble-name", "ttyTOOLONG"},
                                         {"--ble-interval-ms", "fast"},
                                         {"--ble-interval-ms", "-1"},
                                         {"--ble-address", "A2:7B:C4:1D:5E"},
                                         {"--ble-address", "A2:7B:C4:1D:5E:00:11"},
                                         {"--ble-others", "2.5"},
                                         {"--ble-interval-ms"}}) {
        sim::BleSimOptions o;
        std::string error;
        EXPECT_FALSE(Parse(bad, &o, &error)) << bad[0];
        EXPECT_FALSE(error.empty()) << bad[0];
    }
    sim::BleSimOptions o;
    std::vector<std::string> args{"--usb-name", "x"};
    std::size_t i = 0;
    std::string error;
    EXPECT_FALSE(sim::ParseBleOption(args, &i, &o, &error));
    EXPECT_EQ(i, 0u);
    EXPECT_TRUE(error.empty());
}

} // namespace
