// Flashing over Bluetooth, and the Trel two-part path.
#include "firmware/CTransfertWriteFWByBTH.h"

#include "comm/SharedTexts.h"
#include "firmware/FirmwareMessages.h"
#include "model/ModelTable.h"
#include "model/TableFactory.h"
#include "transfer/TransferMessages.h"

namespace transfer {

bool CTransfertWriteFWByBTH::AcceptsModel(int modelIndex) const {
    return CTransfertWriteFWByUSB::AcceptsModel(modelIndex) ||
           fw::LayoutOfModel(modelIndex) == fw::PackageLayout::kTrel;
}

// The model index and the identity table of its family.
bool CTransfertWriteFWByBTH::ReadStartIdentity() {
    int model = model::kUnknownModel, family = model::kFamilyKz9;
    if (model::ReadBootModel(model, Link()) != 0)
        return false;
    model::FamilyFromModel(model, family);
    if (family != model::kFamilyTrel)
        return CTransfertWriteFWByUSB::ReadStartIdentity();
    auto identity = model::CreateIdentityTable(model::kFamilyTrel, Link());
    identity->Reset();
    if (identity->Read() != 0)
        return false;
    KeepStartIdentity(*identity);
    return true;
}

bool CTransfertWriteFWByBTH::Flash() {
    return fw::LayoutOfModel(ModelIndex()) == fw::PackageLayout::kTrel ? FlashTrel()
                                                                       : FlashT71(true);
}

bool CTransfertWriteFWByBTH::FlashTrel() {
    using K = fw::ImageKind;
    if (!CheckLoaderState())
        return false;
    if (!SkipDeletion() && !ClearProgram(true, CommandKind::Write, false))
        return false;
    SetStep(msg::kFwExtraction);
    StartLoading(ImageSize(K::kTrelPart1) + ImageSize(K::kTrelPart2));
    if (!LoadTrelPart(K::kTrelPart1) || !Reconnect() || !LoadTrelPart(K::kTrelPart2) ||
        !Reconnect())
        return false;
    // The second part waits for its start.
    std::uint32_t word = 0;
    if (ReadStateWord(word) && word == kStateTrelPending)
        SendCommand(7, 0, CommandKind::Write, LinkTimeoutMs());
    return true;
}

bool CTransfertWriteFWByBTH::LoadTrelPart(fw::ImageKind kind) {
    SetStep(msg::kFwLoadingFirmware);
    const fw::Bytes& image = Image(kind);
    Clock().SleepMs(1000);
    if (WriteBaseArea(fw::ImageAddress(kind), std::uint32_t(image.size()), image.data(),
                      LinkTimeoutMs()) != kPrimitiveOk)
        return Fail(msg::kFwFirmwareError);
    Clock().SleepMs(1000);
    return true;
}

bool CTransfertWriteFWByBTH::Reconnect() {
    Session().Deconnect();
    Countdown(msg::kFwReboot, 30);
    if (Session().Connect() != 0)
        return Fail(texts::kNotReacting);
    return true;
}

} // namespace transfer
