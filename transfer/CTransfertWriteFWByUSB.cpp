// Flashing a kz9 or Pask controller over USB (and Bluetooth, which differs in three points).
#include "transfer/CTransfertWriteFWByUSB.h"

#include "transfer/FirmwareMessages.h"
#include "transfer/TransferMessages.h"

namespace transfer {

bool CTransfertWriteFWByUSB::AcceptsModel(int modelIndex) const {
    const auto layout = fw::LayoutOfModel(modelIndex);
    return layout == fw::PackageLayout::kBaseOnly ||
           layout == fw::PackageLayout::kWithDaughterBoard;
}

bool CTransfertWriteFWByUSB::FlashT71(bool bluetooth) {
    using K = fw::ImageKind;
    std::uint32_t word = 0;
    if (!ReadStateWord(word))
        return Fail(msg::kNotReacting);
    // A controller left in its loader by an earlier attempt has no program to delete.
    SetSkipDeletion(word == kStateLoaderIdle || word == kStateLoading);
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
