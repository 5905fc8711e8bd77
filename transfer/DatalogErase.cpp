// The datalog erase that ends a program write (and a firmware update): 70 one-second steps
// on the transfer's clock, percent 90 up to 99.
#include <memory>

#include "model/TableFactory.h"
#include "transfer/DatalogPresence.h"
#include "transfer/ITransfert.h"
#include "transfer/TransferMessages.h"

namespace transfer {

bool ITransfert::EraseDatalogs(int identityFamily, std::uint32_t statusTimeoutMs,
                               std::uint32_t commandTimeoutMs) {
    std::unique_ptr<CFctTabIdentite> identity = model::CreateIdentityTable(identityFamily, link_);
    if (!identity) {
        Alert(AlertKind::Error, msg::kDatalogEraseError);
        return false;
    }
    identity->Reset();
    if (identity->Read() != 0) {
        Alert(AlertKind::Error, msg::kDatalogEraseError);
        return false;
    }
    const bool board = identity->IsCommunicating();
    const DatalogPresence presence = ReadDatalogPresence(link_, board, statusTimeoutMs);
    if (presence == DatalogPresence::Unreadable) {
        Alert(AlertKind::Error, msg::kDatalogEraseError);
        return false;
    }
    if (presence == DatalogPresence::Absent) {
        SetStep(msg::kNoDatalogs);
        return true;
    }
    const int rc = board
                       ? SendAddressedCommand(kEraseBoardDatalogs, commandTimeoutMs)
                       : SendCommand(kCmdEraseOwnDatalogs, 0, CommandKind::Write, commandTimeoutMs);
    if (rc != kPrimitiveOk) {
        Alert(AlertKind::Error, msg::kDatalogEraseError);
        return false;
    }
    SetStep(msg::kErasingDatalogs);
    // The controller erases its memory for about 70 s without answering progress.
    unsigned counter = 0;
    for (int step = 0; step < kDatalogEraseSteps; ++step) {
        Clock().SleepMs(1000);
        counter += 14;
        SetPercent(std::uint16_t(counter / 100 + 90));
    }
    SetStep(msg::kDatalogsDeleted);
    return true;
}

} // namespace transfer
