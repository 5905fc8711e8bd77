// Flashing a kz9 or Pask controller over USB (and Bluetooth, which differs in three points).
#include "firmware/CTransfertWriteFWByUSB.h"

#include "firmware/FirmwareMessages.h"
#include "transfer/TransferMessages.h"

namespace transfer {

bool CTransfertWriteFWByUSB::AcceptsModel(int modelIndex) const {
    const auto layout = fw::LayoutOfModel(modelIndex);
    return layout == fw::PackageLayout::kBaseOnly ||
           layout == fw::PackageLayout::kWithDaughterBoard;
}

bool CTransfertWriteFWByUSB::FlashT71(bool bluetooth) {
    using K = fw::ImageKind;
    if (!CheckLoaderState())
        return false;
    if (!SkipDeletion() && !ClearProgram(false, CommandKind::Write, false))
        return false;
    SetStep(msg::kFwExtraction);
    std::uint32_t total = ImageSize(K::kBaseBootloader) + ImageSize(K::kBaseFirmware);
    if (HasDaughterBoard())
        total += ImageSize(K::kBoardBootloader) + ImageSize(K::kBoardFirmware);
    StartLoading(total);

    const std::uint8_t mode = SoftwareI() < 4 ? 1 : 2;
    if (!LoadBaseImage(K::kBaseBootloader, mode, msg::kFwLoadingBootloader,
                       msg::kFwBootloaderError))
        return false;
    Clock().SleepMs(5000);
    if (!LoadBaseImage(K::kBaseFirmware, 0, msg::kFwLoadingFirmware, msg::kFwFirmwareError))
        return false;
    return !HasDaughterBoard() || LoadBoardImages(bluetooth);
}

} // namespace transfer
