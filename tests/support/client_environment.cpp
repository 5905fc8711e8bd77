#include "tests/support/client_environment.h"

#include <cstdlib>
#include <string>
#include <utility>

#include "comm/Startup.h"
#include "comm/TransportRegistry.h"

namespace testsupport {

ClientEnvironment::ClientEnvironment(std::vector<std::uint32_t> media) : media_(std::move(media)) {}

void ClientEnvironment::SetUp() {
    const char* dir = std::getenv("QUORVEL_PROGRAM_DIR");
    ASSERT_NE(dir, nullptr);
    QuorvelStartup(std::string(dir) + "/");
    for (std::uint32_t medium : media_) {
        CDllT71* library = TransportRegistry::Instance().ForMedium(medium);
        ASSERT_NE(library, nullptr) << "medium " << medium;
        ASSERT_NE(library->Entry(), nullptr) << "medium " << medium;
    }
}

void ClientEnvironment::TearDown() {
    QuorvelShutdown();
}

} // namespace testsupport
