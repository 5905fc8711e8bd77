// The program write. The whole file is read, validated, decoded and checked against the
// target first; only then are the zones erased and written in file order, the datalogs
// erased and the controller let restart.
#include <algorithm>
#include <cstdlib>
#include <memory>

#include "comm/ProcessState.h"
#include "comm/SharedTexts.h"
#include "model/ModelTable.h"
#include "model/TableFactory.h"
#include "program/ProgramTransfers.h"
#include "transfer/TransferMessages.h"

namespace transfer {

namespace {

constexpr const char* kGathering = "Gathers target data's to verify compatibility ";
constexpr const char* kEthernetCountdown = "Writing update on target and daughter board ";
constexpr std::uint32_t kFixedTimeoutUsb = 6000, kFixedTimeoutEthernet = 10000;
constexpr std::uint32_t kMetierAddress = 0x000B0000;
constexpr std::uint8_t kCmdEraseArea = 5, kCmdEraseDaughter = 18, kCmdEndDaughter = 17;
constexpr std::uint32_t kOpenDaughterSession = 0x47000000, kCloseDaughterSession = 0x47000001;
constexpr std::uint32_t kDaughterEraseProgram = 0x47000002, kApplyUpdate = 0x47000003;
constexpr std::uint32_t kRestartDaughter = 0x47000008, kPassThroughOpen = 0x100;
constexpr std::uint8_t kDaughterEraseArgument = 0x04;
constexpr int kEthernetCountdownSeconds = 15;
constexpr std::uint32_t kRestartWaitMs = 5000;

// Ethernet: bytes written per zone address and where the integrity words go.
struct IntegrityWord {
    std::uint32_t at, from, to; // word at `at` over bytes [from, to]
};
struct EthernetZone {
    std::uint32_t address, length;
    int words; // 0 none, 1 the last two bytes over all before, 2 explicit list below
    IntegrityWord explicitWords[2];
};
constexpr EthernetZone kEthernetZones[] = {
    {0x00040000, 849, 2, {{847, 0, 844}, {0, 0, 0}}},
    {0x00060000, 20482, 1, {}},
    {0x00070000, 20482, 1, {}},
    {0x00080000, 16386, 1, {}},
    {0x00090000, 69634, 1, {}},
    {0x000B0000, 546, 1, {}},
    {0x48118000, 4003, 1, {}},
    {0x48119000, 462, 2, {{194, 0, 193}, {426, 196, 425}}},
    {0x4811E000, 15959, 1, {}},
    {0x48123000, 34338, 0, {}},
    {0x48133000, 962, 1, {}},
    {0x48143000, 834, 1, {}},
};

const EthernetZone* FindEthernetZone(std::uint32_t address) {
    for (const EthernetZone& z : kEthernetZones)
        if (z.address == address)
            return &z;
    return nullptr;
}

void PutIntegrityWord(std::vector<std::uint8_t>& buffer, const IntegrityWord& w) {
    std::uint16_t sum = 0;
    for (std::uint32_t i = w.from; i <= w.to; ++i)
        sum = std::uint16_t(sum + buffer[i]);
    const auto word = std::uint16_t(-sum);
    buffer[w.at] = std::uint8_t(word);
    buffer[w.at + 1] = std::uint8_t(word >> 8);
}

// Bytes of zeros that erase the Metier area over Ethernet, by size row.
std::uint32_t MetierEraseLength(int row) {
    switch (row) {
    case kRowPask:
        return 304;
    case kRowTrel:
        return 160;
    default:
        return 544;
    }
}

} // namespace

std::uint32_t EthernetZoneLength(std::uint32_t address) {
    const EthernetZone* zone = FindEthernetZone(address);
    return zone != nullptr ? zone->length : 0;
}

std::vector<std::uint8_t> EthernetZoneBuffer(std::uint32_t address,
                                             const std::vector<std::uint8_t>& content) {
    const EthernetZone* zone = FindEthernetZone(address);
    if (zone == nullptr)
        return {};
    // Bytes past the file's content are not given by the file: zeros.
    std::vector<std::uint8_t> buffer(zone->length, 0);
    std::copy_n(content.begin(), std::min<std::size_t>(content.size(), buffer.size()),
                buffer.begin());
    if (zone->words == 1)
        PutIntegrityWord(buffer, {zone->length - 2, 0, zone->length - 3});
    for (int k = 0; zone->words == 2 && k < 2; ++k)
        if (zone->explicitWords[k].at != 0)
            PutIntegrityWord(buffer, zone->explicitWords[k]);
    return buffer;
}

FileRefusal CheckProgramFile(const std::string& path, bool ethernet, CFctTabIdentite& identity,
                             ProgramImage& image) {
    std::vector<std::string> lines;
    switch (ReadAllLines(path, lines)) {
    case ReadResult::CannotOpen:
        return {msg::kFileInvalid, AlertKind::Error};
    case ReadResult::WrongFormat:
        return {msg::kWrongFormat, AlertKind::Error};
    case ReadResult::Ok:
        break;
    }
    switch (ParseProgramImage(lines, !ethernet, image)) {
    case ImageError::InvalidLine:
        return {ethernet ? msg::kWrongFormat : msg::kNotCompatible, AlertKind::Error};
    case ImageError::Damaged:
    case ImageError::TooManyZones:
        return {msg::kWrongFormat, AlertKind::Error};
    case ImageError::None:
        break;
    }
    model::IdentitySummary summary;
    identity.BuildSummary(summary);
    if (!FirmwareCompatible(image.firmwareLine, identity.FormatSoftwareVir()) ||
        !CodesCompatible(image.codeLines, summary))
        return {msg::kNotCompatible, AlertKind::Warning};
    return {};
}

FileRefusal ProgramFileRefusal(const std::string& path, bool ethernet, comm::IControllerLink& link,
                               int familyIndex) {
    std::unique_ptr<CFctTabIdentite> identity =
        model::CreateIdentityTable(ethernet ? model::kFamilyKz9 : familyIndex, link);
    if (!identity)
        return {msg::kUnknownError, AlertKind::Error};
    identity->Reset();
    if (identity->Read() != 0)
        return {texts::kNotReacting, AlertKind::Error};
    ProgramImage image;
    return CheckProgramFile(path, ethernet, *identity, image);
}

CTransfertWriteApp::CTransfertWriteApp(std::string path, bool ethernet, comm::IControllerLink& link,
                                       int familyIndex)
    : ITransfert(link), path_(std::move(path)), ethernet_(ethernet), familyIndex_(familyIndex) {}

void CTransfertWriteApp::Run() {
    Reset(kGathering);
    skipDaughterFinish_ = daughterErased_ = daughterSessionOpen_ = false;
    const int family = ethernet_ ? model::kFamilyKz9
                                 : (familyIndex_ >= 0 ? familyIndex_ : ControllerFamily().load());
    std::unique_ptr<CFctTabIdentite> identity = model::CreateIdentityTable(family, Link());
    if (!identity) {
        Fail(msg::kUnknownError);
        return;
    }
    identity->Reset();
    int modelIndex = model::kUnknownModel;
    if (identity->Read() != 0 || model::ReadBootModel(modelIndex, Link()) != 0) {
        Fail(texts::kNotReacting);
        return;
    }
    if (!ethernet_ && (modelIndex == 0 || modelIndex == 7 || modelIndex == 8))
        skipDaughterFinish_ = true;

    SetPercent(2);
    // Everything is checked before the first request that changes the controller.
    ProgramImage image;
    const FileRefusal refusal = CheckProgramFile(path_, ethernet_, *identity, image);
    if (refusal.message != nullptr) {
        Fail(refusal.message, refusal.kind);
        return;
    }
    SetPercent(3);
    const int row = RowOfModel(modelIndex);
    const AreaSizeTable sizes =
        AreaSizes(row, modelIndex, identity->GetSoftwareV(), identity->GetSoftwareI());
    SetPercent(5);
    if (!WriteImage(image, modelIndex, row, sizes))
        return;

    EraseDatalogs(family, LinkTimeoutMs(), LinkTimeoutMs());

    if (ethernet_) {
        SendAddressedCommand(kApplyUpdate, kFixedTimeoutEthernet); // the controller restarts
        Countdown(kEthernetCountdown, kEthernetCountdownSeconds);
    } else if (!FinishUsb()) {
        return;
    }
    Clock().SleepMs(kRestartWaitMs);
    Finish();
}

bool CTransfertWriteApp::WriteImage(const ProgramImage& image, int /*modelIndex*/, int row,
                                    const AreaSizeTable& sizes) {
    // Progress share of the k-th zone written: slot k of the size table.
    const std::uint32_t total = std::max<std::uint32_t>(1, TotalSize(sizes));
    std::array<std::uint8_t, kSlotCount> shares{};
    for (std::size_t k = 0; k < kSlotCount; ++k)
        shares[k] = std::max<std::uint8_t>(1, std::uint8_t((100 - 5) * sizes[k] / total));

    if (ethernet_) {
        const std::uint8_t four = kDaughterEraseArgument;
        if (SendAddressedCommand(kDaughterEraseProgram, &four, 1, kFixedTimeoutEthernet) != 0 ||
            SendAddressedCommand(kPassThroughOpen, kFixedTimeoutEthernet) != 0)
            return Fail(texts::kNotReacting);
    }
    for (std::size_t k = 0; k < image.zones.size(); ++k) {
        const ProgramZone& zone = image.zones[k];
        if (!EraseZone(zone, row))
            return Fail(texts::kNotReacting);
        SetStep(WriteStepText(zone.record.address));
        const bool ok =
            ethernet_ ? WriteZoneEthernet(zone, shares[k]) : WriteZoneUsb(zone, shares[k]);
        if (!ok)
            return Fail(texts::kNotReacting);
    }
    return true;
}

bool CTransfertWriteApp::EraseZone(const ProgramZone& zone, int row) {
    const ZoneRecord& r = zone.record;
    if (r.eraseAddress == kMetierAddress) {
        if (!ethernet_)
            return true;
        // No erase command for this area: it is erased by writing zeros.
        const std::vector<std::uint8_t> zeros(MetierEraseLength(row), 0);
        return Link().Write(zeros.data(), kMetierAddress, std::uint32_t(zeros.size()),
                            kFixedTimeoutEthernet) == 0;
    }
    if (r.size == 0)
        return true;
    std::uint8_t code = kCmdEraseArea, argument = 0;
    if (r.base) {
        argument = std::uint8_t((std::atoi(r.eraseContent.c_str()) + 12) % 256);
    } else {
        // One erase clears the whole daughter board: only before the first of its zones.
        if (daughterErased_)
            return true;
        daughterErased_ = true;
        code = kCmdEraseDaughter;
    }
    return ethernet_ ? SendCommand(code, argument, CommandKind::WriteCF, kFixedTimeoutEthernet) == 0
                     : SendCommand(code, argument, CommandKind::Write, kFixedTimeoutUsb) == 0;
}

bool CTransfertWriteApp::WriteZoneUsb(const ProgramZone& zone, std::uint8_t share) {
    const ZoneRecord& r = zone.record;
    if (r.size == 0)
        return true;
    SetBytesPerPercent(r.size / share);
    if (r.base)
        return WriteBaseArea(r.address, r.size, zone.bytes.data(), LinkTimeoutMs()) == 0;
    if (!daughterSessionOpen_) {
        const std::uint8_t four = kDaughterEraseArgument;
        if (SendAddressedCommand(kOpenDaughterSession, kFixedTimeoutUsb) != 0 ||
            SendAddressedCommand(kDaughterEraseProgram, &four, 1, kFixedTimeoutUsb) != 0)
            return false;
        daughterSessionOpen_ = true;
    }
    return WriteFramed(r.address, r.size, zone.bytes.data(), kFrameSize, LinkTimeoutMs()) == 0;
}

bool CTransfertWriteApp::WriteZoneEthernet(const ProgramZone& zone, std::uint8_t share) {
    const std::vector<std::uint8_t> buffer = EthernetZoneBuffer(zone.record.address, zone.bytes);
    if (buffer.empty())
        return true; // an address outside the table: nothing is written
    SetBytesPerPercent(std::uint32_t(buffer.size()) / share);
    return WriteFramed(zone.record.address, std::uint32_t(buffer.size()), buffer.data(),
                       kEthernetFrameSize, LinkTimeoutMs()) == 0;
}

bool CTransfertWriteApp::FinishUsb() {
    if (skipDaughterFinish_ || !daughterSessionOpen_)
        return true;
    if (SendAddressedCommand(kCloseDaughterSession, kFixedTimeoutUsb) != 0 ||
        SendCommand(kCmdEndDaughter, 0, CommandKind::Write, kFixedTimeoutUsb) != 0)
        return Fail(texts::kNotReacting);
    SendAddressedCommand(kRestartDaughter, kFixedTimeoutUsb); // the board restarts
    return true;
}

std::unique_ptr<CTransfertWriteApp> MakeProgramWrite(const std::string& path,
                                                     comm::IControllerLink& link) {
    if (link.Kind() == comm::kLinkEthernet)
        return std::make_unique<CTransfertWriteAppByETH>(path, link);
    return std::make_unique<CTransfertWriteAppByUSB>(path, link);
}

} // namespace transfer
