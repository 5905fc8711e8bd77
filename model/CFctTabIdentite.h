// The identity table: a snapshot of the controller's 361-byte identity record (0x8000),
// read on demand and interpreted per family layout. Users create a fresh object, Read it,
// ask their questions and delete it; nothing is cached between uses.
//
// Record layout shared by both families (offsets from the start of the record):
//    0  18  type text              27  3  hardware V, I, R
//   18   8  code8 (decimal digits) 30  1  digital inputs     32  1  analog inputs
//   26   1  family code            31  1  relay outputs      33  1  PWM outputs
// Boot, bootloader and software versions sit at 80/83/86 (T71) or 83/86/89 (Trel).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "comm/ControllerLink.h"

namespace model {

// The twelve strings of the identity summary, in the order the program file writer takes them.
struct IdentitySummary {
    std::string code8, xt1Code8, xt2Code8;
    std::string boot, bootloader, software;
    std::string xt1Boot, xt1Bootloader, xt1Software;
    std::string xt2Boot, xt2Bootloader, xt2Software;
};

} // namespace model

class CFctTabIdentite {
  public:
    static constexpr std::uint32_t kAddress = 0x8000;
    static constexpr std::size_t kRecordSize = 361;
    using Record = std::array<std::uint8_t, kRecordSize>;

    virtual ~CFctTabIdentite() = default;
    CFctTabIdentite(const CFctTabIdentite&) = delete;
    CFctTabIdentite& operator=(const CFctTabIdentite&) = delete;

    // Zeroes the record and takes the time-out of the current link kind.
    virtual void Reset();
    // Record bytes 18-25 as text, trailing white space removed.
    virtual std::string GetCode8() const;
    // ModelFromCode8 of the record's code8.
    virtual int GetModelIndex() const;
    // The model table restricted to this variant's family rows; 255 elsewhere.
    virtual int ModelFromCode8(long code8) const = 0;
    // Record bytes 0-17 as text, trailing spaces removed.
    virtual std::string GetTypeName() const;
    // Reads the record: 0, or 15 when the read fails (the record is then left as it was).
    virtual std::uint8_t Read();

    virtual std::uint8_t GetHardwareV() const { return record_[kHardware]; }
    virtual std::uint8_t GetHardwareI() const { return record_[kHardware + 1]; }
    virtual std::uint8_t GetHardwareR() const { return record_[kHardware + 2]; }
    virtual std::uint8_t GetBootV() const { return record_[bootOffset_]; }
    virtual std::uint8_t GetBootI() const { return record_[bootOffset_ + 1]; }
    virtual std::uint8_t GetBootR() const { return record_[bootOffset_ + 2]; }
    virtual std::uint8_t GetBootloaderV() const { return record_[bootOffset_ + 3]; }
    virtual std::uint8_t GetBootloaderI() const { return record_[bootOffset_ + 4]; }
    virtual std::uint8_t GetBootloaderR() const { return record_[bootOffset_ + 5]; }
    virtual std::uint8_t GetSoftwareV() const { return record_[bootOffset_ + 6]; }
    virtual std::uint8_t GetSoftwareI() const { return record_[bootOffset_ + 7]; }
    virtual std::uint8_t GetSoftwareR() const { return record_[bootOffset_ + 8]; }
    virtual std::uint8_t GetDigitalInputCount() const { return record_[kDigitalInputs]; }
    virtual std::uint8_t GetAnalogInputCount() const { return record_[kAnalogInputs]; }
    virtual std::uint8_t GetPwmOutputCount() const { return record_[kPwmOutputs]; }
    virtual std::uint8_t GetRelayOutputCount() const { return record_[kRelayOutputs]; }

    virtual bool IsCommunicating() const = 0;
    virtual bool HasGprs() const = 0;
    virtual bool IsCommunicatingB() const { return IsCommunicating(); }
    virtual bool IsCommunicatingC() const { return IsCommunicating(); }
    virtual bool IsCommunicatingD() const { return IsCommunicating(); }
    virtual bool HasTcpIp() const = 0;
    virtual bool IsT71Layout() const = 0;
    virtual void BuildSummary(model::IdentitySummary& out) const = 0;
    // Family index from the record's family code; 255 when it is not this layout's.
    virtual int GetFamilyIndex() const = 0;

    std::string FormatHardwareVir() const;
    std::string FormatBootVir() const;
    std::string FormatBootloaderVir() const;
    std::string FormatSoftwareVir() const;

    const Record& GetRecord() const { return record_; }
    std::uint32_t GetTimeoutMs() const { return timeoutMs_; }

  protected:
    static constexpr std::size_t kType = 0, kTypeSize = 18;
    static constexpr std::size_t kCode8 = 18, kCode8Size = 8;
    static constexpr std::size_t kFamilyCode = 26;
    static constexpr std::size_t kHardware = 27;
    static constexpr std::size_t kDigitalInputs = 30, kRelayOutputs = 31;
    static constexpr std::size_t kAnalogInputs = 32, kPwmOutputs = 33;

    // `bootOffset`: where the boot triple starts; bootloader and software follow it.
    CFctTabIdentite(comm::IControllerLink& reader, std::size_t bootOffset);

    comm::IControllerLink& reader_;
    Record record_{};
    std::uint32_t timeoutMs_ = 0;

  private:
    std::size_t bootOffset_;
};
