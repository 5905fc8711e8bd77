// A scripted controller behind the controller link: areas of bytes that reads are answered
// from and writes land in, every memory request recorded, the pass-through and core requests
// recorded by name, and the ways a controller falls silent or refuses.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "comm/ControllerLink.h"

struct FakeControllerLink : comm::IControllerLink {
    struct Request {
        std::string kind; // "R", "RCF", "W", "WCF", "WX" (a command by CommandExt)
        std::uint32_t address, count, timeoutMs;
        std::vector<std::uint8_t> data;
    };
    struct WriteRecord {
        std::uint32_t address;
        std::vector<std::uint8_t> bytes;
    };

    // Areas by base address. A read is answered by the area at its address, else by any area
    // holding the whole range; writes land in such an area when there is one.
    std::map<std::uint32_t, std::vector<std::uint8_t>> memory;
    std::vector<Request> requests;
    bool silent = false; // no read is answered
    int silentFrom = -1; // memory requests from this position on fail (-1: never)
    int kind = comm::kLinkUsb;
    std::uint32_t timeoutMs = 6000;

    // The successful SEND_WRITEs, and the addresses whose SEND_WRITE is refused.
    std::vector<WriteRecord> writes;
    std::set<std::uint32_t> failingWrites;
    // Called after each successful SEND_WRITE, so a test can play the controller's reaction.
    std::function<void(const WriteRecord&)> onWrite;
    // Called for each read left unanswered, so a test can spend its time-out on its clock.
    std::function<void(const Request&)> onSilence;
    // Called after each command by CommandExt (code, argument).
    std::function<void(std::uint8_t, std::uint8_t)> onCommandExt;
    // Pass-through and core requests: "WX 256", "CMD 6,2", "connect", "stop-monitor"...
    std::vector<std::string> calls;
    int failCallAt = -1; // the pass-through request with this position in `calls` fails
    bool connected = true;

    std::uint8_t* Find(std::uint32_t address, std::uint32_t count) {
        auto exact = memory.find(address);
        if (exact != memory.end() && exact->second.size() >= count)
            return exact->second.data();
        for (auto& [base, bytes] : memory)
            if (address >= base && std::uint64_t(address) + count <= base + bytes.size())
                return bytes.data() + (address - base);
        return nullptr;
    }
    bool Fails() const { return silentFrom >= 0 && int(requests.size()) > silentFrom; }

    int Fetch(const char* k, std::uint8_t* dest, std::uint32_t address, std::uint32_t count,
              std::uint32_t t) {
        requests.push_back({k, address, count, t, {}});
        std::uint8_t* at = Find(address, count);
        if (silent || Fails() || at == nullptr) {
            if (onSilence && (silent || Fails()))
                onSilence(requests.back());
            return 5;
        }
        std::copy(at, at + count, dest);
        return 0;
    }
    int Store(const char* k, const std::uint8_t* src, std::uint32_t address, std::uint32_t count,
              std::uint32_t t) {
        requests.push_back({k, address, count, t, std::vector<std::uint8_t>(src, src + count)});
        if (Fails())
            return 5;
        if (std::uint8_t* at = Find(address, count))
            std::copy(src, src + count, at);
        return 0;
    }
    int Call(std::string call) {
        calls.push_back(std::move(call));
        return int(calls.size()) - 1 == failCallAt ? 5 : 0;
    }

    int Read(std::uint8_t* d, std::uint32_t a, std::uint32_t c, std::uint32_t t) override {
        return Fetch("R", d, a, c, t) == 0 ? 0 : comm::kTargetNotAnswering;
    }
    int ReadCF(std::uint8_t* d, std::uint32_t a, std::uint32_t c, std::uint32_t t) override {
        return Fetch("RCF", d, a, c, t);
    }
    int Write(const std::uint8_t* s, std::uint32_t a, std::uint32_t c, std::uint32_t t) override {
        if (failingWrites.count(a))
            return comm::kTargetNotAnswering;
        if (int rc = Store("W", s, a, c, t); rc != 0)
            return rc;
        writes.push_back({a, std::vector<std::uint8_t>(s, s + c)});
        if (onWrite)
            onWrite(writes.back());
        return 0;
    }
    int WriteCF(const std::uint8_t* s, std::uint32_t a, std::uint32_t c, std::uint32_t t) override {
        return Store("WCF", s, a, c, t);
    }
    int WriteExt(std::uint32_t address, std::uint32_t) override {
        return Call("WX " + std::to_string(address));
    }
    int CommandExt(std::uint8_t code, std::uint8_t arg, std::uint32_t t) override {
        const std::uint8_t b[2] = {code, arg};
        if (int rc = Call("CMD " + std::to_string(code) + "," + std::to_string(arg)); rc != 0)
            return rc;
        if (int rc = Store("WX", b, 0x7000, 2, t); rc != 0)
            return rc;
        if (onCommandExt)
            onCommandExt(code, arg);
        return 0;
    }
    std::uint32_t LinkTimeoutMs() const override { return timeoutMs; }
    int Kind() const override { return kind; }
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

    // The requests of one kind ("R"...), in order.
    std::vector<Request> RequestsOf(const std::string& k) const {
        std::vector<Request> out;
        for (const Request& r : requests)
            if (r.kind == k)
                out.push_back(r);
        return out;
    }
    // Whether a read of `address` was asked.
    bool WasRead(std::uint32_t address) const {
        for (const Request& r : requests)
            if (r.kind == "R" && r.address == address)
                return true;
        return false;
    }
    std::vector<std::uint32_t> Counts() const {
        std::vector<std::uint32_t> out;
        for (const Request& r : requests)
            out.push_back(r.count);
        return out;
    }
};
