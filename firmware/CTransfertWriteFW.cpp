// The common part of the firmware update and the steps USB and Bluetooth share.
#include "firmware/CTransfertWriteFW.h"

#include <algorithm>
#include <memory>

#include "comm/SharedTexts.h"
#include "firmware/FirmwareMessages.h"
#include "model/ControllerMemory.h"
#include "model/ModelTable.h"
#include "model/TableFactory.h"
#include "transfer/TransferMessages.h"

namespace transfer {

namespace {

constexpr std::uint32_t kConfigAddress = 0x40000;
constexpr std::uint32_t kConfigSizeT71 = 847;
constexpr std::uint32_t kConfigSizeTrel = 707;
constexpr std::uint32_t kMetierAddress = 0xB0000;

std::uint32_t MetierSize(int family) {
    return family == model::kFamilyPask ? 304 : family == model::kFamilyTrel ? 160 : 544;
}

} // namespace

const char* PackageAlertText(fw::PackageError error) {
    switch (error) {
    case fw::PackageError::kNone:
        return nullptr;
    case fw::PackageError::kUnreadable:
        return msg::kFileInvalid;
    case fw::PackageError::kWrongFormat:
    case fw::PackageError::kBadBinary:
        return msg::kFwWrongFormat;
    case fw::PackageError::kWrongModel:
        return msg::kFwWrongModel;
    case fw::PackageError::kNoUpdate:
        return msg::kFwNotRecognized;
    case fw::PackageError::kBadBlocks:
    case fw::PackageError::kImageTooLarge:
        break;
    }
    return msg::kFwCannotExtract;
}

CTransfertWriteFW::CTransfertWriteFW(std::string packagePath, comm::IControllerLink& link,
                                     ILinkSession& session)
    : ITransfert(link), path_(std::move(packagePath)), session_(session) {}

void CTransfertWriteFW::Run() {
    Reset(msg::kFwGathering);
    if (!ReadStartIdentity()) {
        Fail(texts::kNotReacting);
        return;
    }
    SetPercent(5);
    if (!Analyse())
        return;
    SetStep(msg::kFwDecoding);
    SetPercent(10);
    if (!Flash()) {
        HideWarning();
        if (!IsFailed())
            Fail(msg::kUnknownError);
        return;
    }
    SetPercent(90);
    EraseAfterUpdate();
    Finish();
}

bool CTransfertWriteFW::ReadStartIdentity() {
    auto identity = model::CreateIdentityTable(model::kFamilyKz9, Link());
    identity->Reset();
    if (identity->Read() != 0)
        return false;
    KeepStartIdentity(*identity);
    return true;
}

void CTransfertWriteFW::KeepStartIdentity(CFctTabIdentite& identity) {
    softwareI_ = identity.GetSoftwareI();
    startVersion_ =
        model::FormatVir(identity.GetSoftwareV(), identity.GetSoftwareI(), identity.GetSoftwareR());
}

// Reads, checks and extracts the whole package before anything is erased.
bool CTransfertWriteFW::Analyse() {
    const auto lines = fw::ReadPackageLines(path_);
    if (!lines)
        return Fail(msg::kFileInvalid);
    if (model::ReadBootModel(model_, Link()) != 0)
        return Fail(texts::kNotReacting);
    SetPercent(8);
    SetStep(msg::kFwAnalysis);
    if (ModelFromIdentity()) {
        auto identity = model::CreateIdentityTable(model::kFamilyKz9, Link());
        identity->Reset();
        if (identity->Read() != 0)
            return Fail(texts::kNotReacting);
        model_ = identity->GetModelIndex();
    }
    model::FamilyFromModel(model_, family_);
    if (!AcceptsModel(model_))
        return Fail(msg::kFwNotRecognized);
    package_ = fw::ReadFirmwarePackage(*lines, model_);
    if (!package_.ok())
        return Fail(PackageAlertText(package_.error));
    return true;
}

bool CTransfertWriteFW::EraseAfterUpdate() {
    if (!BeforeDatalogErase())
        return false;
    if (model_ == 0) {
        SetStep(msg::kNoDatalogs);
        return true;
    }
    return EraseDatalogs(IdentityFamily(), DatalogStatusTimeoutMs(), LinkTimeoutMs());
}

bool CTransfertWriteFW::ReadStateWord(std::uint32_t& word) {
    std::uint8_t b[4] = {};
    if (ReadSingle(model::kStateWordAddress, 4, b, false, LinkTimeoutMs()) != kPrimitiveOk)
        return false;
    word = std::uint32_t(b[0]) << 24 | std::uint32_t(b[1]) << 16 | std::uint32_t(b[2]) << 8 | b[3];
    return true;
}

bool CTransfertWriteFW::AwaitStateWord(std::uint32_t& word) {
    // The budget counts the reads' own time-outs as well as the pauses between them.
    const std::uint64_t start = Clock().NowMs();
    for (int check = 0; check < kRestartChecks; ++check) {
        if (check > 0) {
            if (Clock().NowMs() - start >= kRestartChecksBudgetMs)
                break;
            Clock().SleepMs(kRestartCheckPauseMs);
        }
        if (ReadStateWord(word))
            return true;
    }
    return false;
}

bool CTransfertWriteFW::CheckLoaderState() {
    std::uint32_t word = 0;
    if (!ReadStateWord(word))
        return Fail(texts::kNotReacting);
    skipDeletion_ = word == kStateLoaderIdle || word == kStateLoading;
    return true;
}

bool CTransfertWriteFW::ClearProgram(bool keepConfiguration, CommandKind boardEraseKind,
                                     bool checkSlotErase) {
    SetStep(msg::kFwDeleting);
    bool ok = SendCommand(5, 3, CommandKind::Write, LinkTimeoutMs()) == kPrimitiveOk;
    if (ok && keepConfiguration) {
        // The erase clears the stored record; the controller still serves the last one, which
        // is written back so that the configuration survives the update.
        Clock().SleepMs(5000);
        fw::Bytes config(kConfigSizeTrel);
        ok = ReadSingle(kConfigAddress, kConfigSizeTrel, config.data(), false, LinkTimeoutMs()) ==
                 kPrimitiveOk &&
             Link().Write(config.data(), kConfigAddress, kConfigSizeTrel, LinkTimeoutMs()) == 0;
    } else if (ok) {
        const fw::Bytes zeros(kConfigSizeT71, 0);
        ok = Link().Write(zeros.data(), kConfigAddress, kConfigSizeT71, LinkTimeoutMs()) == 0;
    }
    SetPercent(std::uint16_t(Percent() + 1));
    for (std::uint8_t area : {2, 1, 4})
        ok = ok && SendCommand(5, area, CommandKind::Write, LinkTimeoutMs()) == kPrimitiveOk;
    if (ok) {
        const bool slots = SendCommand(5, 5, CommandKind::Write, LinkTimeoutMs()) == kPrimitiveOk;
        ok = slots || !checkSlotErase;
    }
    if (ok) {
        const fw::Bytes zeros(MetierSize(family_), 0);
        ok = Link().Write(zeros.data(), kMetierAddress, std::uint32_t(zeros.size()),
                          LinkTimeoutMs()) == 0;
    }
    if (ok && !keepConfiguration)
        ok = SendCommand(18, 0, boardEraseKind, LinkTimeoutMs()) == kPrimitiveOk;
    SetPercent(std::uint16_t(Percent() + 1));
    if (!ok)
        return Fail(msg::kFwDeletionError);
    if (!HasDaughterBoard())
        return true;
    SetStep(msg::kFwDeletingBoard);
    const std::uint8_t eraseCode = 0x04;
    if (boardEraseKind == CommandKind::Write &&
        SendAddressedCommand(kBoardSessionOpen, LinkTimeoutMs()) != kPrimitiveOk)
        return Fail(msg::kFwDeletionError);
    if (SendAddressedCommand(kBoardErase, &eraseCode, 1, LinkTimeoutMs()) != kPrimitiveOk)
        return Fail(msg::kFwDeletionError);
    WaitBoardErase();
    if (boardEraseKind == CommandKind::Write &&
        SendAddressedCommand(kBoardSessionClose, LinkTimeoutMs()) != kPrimitiveOk)
        return Fail(msg::kFwDeletionError);
    SetPercent(20);
    return true;
}

void CTransfertWriteFW::WaitBoardErase() {
    unsigned counter = 0;
    for (int second = 0; second < 15; ++second) {
        Clock().SleepMs(1000);
        counter += 53;
        SetPercent(std::uint16_t(counter / 100 + 12));
    }
    SetPercent(20);
}

bool CTransfertWriteFW::PrepareLoader() {
    std::uint32_t word = 0;
    // The first load follows the erase, the second the restart into the new bootloader.
    if (!AwaitStateWord(word))
        return Fail(texts::kNotReacting);
    if (word == kStateLoaded)
        SendCommand(7, 0, CommandKind::Write, LinkTimeoutMs());
    return true;
}

bool CTransfertWriteFW::LoadBaseImage(fw::ImageKind kind, std::uint8_t mode, const char* step,
                                      const char* error) {
    SetStep(step);
    if (!PrepareLoader())
        return false;
    const fw::Bytes& image = Image(kind);
    if (SendCommand(6, mode, CommandKind::Write, LinkTimeoutMs()) != kPrimitiveOk)
        return Fail(error);
    Countdown(msg::kFwReboot, 5);
    // The loading mode restarts the controller: the image goes once it answers again.
    std::uint32_t word = 0;
    if (!AwaitStateWord(word))
        return Fail(error);
    if (WriteBaseArea(fw::ImageAddress(kind), std::uint32_t(image.size()), image.data(),
                      LinkTimeoutMs()) != kPrimitiveOk)
        return Fail(error);
    SendCommand(7, 0, CommandKind::Write, LinkTimeoutMs());
    return true;
}

bool CTransfertWriteFW::LoadBoardImages(bool bluetooth) {
    const std::uint32_t timeout = LinkTimeoutMs();
    SendAddressedCommand(kBoardRestart, LinkTimeoutMs());
    Countdown(msg::kFwReboot, 15);
    SetStep(msg::kFwLoadingBoardBootloader);
    const fw::Bytes& bootloader = Image(fw::ImageKind::kBoardBootloader);
    if (SendAddressedCommand(kPassOpen, timeout) != kPrimitiveOk ||
        SendCommand(6, 7, CommandKind::WriteCF, timeout) != kPrimitiveOk)
        return Fail(msg::kFwBoardBootloaderError);
    Countdown(msg::kFwReboot, 5);
    if (WriteFramed(fw::ImageAddress(fw::ImageKind::kBoardBootloader),
                    std::uint32_t(bootloader.size()), bootloader.data(), kFrameSize,
                    timeout) != kPrimitiveOk)
        return Fail(msg::kFwBoardBootloaderError);
    if (model_ == 3 || model_ == 9 || model_ == 10)
        SendAddressedCommand(kBoardRestart, LinkTimeoutMs());
    SetStep(msg::kFwLoadingBoardFirmware);
    const fw::Bytes& firmware = Image(fw::ImageKind::kBoardFirmware);
    if (WriteFramed(fw::ImageAddress(fw::ImageKind::kBoardFirmware), std::uint32_t(firmware.size()),
                    firmware.data(), kFrameSize, timeout) != kPrimitiveOk)
        return Fail(msg::kFwBoardFirmwareError);
    SendCommand(7, 0, CommandKind::WriteCF, timeout);
    if (bluetooth && SendAddressedCommand(kPassClose, timeout) != kPrimitiveOk)
        return Fail(msg::kFwBoardFirmwareError);
    SendAddressedCommand(kBoardRestart, LinkTimeoutMs());
    Countdown(msg::kFwReboot, 30);
    return true;
}

void CTransfertWriteFW::StartLoading(std::uint32_t totalBytes) {
    const std::uint16_t now = std::min<std::uint16_t>(Percent(), 89);
    SetBytesPerPercent(std::max<std::uint32_t>(1, totalBytes / std::uint32_t(90 - now)));
}

const fw::Bytes& CTransfertWriteFW::Image(fw::ImageKind kind) const {
    static const fw::Bytes kNone;
    const fw::Block* block = package_.Find(kind);
    return block != nullptr ? block->content : kNone;
}

std::uint32_t CTransfertWriteFW::ImageSize(fw::ImageKind kind) const {
    return std::uint32_t(Image(kind).size());
}

bool CTransfertWriteFW::HasDaughterBoard() const {
    return fw::LayoutOfModel(model_) == fw::PackageLayout::kWithDaughterBoard;
}

int CTransfertWriteFW::IdentityFamily() const {
    return family_ == model::kFamilyTrel ? model::kFamilyTrel : model::kFamilyKz9;
}

} // namespace transfer
