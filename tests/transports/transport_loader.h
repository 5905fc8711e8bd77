// Loads a transport library from the program folder (QUORVEL_PROGRAM_DIR) the way the
// program does, and calls its T71_COMM with the program's usual arguments.
#pragma once

#include <cstdlib>
#include <dlfcn.h>
#include <stdexcept>
#include <string>
#include <vector>

#include "wire/t71.h"

namespace testpeer {

class Transport {
  public:
    explicit Transport(const std::string& stem) {
        const char* dir = std::getenv("QUORVEL_PROGRAM_DIR");
        std::string path = std::string(dir != nullptr ? dir : ".") + "/" + stem + ".so";
        // Loaded once per process and never unloaded, as the program does.
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr)
            throw std::runtime_error("cannot load " + path + ": " + dlerror());
        fn_ = reinterpret_cast<T71_COMM_Fn>(dlsym(handle, "T71_COMM"));
        if (fn_ == nullptr)
            throw std::runtime_error(path + " exports no T71_COMM");
    }

    PARAM_COM params = paramcom::Initial();
    int target = int(t71::kDefaultTarget);

    int Call(int command, int timeoutMs = 0, int count = 0, std::uint32_t address = 0,
             std::uint8_t* buffer = nullptr, void* info = nullptr) {
        return fn_(target, command, info, &params, timeoutMs, 0, count, address, buffer);
    }
    int Open(int timeoutMs = 5000) { return Call(t71::kCmdOpen, timeoutMs); }
    int Close() { return Call(t71::kCmdClose, 500); }
    int Read(int command, std::uint32_t address, std::vector<std::uint8_t>& out,
             int timeoutMs = 1000) {
        return Call(command, timeoutMs, int(out.size()), address, out.data());
    }
    int Write(int command, std::uint32_t address, std::vector<std::uint8_t> data,
              int timeoutMs = 1000) {
        return Call(command, timeoutMs, int(data.size()), address, data.data());
    }

  private:
    T71_COMM_Fn fn_ = nullptr;
};

} // namespace testpeer
