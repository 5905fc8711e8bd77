#include "firmware/FirmwareUpdate.h"

#include "firmware/CTransfertWriteFWByBTH.h"
#include "firmware/CTransfertWriteFWByETH.h"
#include "firmware/CTransfertWriteFWByUSB.h"
#include "firmware/FirmwareMessages.h"
#include "model/ModelTable.h"
#include "model/TableFactory.h"

namespace transfer {

std::unique_ptr<CTransfertWriteFW> CreateFirmwareTransfer(int linkKind, const std::string& path,
                                                          ITransferLink& link,
                                                          ILinkSession& session) {
    switch (linkKind) {
    case kLinkUsb:
        return std::make_unique<CTransfertWriteFWByUSB>(path, link, session);
    case kLinkBle:
        return std::make_unique<CTransfertWriteFWByBTH>(path, link, session);
    case kLinkEthernet:
        return std::make_unique<CTransfertWriteFWByETH>(path, link, session);
    default:
        return nullptr;
    }
}

Reconnection ReconnectAfterUpdate(ITransferLink& link, ILinkSession& session, ITransferClock& clock,
                                  int tries, std::uint32_t pauseMs) {
    Reconnection r;
    for (int attempt = 0; attempt < tries; ++attempt) {
        if (attempt > 0)
            clock.SleepMs(pauseMs);
        session.Deconnect();
        if (session.Connect() != 0)
            continue;
        int family = model::kUnknownFamily;
        if (model::ReadFamilyCode(family, link) != 0 || family == model::kUnknownFamily)
            continue;
        auto identity = model::CreateIdentityTable(family, link);
        identity->Reset();
        if (identity->Read() != 0)
            continue;
        r.ok = true;
        r.familyIndex = family;
        r.softwareVersion = model::FormatVir(identity->GetSoftwareV(), identity->GetSoftwareI(),
                                             identity->GetSoftwareR());
        return r;
    }
    return r;
}

void CTransfertReconnect::Run() {
    Reset(msg::kFwReconnecting);
    result_ = ReconnectAfterUpdate(Link(), session_, Clock());
    if (!result_.ok) {
        Fail(msg::kFwReconnectFailed);
        return;
    }
    SetStep(msg::kFwReconnecting);
    Finish();
}

} // namespace transfer
