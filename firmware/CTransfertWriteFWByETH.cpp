// Flashing over Ethernet.
#include "firmware/CTransfertWriteFWByETH.h"

#include "firmware/FirmwareMessages.h"
#include "transfer/TransferMessages.h"

namespace transfer {

namespace {
constexpr std::uint32_t kBootloaderTimeoutMs = 70000;
} // namespace

fw::Bytes EthernetBlock(const fw::Block& block) {
    static const int kOrder[fw::kBlockHeaderSize] = {1, 0, 2, 3, 4, 5, 6, 10, 9, 8, 7};
    fw::Bytes out(fw::kBlockHeaderSize);
    for (std::size_t k = 0; k < fw::kBlockHeaderSize; ++k)
        out[k] = block.header[std::size_t(kOrder[k])];
    out.insert(out.end(), block.content.begin(), block.content.end());
    const std::size_t end = out.size() - 4; // the content holds at least 4 bytes
    std::uint32_t sum = 0;
    for (std::size_t k = fw::kBlockHeaderSize; k < end; ++k)
        sum += out[k];
    const std::uint32_t word = ~sum + 1;
    for (int k = 0; k < 4; ++k)
        out[end + std::size_t(k)] = std::uint8_t(word >> (8 * k));
    return out;
}

bool CTransfertWriteFWByETH::AcceptsModel(int modelIndex) const {
    return modelIndex == 3 || modelIndex == 9 || modelIndex == 10;
}

bool CTransfertWriteFWByETH::SendImage(fw::ImageKind kind, std::uint32_t timeoutMs) {
    const fw::Block* block = Package().Find(kind);
    if (block == nullptr)
        return false;
    const fw::Bytes data = EthernetBlock(*block);
    return WriteFramed(fw::ImageAddress(kind), std::uint32_t(data.size()), data.data(),
                       kEthernetFrameSize, timeoutMs) == kPrimitiveOk;
}

bool CTransfertWriteFWByETH::LoadBoardFirmware() {
    SetStep(msg::kFwLoadingBoardFirmware);
    const std::uint8_t none = 0;
    if (!SendImage(fw::ImageKind::kBoardFirmware, LinkTimeoutMs()) ||
        Link().Write(&none, kBoardCommitFirmware, 0, LinkTimeoutMs()) != 0)
        return Fail(msg::kFwBoardFirmwareError);
    Countdown(msg::kFwWritingBoth, 50);
    SendAddressedCommand(kBoardRestart, LinkTimeoutMs());
    Session().Deconnect();
    return true;
}

bool CTransfertWriteFWByETH::Flash() {
    using K = fw::ImageKind;
    if (!ClearProgram(false, CommandKind::WriteCF, true))
        return false;
    SetStep(msg::kFwExtraction);
    auto whole = [this](K kind) { return ImageSize(kind) + std::uint32_t(fw::kBlockHeaderSize); };
    const bool transition = SoftwareI() < 4;
    std::uint32_t total = whole(K::kBaseBootloader) + whole(K::kBoardBootloader) +
                          whole(K::kBaseFirmware) + whole(K::kBoardFirmware);
    if (transition)
        total += whole(K::kTransitionFirmware) + whole(K::kBoardFirmware);
    StartLoading(total);
    const std::uint32_t timeout = LinkTimeoutMs();

    if (transition) {
        SetStep(msg::kFwLoadingTransition);
        if (!SendImage(K::kTransitionFirmware, timeout))
            return Fail(msg::kFwTransitionError);
        if (!LoadBoardFirmware())
            return false;
        SendAddressedCommand(kBoardRestart, timeout);
        Countdown(msg::kFwReboot, 100);
    }

    SetStep(msg::kFwLoadingBootloader);
    // The image goes even when the preparation fails; the step fails afterwards.
    const bool prepared =
        SendAddressedCommand(kPrepareBootloader, kBootloaderTimeoutMs) == kPrimitiveOk;
    if (!SendImage(K::kBaseBootloader, kBootloaderTimeoutMs) || !prepared)
        return Fail(msg::kFwBootloaderError);
    Clock().SleepMs(5000);

    // The board bootloader, then the base firmware, each committed to the board and the target.
    const struct {
        K kind;
        const char* step;
        const char* error;
    } commits[] = {
        {K::kBoardBootloader, msg::kFwLoadingBoardBootloader, msg::kFwBoardBootloaderError},
        {K::kBaseFirmware, msg::kFwLoadingFirmware, msg::kFwFirmwareError}};
    for (const auto& c : commits) {
        SetStep(c.step);
        if (!SendImage(c.kind, timeout) ||
            SendAddressedCommand(kCommitBoardBootloader, timeout) != kPrimitiveOk)
            return Fail(c.error);
        Countdown(msg::kFwWritingBoard, 30);
        SendAddressedCommand(kCommitTarget, timeout);
        Countdown(msg::kFwWritingTarget, 15);
        Clock().SleepMs(5000);
        // The commit restarts the target: the next image goes once it answers again.
        std::uint32_t word = 0;
        if (!AwaitStateWord(word))
            return Fail(c.error);
    }

    if (!LoadBoardFirmware())
        return false;
    Countdown(msg::kFwReboot, 100);
    return true;
}

bool CTransfertWriteFWByETH::BeforeDatalogErase() {
    return Session().Connect() == 0;
}

} // namespace transfer
