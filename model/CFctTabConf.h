// The configuration table: a snapshot of the configuration record (0x40000) that describes
// the application loaded in the controller and its network settings. Created, Reset, Read,
// queried and deleted by each user.
//
// Common layout (16-bit values little-endian, unsigned unless marked):
//    0 128  program file path        211  1  "Parameters" menu restricted (0 disabled)
//  128  32  author                   212  2  password set (0 no)
//  160  24  project name             216  2  basic cycle in 2 ms units (0 not set)
//  184   2  version major, minor     218  1  watchdog: 0 inactive, 1 alarm, 2 error
//  234/236  program zone used (sum)  238  2  parameters zone used (signed)
//  240/244  digital zone used (sum)  242/246  other data zones used (sum)
//  250   1  program marker (85 = an application is present)
//  256  34  datalog configuration of own-memory models (34-byte form)
// Layout-specific offsets (tool version, network block, reserved address, server time-out,
// checksum) come from the variant.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "comm/ControllerLink.h"

namespace model {

// Where the layout-specific fields sit in one family's record.
struct ConfLayout {
    std::size_t recordSize;
    std::size_t toolVersion;
    std::size_t networkBlock;
    std::size_t reservedAddress;
    std::size_t serverTimeout;
    std::size_t checksum;
};

} // namespace model

class CFctTabConf {
  public:
    static constexpr std::uint32_t kAddress = 0x40000;
    static constexpr std::uint8_t kProgramPresentMarker = 85;
    static constexpr std::size_t kNetworkBlockHandedOut = 43;
    static constexpr std::size_t kNetworkBlockCopied = 50;
    static constexpr std::size_t kDatalogConfigOffset = 256, kDatalogConfigSize = 34;

    virtual ~CFctTabConf() = default;
    CFctTabConf(const CFctTabConf&) = delete;
    CFctTabConf& operator=(const CFctTabConf&) = delete;

    // Zeroes the record and the view cache, takes the link kind's time-out.
    virtual void Reset();
    // 0, or 15 when the read fails (the record is then left as it was).
    virtual std::uint8_t Read();
    // Fill the view cache for the TCP/IP view (block +0..+12, reserved address and time-out)
    // or for the GPRS view (50 bytes of the block).
    virtual void PrepareNetworkView();
    virtual void PrepareGprsView();
    virtual std::string GetProjectName() const;
    virtual std::string GetProgramVersion() const;
    virtual std::string GetAuthor() const;
    virtual std::string GetParamMenuAccess() const;
    virtual std::string GetWatchdogState() const;
    virtual std::string GetCycleTime() const;
    virtual std::string GetPasswordText() const;
    virtual std::uint8_t GetProgramMarker() const;
    virtual int GetParamZoneUsed() const;
    virtual unsigned GetDigitalZoneUsed() const;
    virtual unsigned GetOtherZonesUsed() const;
    virtual unsigned GetProgramZoneUsed() const;
    // Copies 43 bytes of the network block to `dest`; returns 43.
    virtual std::size_t
    CopyNetworkBlock(std::span<std::uint8_t, kNetworkBlockHandedOut> dest) const;
    virtual std::string GetProgramFileName() const;
    virtual std::uint16_t GetPasswordFlag() const;
    // Block bytes 1 and 0 as they were when the object was Reset.
    virtual std::uint8_t GetCachedNetByte1() const { return cachedNet1_; }
    virtual std::uint8_t GetCachedNetByte0() const { return cachedNet0_; }
    virtual std::string GetChecksumText() const;
    virtual std::string GetToolVersion() const;

    // The datalog configuration of own-memory models, in its 34-byte form.
    std::span<const std::uint8_t, kDatalogConfigSize> GetDatalogConfig() const;
    std::uint16_t GetChecksum() const;
    const std::vector<std::uint8_t>& GetRecord() const { return record_; }
    const model::ConfLayout& GetLayout() const { return layout_; }
    std::uint32_t GetTimeoutMs() const { return timeoutMs_; }

  protected:
    CFctTabConf(comm::IControllerLink& reader, const model::ConfLayout& layout);

    std::uint16_t U16(std::size_t offset) const;

    comm::IControllerLink& reader_;
    model::ConfLayout layout_;
    std::vector<std::uint8_t> record_;
    std::uint32_t timeoutMs_ = 0;
    // View cache: block +0..+12, reserved address and server time-out, 50 block bytes.
    std::array<std::uint8_t, 13> netView_{};
    std::array<std::uint8_t, 5> reservedView_{};
    std::array<std::uint8_t, kNetworkBlockCopied> gprsView_{};
    std::uint8_t cachedNet0_ = 0, cachedNet1_ = 0;
};
