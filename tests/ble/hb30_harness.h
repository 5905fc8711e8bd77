// What the HB30 tests share: the library loaded the way the program loads it, a device
// folder of their own with the simulated dongle in it, and a small controller that keeps
// a memory and lets a test script odd answers.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <dlfcn.h>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "sim/ble_dongle.h"
#include "wire/frame_codec.h"
#include "wire/t71.h"

namespace hb30test {

constexpr std::int32_t kTarget = 247;
constexpr std::uint32_t kMediumBle = 2;

// HB30.so from the program folder, opened with dlopen as the program does.
class Hb30Library {
  public:
    Hb30Library() {
        const char* dir = std::getenv("QUORVEL_PROGRAM_DIR");
        std::string path = std::string(dir != nullptr ? dir : ".") + "/HB30.so";
        handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle_ != nullptr)
            fn_ = reinterpret_cast<T71_COMM_Fn>(::dlsym(handle_, "T71_COMM"));
    }
    ~Hb30Library() {
        if (handle_ != nullptr)
            ::dlclose(handle_);
    }
    bool Loaded() const { return fn_ != nullptr; }
    int Call(std::int32_t target, std::int32_t command, void* info, PARAM_COM* params,
             std::int32_t timeoutMs, std::int32_t count, std::uint32_t address,
             std::uint8_t* buffer) const {
        return fn_(target, command, info, params, timeoutMs, 0, count, address, buffer);
    }

  private:
    void* handle_ = nullptr;
    T71_COMM_Fn fn_ = nullptr;
};

// A controller with 64 KiB of memory: reads answer its bytes, writes store and echo, the
// write of command byte 7 at 0x7000 is never answered. `script` may answer first.
class FakeController {
  public:
    using Script = std::function<std::optional<wire::Bytes>(const wire::Bytes& body,
                                                            sim::AnswerFaults* faults)>;
    FakeController() : memory_(0x10000, 0) {}

    void SetScript(Script s) {
        std::lock_guard<std::mutex> lock(mutex_);
        script_ = std::move(s);
    }
    void Poke(std::uint32_t address, const std::vector<std::uint8_t>& bytes) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (std::size_t i = 0; i < bytes.size(); ++i)
            memory_[(address + i) & 0xFFFF] = bytes[i];
    }
    std::uint8_t Peek(std::uint32_t address) {
        std::lock_guard<std::mutex> lock(mutex_);
        return memory_[address & 0xFFFF];
    }

    wire::Bytes Handle(const wire::Bytes& body, sim::AnswerFaults* faults) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (script_) {
            if (auto answer = script_(body, faults))
                return *answer;
        }
        if (body.size() < 8)
            return {};
        std::uint8_t target = body[0], function = body[1];
        std::uint32_t address = wire::GetBE32(&body[2]);
        std::uint16_t count = wire::GetBE16(&body[6]);
        if (function == 0x03 || function == 0x13 || function == 0x23) {
            std::vector<std::uint8_t> data(count);
            for (std::size_t i = 0; i < count; ++i)
                data[i] = memory_[(address + i) & 0xFFFF];
            return wire::BuildReadAnswer(target, function, data.data(), count);
        }
        if (body.size() < 8u + count)
            return {};
        if (wire::IsUnansweredWrite(address, &body[8], count))
            return {};
        for (std::size_t i = 0; i < count; ++i)
            memory_[(address + i) & 0xFFFF] = body[8 + i];
        return wire::BuildWriteAnswer(target, function, address, count);
    }

  private:
    std::mutex mutex_;
    std::vector<std::uint8_t> memory_;
    Script script_;
};

// A private device folder (QUORVEL_DEV_DIR) holding one simulated dongle.
class DongleBench {
  public:
    explicit DongleBench(sim::BleDongleOptions options = {}) {
        char tmpl[] = "/tmp/hb30-test-XXXXXX";
        const char* dir = ::mkdtemp(tmpl);
        dir_ = dir != nullptr ? dir : "";
        ::setenv("QUORVEL_DEV_DIR", dir_.c_str(), 1);
        options.dev_dir = dir_;
        options_ = options;
        dongle_ = std::make_unique<sim::BleDongle>(
            options, [this](const wire::Bytes& b, sim::AnswerFaults* f) {
                return controller_.Handle(b, f);
            });
        dongle_->SetLinkClosedHandler([this] { ++linksClosed_; });
    }
    ~DongleBench() {
        dongle_->Stop();
        ::rmdir(dir_.c_str());
    }
    bool Start() {
        std::string error;
        bool ok = dongle_->Start(&error);
        EXPECT_TRUE(ok) << error;
        return ok;
    }

    // PARAM_COM for this dongle and the controller's address, time-out `timeoutMs`.
    PARAM_COM Params(std::uint32_t timeoutMs = 5000) const {
        PARAM_COM p = paramcom::Initial();
        paramcom::SetU32(p, paramcom::kMedium, kMediumBle);
        paramcom::SetString(p, paramcom::kDonglePort, paramcom::kDonglePortSize, options_.name,
                            paramcom::kMaxPortChars);
        paramcom::SetBleAddressRaw(p, options_.controller.address.data());
        paramcom::SetU32(p, paramcom::kTimeout, timeoutMs);
        return p;
    }

    sim::BleDongle& Dongle() { return *dongle_; }
    FakeController& Controller() { return controller_; }
    const std::string& Dir() const { return dir_; }
    // Connections the dongle has seen end.
    int LinksClosed() const { return linksClosed_.load(); }

  private:
    std::string dir_;
    sim::BleDongleOptions options_;
    FakeController controller_;
    std::unique_ptr<sim::BleDongle> dongle_;
    std::atomic<int> linksClosed_{0};
};

} // namespace hb30test
