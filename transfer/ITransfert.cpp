#include "transfer/ITransfert.h"

#include <algorithm>

namespace transfer {

ITransfert::ITransfert(comm::IControllerLink& link) : link_(link) {}

TransferProgress ITransfert::Snapshot() const {
    TransferProgress p;
    p.percent = percent_.load();
    p.finished = finished_.load() != 0;
    p.failed = failed_.load() != 0;
    p.warningVisible = warningVisible_.load() != 0;
    std::lock_guard<std::mutex> lock(textMutex_);
    p.stepText = stepText_;
    p.warningText = warningText_;
    return p;
}

std::string ITransfert::LastAlertText() const {
    std::lock_guard<std::mutex> lock(textMutex_);
    return lastAlert_;
}

void ITransfert::StartDataPhase(std::uint32_t totalBytes) {
    const std::uint16_t now = std::min<std::uint16_t>(percent_.load(), 99);
    bytesPerPercent_ = totalBytes / std::uint32_t(100 - now);
    pendingBytes_ = 0;
}

void ITransfert::SetBytesPerPercent(std::uint32_t bytesPerPercent) {
    bytesPerPercent_ = bytesPerPercent;
    pendingBytes_ = 0;
}

void ITransfert::CountBytes(std::uint32_t n) {
    pendingBytes_ += n;
    if (bytesPerPercent_ == 0 || pendingBytes_ <= bytesPerPercent_)
        return;
    const std::uint32_t q = pendingBytes_ / bytesPerPercent_;
    pendingBytes_ -= q * bytesPerPercent_;
    SetPercent(std::uint16_t(std::min<std::uint32_t>(100, percent_.load() + q)));
}

int ITransfert::ReadBaseArea(std::uint32_t address, std::uint32_t length, std::uint8_t* buffer,
                             std::uint32_t stride) {
    std::uint32_t done = 0, offset = 0;
    while (length - done >= kFrameSize && (length - done) % kFrameSize == 0) {
        int rc = link_.Read(buffer + done, address + offset, kFrameSize, LinkTimeoutMs());
        CountBytes(kFrameSize);
        if (rc != 0)
            return kPrimitiveFailed;
        done += kFrameSize;
        offset += stride;
    }
    if (done == length)
        return kPrimitiveOk;
    int rc = link_.Read(buffer + done, address + offset, length - done, LinkTimeoutMs());
    CountBytes(length - done);
    return rc == 0 ? kPrimitiveOk : kPrimitiveFailed;
}

int ITransfert::ReadDaughterArea(std::uint32_t address, std::uint32_t length, std::uint8_t* buffer,
                                 std::uint32_t stride) {
    std::uint32_t done = 0, offset = 0;
    while (done < length) {
        const std::uint32_t n = std::min(kFrameSize, length - done);
        int rc = link_.ReadCF(buffer + done, address + offset, n, LinkTimeoutMs());
        CountBytes(n);
        if (rc != 0)
            return kPrimitiveFailed;
        done += n;
        offset += stride;
    }
    return kPrimitiveOk;
}

int ITransfert::WriteBaseArea(std::uint32_t address, std::uint32_t length,
                              const std::uint8_t* buffer, std::uint32_t timeoutMs) {
    for (std::uint32_t done = 0; done < length;) {
        const std::uint32_t n = std::min(kFrameSize, length - done);
        int rc = link_.Write(buffer + done, address + done, n, timeoutMs);
        CountBytes(n);
        if (rc != 0)
            return kPrimitiveFailed;
        done += n;
    }
    return kPrimitiveOk;
}

int ITransfert::WriteFramed(std::uint32_t address, std::uint32_t length, const std::uint8_t* buffer,
                            std::uint32_t frameSize, std::uint32_t timeoutMs) {
    if (frameSize == 0)
        return kPrimitiveFailed;
    for (std::uint32_t done = 0; done < length;) {
        const std::uint32_t n = std::min(frameSize, length - done);
        int rc = link_.WriteCF(buffer + done, address + done, n, timeoutMs);
        CountBytes(n);
        if (rc != 0)
            return kPrimitiveFailed;
        done += n;
        // The controller stores a full frame before it takes the next one.
        if (n == frameSize)
            Clock().SleepMs(kFramedPauseMs);
    }
    return kPrimitiveOk;
}

int ITransfert::SendCommand(std::uint8_t code, std::uint8_t argument, CommandKind kind,
                            std::uint32_t timeoutMs) {
    const std::uint8_t bytes[2] = {code, argument};
    int rc = -1;
    switch (kind) {
    case CommandKind::Write:
        rc = link_.Write(bytes, kCommandAddress, 2, timeoutMs);
        break;
    case CommandKind::WriteCF:
        rc = link_.WriteCF(bytes, kCommandAddress, 2, timeoutMs);
        break;
    case CommandKind::WriteExt:
        rc = link_.CommandExt(code, argument, timeoutMs);
        break;
    }
    return rc == 0 ? kPrimitiveOk : kPrimitiveFailed;
}

int ITransfert::SendAddressedCommand(std::uint32_t address, const std::uint8_t* data,
                                     std::uint32_t count, std::uint32_t timeoutMs) {
    static const std::uint8_t kNone[1] = {0};
    const std::uint8_t* src = count == 0 ? kNone : data;
    return link_.WriteCF(src, address, std::min<std::uint32_t>(count, 1), timeoutMs) == 0
               ? kPrimitiveOk
               : kPrimitiveFailed;
}

int ITransfert::ReadSingle(std::uint32_t address, std::uint32_t length, std::uint8_t* buffer,
                           bool cf, std::uint32_t timeoutMs) {
    int rc = cf ? link_.ReadCF(buffer, address, length, timeoutMs)
                : link_.Read(buffer, address, length, timeoutMs);
    return rc == 0 ? kPrimitiveOk : kPrimitiveFailed;
}

void ITransfert::Reset(const std::string& firstStep) {
    percent_ = 0;
    finished_ = 0;
    failed_ = 0;
    warningVisible_ = 0;
    bytesPerPercent_ = 0;
    pendingBytes_ = 0;
    {
        std::lock_guard<std::mutex> lock(textMutex_);
        warningText_.clear();
        lastAlert_.clear();
    }
    SetStep(firstStep);
}

void ITransfert::SetStep(const std::string& text) {
    {
        std::lock_guard<std::mutex> lock(textMutex_);
        stepText_ = text;
    }
    if (stepObserver_)
        stepObserver_(text);
}

void ITransfert::SetPercent(std::uint16_t percent) {
    percent_ = std::min<std::uint16_t>(percent, 100);
}

void ITransfert::ShowWarning(const std::string& text) {
    {
        std::lock_guard<std::mutex> lock(textMutex_);
        warningText_ = text;
    }
    warningVisible_ = 1;
}

void ITransfert::HideWarning() {
    warningVisible_ = 0;
}

void ITransfert::Countdown(const std::string& prefix, int seconds) {
    for (int n = seconds; n >= 1; --n) {
        ShowWarning(prefix + std::to_string(n) + "s");
        Clock().SleepMs(1000);
    }
    HideWarning();
}

int ITransfert::Alert(AlertKind kind, const std::string& text) {
    {
        std::lock_guard<std::mutex> lock(textMutex_);
        lastAlert_ = text;
    }
    if (ui_ == nullptr)
        return kind == AlertKind::Question ? kAnswerNo : kAnswerOk;
    return ui_->Alert(kind, text);
}

bool ITransfert::Fail(const std::string& text, AlertKind kind) {
    Alert(kind, text);
    failed_ = 1;
    return false;
}

void ITransfert::Finish() {
    SetPercent(100);
    if (failed_.load() == 0)
        finished_ = 1;
}

} // namespace transfer
