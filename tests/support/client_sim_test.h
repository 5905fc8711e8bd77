// What the end-to-end tests over the client API share: a fixture that starts quorvel-sim with
// the transport libraries looking for ports in its device folder, and the read/write round
// trips every link must carry.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "comm/CComClient.h"
#include "platform/device_folder.h"
#include "tests/support/byte_pattern.h"
#include "tests/support/sim_fixture.h"

namespace testsupport {

// `Base` is ::testing::Test or a ::testing::TestWithParam. The client is disconnected and the
// simulator stopped after each test.
template <typename Base = ::testing::Test> class ClientSimTest : public Base {
  protected:
    void TearDown() override {
        client.Deconnect();
        sim_.reset();
        unsetenv(platform::kDevDirVariable);
    }

    // Starts the simulator with the extra options `args` and points the libraries' device
    // folder at its own; a failure carries the simulator's error.
    ::testing::AssertionResult StartSim(std::vector<std::string> args) {
        simtest::SimConfig config;
        config.args = std::move(args);
        sim_ = std::make_unique<simtest::SimProcess>(config);
        std::string error;
        bool started = sim_->Start(&error);
        setenv(platform::kDevDirVariable, sim_->dev_dir().c_str(), 1);
        if (!started)
            return ::testing::AssertionFailure() << error;
        return ::testing::AssertionSuccess();
    }

    CComClient& client = CComClient::Instance();
    std::unique_ptr<simtest::SimProcess> sim_;
};

// Writes and reads back the parameters area (first kind) and the daughter board's parameters
// (second kind) of a connected kz9 controller. Call through ASSERT_NO_FATAL_FAILURE.
inline void CheckParameterRoundTrips(CComClient& client, std::uint32_t timeoutMs) {
    std::vector<std::uint8_t> params = Pattern(600, 0x21);
    ASSERT_EQ(client.SendWrite(params.data(), 0x80000, std::uint32_t(params.size()), timeoutMs), 0);
    std::vector<std::uint8_t> back(params.size());
    ASSERT_EQ(client.SendRead(back.data(), 0x80000, std::uint32_t(back.size()), timeoutMs), 0);
    EXPECT_EQ(back, params);

    std::vector<std::uint8_t> board = Pattern(462, 0x77);
    ASSERT_EQ(client.SendWriteCF(board.data(), 0x48119000, std::uint32_t(board.size()), timeoutMs),
              0);
    std::vector<std::uint8_t> boardBack(board.size());
    ASSERT_EQ(
        client.SendReadCF(boardBack.data(), 0x48119000, std::uint32_t(boardBack.size()), timeoutMs),
        0);
    EXPECT_EQ(boardBack, board);
}

} // namespace testsupport
