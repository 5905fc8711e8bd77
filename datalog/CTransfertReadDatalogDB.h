// The datalog read from the communication board: frames by SEND_READ_CF at 0x48200000 +
// frame number, then the channel labels (0x48123A68, 888 bytes) that name the columns, and
// the end-of-read request (0x4700000E, 5000 ms) when every range produced its file.
#pragma once

#include "datalog/CTransfertReadDatalogBase.h"

namespace transfer {

class CTransfertReadDatalogDB final : public CTransfertReadDatalogBase {
  public:
    static constexpr std::uint32_t kFrameBase = 0x48200000;
    static constexpr std::uint32_t kLabelAddress = 0x48123A68;
    static constexpr std::uint32_t kEndOfRead = 0x4700000E;
    static constexpr std::uint32_t kEndOfReadTimeoutMs = 5000;

    // `descriptor`: the first three words of the board's datalog descriptor, kept as read.
    CTransfertReadDatalogDB(DatalogReadJob job, std::array<std::uint32_t, 3> descriptor,
                            comm::IControllerLink& link = comm::ComClientLink())
        : CTransfertReadDatalogBase(std::move(job), link), descriptor_(descriptor) {}

    const std::array<std::uint32_t, 3>& Descriptor() const { return descriptor_; }

  protected:
    DatalogMemoryKind Kind() const override { return DatalogMemoryKind::kBoard; }
    int ReadFrames() override;
    bool AfterFrames() override;
    std::uint16_t CsvPercent() const override { return 85; }
    int SendEndOfRead() override;

  private:
    std::array<std::uint32_t, 3> descriptor_;
};

} // namespace transfer
