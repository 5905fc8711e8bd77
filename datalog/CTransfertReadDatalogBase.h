// The datalog read from the controller's own memory: the size rounded up to whole 2048-byte
// frames, the frames read at 0xC0000 + frame number, the CSV file of each present range, the
// summary, and the end-of-read command [26, 0] when every range produced its file.
// CTransfertReadDatalogDB reads the communication board's memory the same way.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "datalog/DatalogConfig.h"
#include "datalog/DatalogFiles.h"
#include "transfer/ITransfert.h"

namespace transfer {

// Largest datalog memory a transfer accepts; a larger size word is not a real memory.
constexpr std::uint32_t kMaxDatalogSize = 64u << 20;

// What the dialog hands to the transfer.
struct DatalogReadJob {
    std::string folder;
    std::array<std::string, kDatalogRanges> fileNames;
    DatalogConfig config;
    std::uint32_t size = 0; // datalog size in bytes
};

class CTransfertReadDatalogBase : public ITransfert {
  public:
    static constexpr std::uint32_t kFrameBase = 0xC0000;
    static constexpr std::uint8_t kCmdEndOfRead = 26;
    static constexpr std::array<std::uint8_t, kDatalogRanges> kRangeCodes = {0x40, 0x41, 0x42};

    explicit CTransfertReadDatalogBase(DatalogReadJob job,
                                       comm::IControllerLink& link = comm::ComClientLink());

    void Run() override;

    // After Run: what each range gave (paths of the files written).
    const DatalogOutcomes& Outcomes() const { return outcomes_; }
    const std::vector<std::uint8_t>& Buffer() const { return buffer_; }

  protected:
    virtual DatalogMemoryKind Kind() const { return DatalogMemoryKind::kOwn; }
    virtual int ReadFrames();
    // After the frames: the board reads its labels here. False ends Run (already failed).
    virtual bool AfterFrames() { return true; }
    virtual std::uint16_t CsvPercent() const { return 80; }
    virtual int SendEndOfRead();

    DatalogReadJob job_;
    LabelTable labels_{};
    std::vector<std::uint8_t> buffer_;

  private:
    void WriteFiles();

    DatalogOutcomes outcomes_{};
};

} // namespace transfer
