// What the firmware end-to-end tests share: a simulator reached over one of the three links,
// the firmware transfer run to its end on a virtual clock, and the sample packages.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "comm/CComClient.h"
#include "firmware/CTransfertWriteFW.h"
#include "tests/support/client_sim_test.h"
#include "transfer/TransferClock.h"
#include "transfer/TransferUi.h"

namespace fwtest {

enum class Link { kUsb, kBle, kEthernet };

// The sample package of a model folder ("T71/Larch", "Larch", "1_10_00", "_4") in English.
std::string SamplePackage(const std::string& family, const std::string& model,
                          const std::string& version, const std::string& marker);

// A package of small simulator images (each `imageSize` bytes) for `model`, written in `dir`:
// quick to send over the slow Bluetooth link. The images start as `version`; the file is
// `fileName` (default "small_<model>.vqfw") and its header says `headerVersion` (default
// `version`).
std::string SmallPackage(const std::string& dir, int model, const std::string& code8,
                         const std::string& version, std::uint32_t imageSize = 1500,
                         const std::string& fileName = "", const std::string& headerVersion = "");

// A link whose requests wait at most `timeoutMs`, whatever the link kind says: a controller
// gone silent is noticed in a second instead of the link's full time-out.
class ShortTimeoutLink final : public comm::ForwardingLink {
  public:
    ShortTimeoutLink(comm::IControllerLink& inner, std::uint32_t timeoutMs)
        : ForwardingLink(inner), timeoutMs_(timeoutMs) {}
    int Read(std::uint8_t* d, std::uint32_t a, std::uint32_t n, std::uint32_t t) override {
        return ForwardingLink::Read(d, a, n, Cap(t));
    }
    int ReadCF(std::uint8_t* d, std::uint32_t a, std::uint32_t n, std::uint32_t t) override {
        return ForwardingLink::ReadCF(d, a, n, Cap(t));
    }
    int Write(const std::uint8_t* s, std::uint32_t a, std::uint32_t n, std::uint32_t t) override {
        return ForwardingLink::Write(s, a, n, Cap(t));
    }
    int WriteCF(const std::uint8_t* s, std::uint32_t a, std::uint32_t n, std::uint32_t t) override {
        return ForwardingLink::WriteCF(s, a, n, Cap(t));
    }
    int WriteExt(std::uint32_t a, std::uint32_t t) override {
        return ForwardingLink::WriteExt(a, Cap(t));
    }
    int CommandExt(std::uint8_t c, std::uint8_t g, std::uint32_t t) override {
        return ForwardingLink::CommandExt(c, g, Cap(t));
    }
    std::uint32_t LinkTimeoutMs() const override { return timeoutMs_; }

  private:
    std::uint32_t Cap(std::uint32_t t) const { return t < timeoutMs_ ? t : timeoutMs_; }
    std::uint32_t timeoutMs_;
};

class FirmwareSimTest : public testsupport::ClientSimTest<> {
  protected:
    // Starts the simulator (no reboot silence unless asked) and points the core at it.
    void StartController(Link link, std::vector<std::string> args);
    // Runs the transfer of the link to its end, waits on `clock`.
    std::unique_ptr<transfer::CTransfertWriteFW> RunUpdate(const std::string& package,
                                                           comm::IControllerLink* link = nullptr);
    // Reconnects as the dialog and the command line do; the software version read back.
    std::string ReconnectedVersion();

    Link link_ = Link::kUsb;
    transfer::VirtualClock clock_;
    transfer::SilentTransferUi ui_;
};

} // namespace fwtest
