// The one link to the controller that the logic layers use: memory reads and writes, the
// pass-through requests, the core server's connection and monitoring requests, the link kind
// and its time-out. The program and the command line go through the process-wide
// communication client (ComClientLink); tests script a controller behind the same interface.
#pragma once

#include <cstdint>

namespace comm {

// Every failure of a controller read is reduced to this status: the target did not answer.
constexpr int kTargetNotAnswering = 15;

// The program's link kinds, as the connection dialogs set them.
enum LinkKindIndex : int { kLinkUsb = 0, kLinkBle = 1, kLinkEthernet = 2 };

class IControllerLink {
  public:
    virtual ~IControllerLink() = default;

    // Reads `count` bytes at `address` (SEND_READ). 0 on success with `count` bytes written to
    // `dest`; kTargetNotAnswering on any failure, with `dest` left untouched.
    virtual int Read(std::uint8_t* dest, std::uint32_t address, std::uint32_t count,
                     std::uint32_t timeoutMs) = 0;
    // The other requests return 0 on success and a non-zero code on failure (the client's
    // codeErreur, or -1 when the exchange itself failed). A failed ReadCF leaves `dest` as is.
    // SEND_READ_CF, SEND_WRITE, SEND_WRITE_CF.
    virtual int ReadCF(std::uint8_t* dest, std::uint32_t address, std::uint32_t count,
                       std::uint32_t timeoutMs) = 0;
    virtual int Write(const std::uint8_t* src, std::uint32_t address, std::uint32_t count,
                      std::uint32_t timeoutMs) = 0;
    virtual int WriteCF(const std::uint8_t* src, std::uint32_t address, std::uint32_t count,
                        std::uint32_t timeoutMs) = 0;
    // A write of the third kind with no data at `address` (SEND_WRITE_EXT): opens and closes
    // the pass-through to an expansion.
    virtual int WriteExt(std::uint32_t address, std::uint32_t timeoutMs) = 0;
    // A two-byte controller command [code, argument] at 0x7000 by SEND_WRITE_EXT.
    virtual int CommandExt(std::uint8_t code, std::uint8_t argument, std::uint32_t timeoutMs) = 0;

    // The request time-out of the current link kind (USB 6000, BLE 40000, Ethernet 10000 ms).
    virtual std::uint32_t LinkTimeoutMs() const = 0;
    // The link kind (LinkKindIndex).
    virtual int Kind() const = 0;

    // The core server's link state and requests.
    virtual bool IsConnected() const = 0;
    virtual int Connect() = 0;
    virtual int Deconnect() = 0;
    virtual int StartMonitor() = 0;
    virtual int StopMonitor() = 0;
};

// A link that passes every request on to another one; a wrapper overrides what it changes.
class ForwardingLink : public IControllerLink {
  public:
    explicit ForwardingLink(IControllerLink& inner) : inner_(inner) {}
    int Read(std::uint8_t* dest, std::uint32_t address, std::uint32_t count,
             std::uint32_t timeoutMs) override {
        return inner_.Read(dest, address, count, timeoutMs);
    }
    int ReadCF(std::uint8_t* dest, std::uint32_t address, std::uint32_t count,
               std::uint32_t timeoutMs) override {
        return inner_.ReadCF(dest, address, count, timeoutMs);
    }
    int Write(const std::uint8_t* src, std::uint32_t address, std::uint32_t count,
              std::uint32_t timeoutMs) override {
        return inner_.Write(src, address, count, timeoutMs);
    }
    int WriteCF(const std::uint8_t* src, std::uint32_t address, std::uint32_t count,
                std::uint32_t timeoutMs) override {
        return inner_.WriteCF(src, address, count, timeoutMs);
    }
    int WriteExt(std::uint32_t address, std::uint32_t timeoutMs) override {
        return inner_.WriteExt(address, timeoutMs);
    }
    int CommandExt(std::uint8_t code, std::uint8_t argument, std::uint32_t timeoutMs) override {
        return inner_.CommandExt(code, argument, timeoutMs);
    }
    std::uint32_t LinkTimeoutMs() const override { return inner_.LinkTimeoutMs(); }
    int Kind() const override { return inner_.Kind(); }
    bool IsConnected() const override { return inner_.IsConnected(); }
    int Connect() override { return inner_.Connect(); }
    int Deconnect() override { return inner_.Deconnect(); }
    int StartMonitor() override { return inner_.StartMonitor(); }
    int StopMonitor() override { return inner_.StopMonitor(); }

  protected:
    IControllerLink& Inner() { return inner_; }

  private:
    IControllerLink& inner_;
};

// The process-wide link over the communication client, with the link kind and time-out chosen
// in the connection dialogs (or by the command line's link options).
IControllerLink& ComClientLink();

} // namespace comm
