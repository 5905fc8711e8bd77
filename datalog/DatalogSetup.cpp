#include "datalog/DatalogSetup.h"

#include <filesystem>
#include <vector>

#include "comm/SharedTexts.h"
#include "datalog/CTransfertReadDatalogDB.h"
#include "datalog/DatalogMessages.h"
#include "model/ControllerMemory.h"
#include "model/ModelTable.h"
#include "model/TableFactory.h"
#include "transfer/DatalogPresence.h"
#include "transfer/TransferMessages.h"

namespace transfer {

namespace {

constexpr std::uint32_t kRunStateSize = 4;

constexpr std::uint32_t kBoardConfigAddress = 0x481191AC;
constexpr std::uint32_t kLabelAddress = 0x0F00, kLabelSize = 18;

std::uint32_t LE32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

enum class MemoryOfModel { kOwn, kBoard, kNone };

MemoryOfModel DatalogMemoryOf(int model) {
    switch (model) {
    case 7:
    case 8:
    case 14:
    case 15:
    case 16:
        return MemoryOfModel::kOwn;
    case 1:
    case 2:
    case 3:
    case 4:
    case 9:
    case 10:
        return MemoryOfModel::kBoard;
    default:
        return MemoryOfModel::kNone;
    }
}

// The configuration, or nullopt after an alert (or with keepOpen cleared).
std::optional<DatalogConfig> ReadDatalogConfig(comm::IControllerLink& link,
                                               DatalogDialogState& state, int familyIndex,
                                               int softwareV, int softwareI, ITransferUi& ui) {
    if (state.communicating) {
        std::vector<std::uint8_t> form(DatalogConfigSize(softwareV, softwareI));
        if (link.ReadCF(form.data(), kBoardConfigAddress, std::uint32_t(form.size()),
                        link.LinkTimeoutMs()) != 0) {
            ui.Alert(AlertKind::Error, texts::kNotReacting);
            return std::nullopt;
        }
        return DecodeDatalogConfig(form);
    }
    if (familyIndex == 1 || familyIndex == 2) {
        std::unique_ptr<CFctTabConf> conf = model::CreateConfTable(familyIndex, link);
        conf->Reset();
        if (conf->Read() != 0) {
            ui.Alert(AlertKind::Error, texts::kNotReacting);
            return std::nullopt;
        }
        return DecodeDatalogConfig(conf->GetDatalogConfig());
    }
    ui.Alert(AlertKind::Warning, msg::kNoEmbeddedDatalogs);
    state.keepOpen = false;
    return std::nullopt;
}

} // namespace

DatalogDialogState OpenDatalogDialog(comm::IControllerLink& link, int familyIndex,
                                     const std::string& folder, ITransferUi& ui) {
    DatalogDialogState state;
    int softwareV = 0, softwareI = 0;
    if (std::unique_ptr<CFctTabIdentite> identity = model::CreateIdentityTable(familyIndex, link)) {
        identity->Reset();
        identity->Read();
        state.communicating = identity->IsCommunicating();
        softwareV = identity->GetSoftwareV();
        softwareI = identity->GetSoftwareI();
    }
    state.folder = folder;
    if (model::ReadFamilyCode(state.familyIndex, link) != 0) {
        ui.Alert(AlertKind::Error, texts::kNotReacting);
        state.reachable = false;
        return state;
    }
    state.label = DefaultDatalogLabel(familyIndex);
    state.config = ReadDatalogConfig(link, state, familyIndex, softwareV, softwareI, ui);
    if (!state.keepOpen)
        return state;
    std::array<std::uint8_t, kLabelSize> label{};
    if (link.Read(label.data(), kLabelAddress, kLabelSize, link.LinkTimeoutMs()) == 0) {
        std::string fromController = DatalogLabelFromController(label);
        if (!fromController.empty())
            state.label = fromController;
    }
    for (int r = 0; r < kDatalogRanges; ++r)
        if (state.RangeEnabled(r))
            state.fileNames[std::size_t(r)] = DatalogFileName(state.label, r);
    return state;
}

DatalogReadCheck CheckDatalogRead(comm::IControllerLink& link, ITransferUi& ui,
                                  DatalogSource& source) {
    const std::uint32_t timeout = link.LinkTimeoutMs();
    int model = model::kUnknownModel;
    if (model::ReadBootModel(model, link) != 0) {
        ui.Alert(AlertKind::Error, texts::kNotReacting);
        return DatalogReadCheck::kFailed;
    }
    const MemoryOfModel memory = DatalogMemoryOf(model);
    if (memory == MemoryOfModel::kOwn) {
        std::uint8_t words[kBaseDatalogPointersSize];
        if (link.Read(words, kBaseDatalogPointers, sizeof words, timeout) != 0) {
            ui.Alert(AlertKind::Error, texts::kNotReacting);
            return DatalogReadCheck::kFailed;
        }
        source.kind = DatalogMemoryKind::kOwn;
        source.size = LE32(words + 4) - LE32(words + 8);
    } else if (memory == MemoryOfModel::kBoard) {
        std::uint8_t words[kBoardDatalogStatusSize];
        if (link.ReadCF(words, kBoardDatalogStatus, sizeof words, timeout) != 0) {
            ui.Alert(AlertKind::Error, texts::kNotReacting);
            return DatalogReadCheck::kFailed;
        }
        source.kind = DatalogMemoryKind::kBoard;
        source.size = LE32(words + 12);
        for (std::size_t i = 0; i < 3; ++i)
            source.descriptor[i] = LE32(words + 4 * i);
    }
    if (memory == MemoryOfModel::kNone || source.size <= 4) {
        ui.Alert(AlertKind::Warning, msg::kNoDatalogsToRead);
        return DatalogReadCheck::kNoDatalogs;
    }
    // Size words that no memory has (the start past the end of an own memory, for one) are
    // not a size to read.
    if (source.size > kMaxDatalogSize) {
        ui.Alert(AlertKind::Error, texts::kNotReacting);
        return DatalogReadCheck::kFailed;
    }
    auto running = [&](bool& on) {
        std::uint8_t state[kRunStateSize];
        if (link.Read(state, model::kRunStateAddress, kRunStateSize, timeout) != 0)
            return false;
        on = (state[3] & 1) != 0;
        return true;
    };
    bool on = false;
    if (!running(on)) {
        ui.Alert(AlertKind::Error, texts::kNotReacting);
        return DatalogReadCheck::kFailed;
    }
    if (!on)
        return DatalogReadCheck::kReady;
    if (ui.Alert(AlertKind::Question, msg::kDatalogStopQuestion) != kAnswerYes)
        return DatalogReadCheck::kDeclined;
    const std::uint8_t stop[2] = {model::kCommandStop, 0};
    if (link.Write(stop, kCommandAddress, 2, timeout) != 0 || !running(on) || on) {
        ui.Alert(AlertKind::Error, texts::kNotReacting);
        return DatalogReadCheck::kFailed;
    }
    return DatalogReadCheck::kReady;
}

std::unique_ptr<CTransfertReadDatalogBase> MakeDatalogTransfer(const DatalogSource& source,
                                                               const DatalogDialogState& state,
                                                               comm::IControllerLink& link) {
    DatalogReadJob job;
    job.folder = state.folder;
    job.config = state.config.value_or(DatalogConfig{});
    job.fileNames = state.fileNames;
    job.size = source.size;
    if (source.kind == DatalogMemoryKind::kBoard)
        return std::make_unique<CTransfertReadDatalogDB>(std::move(job), source.descriptor, link);
    return std::make_unique<CTransfertReadDatalogBase>(std::move(job), link);
}

} // namespace transfer
