// The device folder and the names that may be opened in it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/device_folder.h"

namespace {

TEST(DeviceFolder, FollowsTheEnvironmentAndRejectsNamesLeavingIt) {
    unsetenv(platform::kDevDirVariable);
    EXPECT_EQ(platform::DeviceFolder(), "/dev");
    EXPECT_EQ(platform::DevicePath("ttyACM0"), "/dev/ttyACM0");
    setenv(platform::kDevDirVariable, "", 1);
    EXPECT_EQ(platform::DeviceFolder(), "/dev") << "an empty variable counts as unset";
    setenv(platform::kDevDirVariable, "/tmp/sim-dev//", 1);
    EXPECT_EQ(platform::DevicePath("ttyQV1"), "/tmp/sim-dev/ttyQV1");
    for (const char* bad : {"", ".", "..", "../etc", "a/b", "/dev/tty"})
        EXPECT_FALSE(platform::DevicePath(bad).has_value()) << bad;
    unsetenv(platform::kDevDirVariable);
}

} // namespace
