// Flags of the core server loop and its own copy of the SSL peer name. One per
// process, created on first use.
#pragma once

#include <atomic>
#include <cstddef>

class CoreServerState {
  public:
    static CoreServerState& Instance();

    static constexpr std::size_t kSslPeerNameSize = 14;

    std::atomic<bool> monitoring{false};
    std::atomic<bool> stop{false};
    // The peer name of the last SET_COMM_PARAM that carried one (not NUL-terminated
    // when all 14 bytes are used).
    char sslPeerName[kSslPeerNameSize] = {};

  private:
    CoreServerState() = default;
};
