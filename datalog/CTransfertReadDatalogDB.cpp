#include "datalog/CTransfertReadDatalogDB.h"

#include <vector>

#include "comm/SharedTexts.h"
#include "datalog/DatalogMessages.h"
#include "transfer/TransferMessages.h"

namespace transfer {

int CTransfertReadDatalogDB::ReadFrames() {
    return ReadDaughterArea(kFrameBase, std::uint32_t(buffer_.size()), buffer_.data(), 1);
}

bool CTransfertReadDatalogDB::AfterFrames() {
    SetStep(msg::kReadingLabels);
    SetPercent(80);
    std::vector<std::uint8_t> table(kLabelTableSize);
    if (ReadSingle(kLabelAddress, std::uint32_t(table.size()), table.data(), true,
                   LinkTimeoutMs()) != kPrimitiveOk)
        return Fail(texts::kNotReacting);
    labels_ = DecodeLabelTable(table);
    return true;
}

int CTransfertReadDatalogDB::SendEndOfRead() {
    return SendAddressedCommand(kEndOfRead, kEndOfReadTimeoutMs);
}

} // namespace transfer
