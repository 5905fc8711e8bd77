// A scripted controller for the transfer tests: areas of bytes that reads are answered from
// and writes land in, every request recorded, and a request position at which it falls silent.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "transfer/TransferLink.h"
#include "transfer/TransferUi.h"

struct FakeLink : transfer::ITransferLink {
    struct Request {
        std::string kind; // "R", "RCF", "W", "WCF", "WX"
        std::uint32_t address, count, timeoutMs;
        std::vector<std::uint8_t> data;
    };

    std::map<std::uint32_t, std::vector<std::uint8_t>> memory; // areas by base address
    std::vector<Request> requests;
    int silentFrom = -1; // requests from this position on fail (-1: never)
    int kind = transfer::kLinkUsb;
    std::uint32_t timeoutMs = 6000;

    // The area holding [address, address + count), or nullptr.
    std::uint8_t* Find(std::uint32_t address, std::uint32_t count) {
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
        if (Fails() || at == nullptr)
            return 5;
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
    int Read(std::uint8_t* d, std::uint32_t a, std::uint32_t c, std::uint32_t t) override {
        return Fetch("R", d, a, c, t);
    }
    int ReadCF(std::uint8_t* d, std::uint32_t a, std::uint32_t c, std::uint32_t t) override {
        return Fetch("RCF", d, a, c, t);
    }
    int Write(const std::uint8_t* s, std::uint32_t a, std::uint32_t c, std::uint32_t t) override {
        return Store("W", s, a, c, t);
    }
    int WriteCF(const std::uint8_t* s, std::uint32_t a, std::uint32_t c, std::uint32_t t) override {
        return Store("WCF", s, a, c, t);
    }
    int CommandExt(std::uint8_t code, std::uint8_t arg, std::uint32_t t) override {
        const std::uint8_t b[2] = {code, arg};
        return Store("WX", b, 0x7000, 2, t);
    }
    std::uint32_t LinkTimeoutMs() const override { return timeoutMs; }
    int Kind() const override { return kind; }

    std::vector<std::uint32_t> Counts() const {
        std::vector<std::uint32_t> out;
        for (const Request& r : requests)
            out.push_back(r.count);
        return out;
    }
};

// Records every alert a transfer raises and answers questions with `answer`.
struct RecordingUi : transfer::ITransferUi {
    std::vector<std::string> texts;
    std::vector<transfer::AlertKind> kinds;
    int answer = transfer::kAnswerYes;
    int Alert(transfer::AlertKind k, const std::string& text) override {
        kinds.push_back(k);
        texts.push_back(text);
        return k == transfer::AlertKind::Question ? answer : transfer::kAnswerOk;
    }
};
