// A scripted controller for the service logic: the byte images of FakeReader answer reads,
// writes are recorded (and may change the images through `onWrite`), the pass-through and
// core requests are recorded by name.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "fake_reader.h"
#include "services/ServiceLink.h"

struct FakeServiceLink : services::IServiceLink {
    struct WriteRecord {
        std::uint32_t address;
        std::vector<std::uint8_t> bytes;
    };

    FakeReader reader;
    std::vector<WriteRecord> writes;
    std::set<std::uint32_t> failingWrites;
    // Called after each successful write, so a test can play the controller's reaction.
    std::function<void(const WriteRecord&)> onWrite;
    // Called after each pass-through command (code, argument).
    std::function<void(std::uint8_t, std::uint8_t)> onCommandExt;
    std::vector<std::string> calls; // "connect", "stop-monitor", "WX 256", "CMD 6,2"...
    bool connected = true;

    int Read(std::uint8_t* dest, std::uint32_t address, std::uint32_t count,
             std::uint32_t timeoutMs) override {
        return reader.Read(dest, address, count, timeoutMs);
    }
    std::uint32_t LinkTimeoutMs() const override { return reader.LinkTimeoutMs(); }
    int Write(const std::uint8_t* src, std::uint32_t address, std::uint32_t count,
              std::uint32_t) override {
        if (failingWrites.count(address))
            return model::kTargetNotAnswering;
        writes.push_back({address, std::vector<std::uint8_t>(src, src + count)});
        if (onWrite)
            onWrite(writes.back());
        return 0;
    }
    int WriteExt(std::uint32_t address, std::uint32_t) override {
        calls.push_back("WX " + std::to_string(address));
        return 0;
    }
    int CommandExt(std::uint8_t code, std::uint8_t argument, std::uint32_t) override {
        calls.push_back("CMD " + std::to_string(code) + "," + std::to_string(argument));
        if (onCommandExt)
            onCommandExt(code, argument);
        return 0;
    }
    bool IsConnected() const override { return connected; }
    int Connect() override {
        calls.push_back("connect");
        connected = true;
        return 0;
    }
    int Deconnect() override {
        calls.push_back("deconnect");
        connected = false;
        return 0;
    }
    int StartMonitor() override {
        calls.push_back("start-monitor");
        return 0;
    }
    int StopMonitor() override {
        calls.push_back("stop-monitor");
        return 0;
    }

    // Whether a read of `address` was asked.
    bool WasRead(std::uint32_t address) const {
        for (const auto& r : reader.requests)
            if (r.address == address)
                return true;
        return false;
    }
};
