// One client and core server for a whole end-to-end test program, with the transport
// libraries of the program folder (QUORVEL_PROGRAM_DIR), as in the application.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace testsupport {

class ClientEnvironment : public ::testing::Environment {
  public:
    // `media`: the MoyenCom values whose libraries the tests need loaded.
    explicit ClientEnvironment(std::vector<std::uint32_t> media);
    void SetUp() override;
    void TearDown() override;

  private:
    std::vector<std::uint32_t> media_;
};

} // namespace testsupport
