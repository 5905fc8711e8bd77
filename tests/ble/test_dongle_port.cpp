// The dongle's serial port over a pseudo-terminal pair: exact reads with time-outs, reads
// that arrive in parts, and a device that goes away.
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "ble/dongle_port.h"

namespace {

class DonglePortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/hb30-port-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        ::setenv("QUORVEL_DEV_DIR", dir_.c_str(), 1);
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master_, 0);
        ASSERT_EQ(::grantpt(master_), 0);
        ASSERT_EQ(::unlockpt(master_), 0);
        ASSERT_EQ(::symlink(::ptsname(master_), (dir_ + "/ttyT0").c_str()), 0);
    }
    void TearDown() override {
        port_.Close();
        if (master_ >= 0)
            ::close(master_);
        ::unlink((dir_ + "/ttyT0").c_str());
        ::rmdir(dir_.c_str());
    }
    void FromDongle(const std::string& bytes) {
        ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }

    std::string dir_;
    int master_ = -1;
    hb30::DonglePort port_;
};

TEST_F(DonglePortTest, OpensOnlyPortNamesOfTheDeviceFolder) {
    EXPECT_FALSE(port_.Open(""));
    EXPECT_FALSE(port_.Open("../ttyT0"));
    EXPECT_FALSE(port_.Open("ttyNONE"));
    EXPECT_TRUE(port_.Open("ttyT0"));
}

TEST_F(DonglePortTest, ReadsExactlyAndKeepsPartsTogether) {
    ASSERT_TRUE(port_.Open("ttyT0"));
    std::uint8_t buf[4] = {};
    EXPECT_EQ(port_.Read(buf, 4, 0), 0);
    EXPECT_EQ(port_.Read(buf, 4, 50), 0);

    FromDongle("\x80\x03");
    std::thread late([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        FromDongle("\x03\x04");
    });
    // Even a caller looking only at what is queued gets the whole header once it began.
    int n = port_.Read(buf, 4, 0);
    late.join();
    ASSERT_EQ(n, 4);
    EXPECT_EQ(buf[0], 0x80);
    EXPECT_EQ(buf[3], 0x04);

    const std::uint8_t out[] = {0x00, 0x01, 0x06, 0x02, 0x01};
    ASSERT_TRUE(port_.Write(out, sizeof out));
    std::uint8_t seen[5] = {};
    ASSERT_EQ(::read(master_, seen, sizeof seen), 5);
    EXPECT_EQ(seen[2], 0x06);
}

TEST_F(DonglePortTest, DeviceThatGoesAwayFailsTheRead) {
    ASSERT_TRUE(port_.Open("ttyT0"));
    ::close(master_);
    master_ = -1;
    std::uint8_t buf[4];
    EXPECT_EQ(port_.Read(buf, 4, 200), -1);
    EXPECT_NE(port_.LastError(), 0);
}

} // namespace
