#include "datalog/CTransfertReadDatalogBase.h"

#include <algorithm>

#include "comm/SharedTexts.h"
#include "datalog/DatalogMessages.h"
#include "transfer/TransferMessages.h"

namespace transfer {

namespace {
// Percent of the frames: from 3 up to 80.
constexpr std::uint16_t kFramesStartPercent = 3;
constexpr std::uint32_t kFramesPercentSpan = 80 - kFramesStartPercent;
} // namespace

CTransfertReadDatalogBase::CTransfertReadDatalogBase(DatalogReadJob job,
                                                     comm::IControllerLink& link)
    : ITransfert(link), job_(std::move(job)) {}

int CTransfertReadDatalogBase::ReadFrames() {
    return ReadBaseArea(kFrameBase, std::uint32_t(buffer_.size()), buffer_.data(), 1);
}

int CTransfertReadDatalogBase::SendEndOfRead() {
    return SendCommand(kCmdEndOfRead, 0, CommandKind::Write, LinkTimeoutMs());
}

void CTransfertReadDatalogBase::Run() {
    Reset(msg::kComputeDatalogsSize);
    outcomes_ = {};
    if (job_.size > kMaxDatalogSize) {
        Fail(texts::kNotReacting);
        return;
    }
    // Whole frames, pre-filled with 0xFF: bytes past the size read as the end of data.
    const std::uint32_t frames = (job_.size + kFrameSize - 1) / kFrameSize;
    buffer_.assign(std::size_t(frames) * kFrameSize, 0xFF);

    SetStep(msg::kReadingDatalogs);
    SetPercent(kFramesStartPercent);
    SetBytesPerPercent(
        std::max<std::uint32_t>(1, std::uint32_t(buffer_.size()) / kFramesPercentSpan));
    if (ReadFrames() != kPrimitiveOk) {
        buffer_.clear();
        Fail(msg::kUnknownError);
        return;
    }
    if (!AfterFrames())
        return;
    SetPercent(CsvPercent());
    WriteFiles();
    Alert(AlertKind::Summary, DatalogSummary(outcomes_));
    // The controller is told the read is over only when nothing is missing, so that it keeps
    // what could not be written.
    if (AllGenerated(outcomes_) && SendEndOfRead() != kPrimitiveOk) {
        Fail(msg::kDatalogLastCommandFailed);
        return;
    }
    Finish();
}

void CTransfertReadDatalogBase::WriteFiles() {
    DatalogExport out;
    out.kind = Kind();
    out.config = job_.config;
    out.labels = labels_;
    out.folder = job_.folder;
    out.fileNames = job_.fileNames;
    out.stamp = DatalogTimeStamp(LocalTimeNow());
    DatalogExportHooks hooks;
    hooks.beforeRange = [this](int range) {
        if (range == 1)
            SetPercent(90);
        else if (range == 2)
            SetPercent(95);
        SetStep(DatalogCreatingStep(range));
    };
    hooks.alert = [this](const std::string& text) { Alert(AlertKind::Error, text); };
    outcomes_ = WriteDatalogFiles(buffer_, out, hooks);
    SetPercent(100);
}

} // namespace transfer
