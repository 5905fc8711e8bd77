// The core server's link record: the live link parameter block handed to every
// transport call, the target address and the link-closed flag. One per process,
// created on first use and never destroyed.
#pragma once

#include <atomic>
#include <cstdint>

#include "wire/t71.h"

class CComManager {
  public:
    static CComManager& Instance();
    virtual ~CComManager() = default;

    std::uint32_t Medium() const { return paramcom::GetU32(param, paramcom::kMedium); }
    void SetMedium(std::uint32_t medium) { paramcom::SetU32(param, paramcom::kMedium, medium); }
    std::uint32_t TimeoutMs() const { return paramcom::GetU32(param, paramcom::kTimeout); }
    void SetTimeoutMs(std::uint32_t ms) { paramcom::SetU32(param, paramcom::kTimeout, ms); }

    // The block whose address is the parameter argument of every T71_COMM call.
    PARAM_COM param = paramcom::Initial();
    // Station address sent with every call; the last SET_COMM_PARAM sets it.
    std::uint32_t cible = t71::kDefaultTarget;
    // 1 closed (initially), 0 open; any other value is an error state. Written only by
    // the core server thread, read by the user interface.
    std::atomic<int> linkClosed{1};

  private:
    CComManager() = default;
};
