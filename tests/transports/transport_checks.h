// Checks that the USB and Ethernet library tests run alike on their own links.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "fake_controller.h"
#include "tests/support/byte_pattern.h"
#include "transport_loader.h"

namespace testpeer {

// Writes `size` bytes and reads them back with each of the three read/write command pairs,
// the first at `address` and each next one 0x1000 further: the controller must hold what
// was written, the read must return it, and the requests must carry each pair's function
// codes. Call through ASSERT_NO_FATAL_FAILURE.
inline void CheckReadsAndWritesOfAllThreeKinds(Transport& link, const FakeController& controller,
                                               std::uint32_t address, std::size_t size) {
    struct Kind {
        int read, write;
        std::uint8_t readFn, writeFn;
    };
    const Kind kinds[] = {{3, 4, 0x03, 0x10}, {7, 8, 0x13, 0x20}, {11, 12, 0x23, 0x30}};
    for (const Kind& k : kinds) {
        std::vector<std::uint8_t> data = testsupport::Pattern(size, std::uint8_t(k.write));
        ASSERT_EQ(link.Write(k.write, address, data), t71::kOk) << "command " << k.write;
        EXPECT_EQ(controller.Peek(address, data.size()), data) << "command " << k.write;
        std::vector<std::uint8_t> back(data.size());
        ASSERT_EQ(link.Read(k.read, address, back), t71::kOk) << "command " << k.read;
        EXPECT_EQ(back, data) << "command " << k.read;
        auto requests = controller.Requests();
        ASSERT_GE(requests.size(), 2u);
        EXPECT_EQ(requests[requests.size() - 2][1], k.writeFn);
        EXPECT_EQ(requests.back()[1], k.readFn);
        address += 0x1000;
    }
}

} // namespace testpeer
