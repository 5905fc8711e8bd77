// BGAPI packets from the dongle into HB30's packet layer: the fuzzer's bytes are all the
// dongle ever says while the library connects, reads, writes, scans and disconnects.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "ble/ble_link.h"
#include "ble/controller_exchange.h"
#include "fuzz/fuzz_input.h"
#include "wire/t71.h"

namespace {

// A dongle whose port always opens and takes every write, and whose reads come from the
// input; a read that finds too few bytes is a wait that ended with nothing more. A read
// without a wait (time-out 0: the link taking only what is already queued before it sends
// a request) finds a packet only when the input's next byte is not 0, so that the bytes
// after a 0 are what the dongle says once the request has gone out.
class ScriptedDongle final : public hb30::DongleIo {
  public:
    explicit ScriptedDongle(fuzz::Input& in) : in_(in) {}
    bool Open(const std::string&) override {
        open_ = true;
        return true;
    }
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }
    int Read(std::uint8_t* out, std::size_t n, int timeoutMs) override {
        if (timeoutMs == 0 && in_.U8() == 0)
            return 0;
        std::size_t got = 0;
        const std::uint8_t* p = in_.Take(n, got);
        if (got < n)
            return 0;
        std::copy(p, p + n, out);
        return int(n);
    }
    bool Write(const std::uint8_t*, std::size_t) override { return open_; }
    int LastError() const override { return 0; }

  private:
    fuzz::Input& in_;
    bool open_ = false;
};

void Check(int result) {
    if (result != t71::kOk && result != t71::kUnsupported && result != t71::kLinkDown &&
        result != t71::kNoAnswer)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The library reports on standard output; the fuzzer's own report is on standard error.
    if (std::freopen("/dev/null", "w", stdout) == nullptr)
        return 0;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::uint8_t plan = in.U8();
    const std::int32_t count = std::int32_t(in.U16() % 2300);
    hb30::BleLink link(std::make_unique<ScriptedDongle>(in));
    hb30::LinkTiming& t = link.Timing();
    // No pauses; the silences are not 0, so that only the drain before a request reads
    // without a wait (the scripted dongle never waits anyway).
    t = hb30::LinkTiming{0, 1, 1, 0, 1, 1000, 0};

    // Input: plan (1: scan, else connect; 2: at the command address; 4: write), count (2),
    // then the dongle's bytes; before each request, the packets already queued, each behind
    // a byte that is not 0, and a 0 byte.
    if ((plan & 1) != 0) {
        std::vector<std::uint8_t> out(hb30::kScanOutputSize);
        Check(link.Scan("ttyFUZZ", out.data()));
        if (out[0] > hb30::kMaxScanRecords)
            std::abort();
    } else if (link.Connect("ttyFUZZ", bgapi::Address{1, 2, 3, 4, 5, 6}) == 0) {
        std::vector<std::uint8_t> buffer(count, 0x14);
        const std::uint32_t address = (plan & 2) != 0 ? 0x7000 : 0xE000;
        while (in.Left() > 0) {
            const std::size_t left = in.Left();
            if ((plan & 4) != 0)
                Check(hb30::WriteExchange(link, 247, 4, address, count, buffer.data(), 10));
            else
                Check(hb30::ReadExchange(link, 247, 3, address, count, 10, buffer.data()));
            if (link.ReceivedCount() > hb30::kReceiveCapacity)
                std::abort();
            // A lost link, or a count refused before anything was sent or read, ends it.
            if (link.State() == hb30::LinkState::kIdle || in.Left() == left)
                break;
        }
    }
    link.Disconnect();
    return 0;
}
