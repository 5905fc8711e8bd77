#include "firmware/FirmwareUpdate.h"

#include "firmware/CTransfertWriteFWByBTH.h"
#include "firmware/CTransfertWriteFWByETH.h"
#include "firmware/CTransfertWriteFWByUSB.h"
#include "firmware/FirmwareMessages.h"
#include "model/ModelTable.h"
#include "model/TableFactory.h"

namespace transfer {

std::unique_ptr<CTransfertWriteFW> CreateFirmwareTransfer(int linkKind, const std::string& path,
                                                          comm::IControllerLink& link,
                                                          ILinkSession& session) {
    switch (linkKind) {
    case comm::kLinkUsb:
        return std::make_unique<CTransfertWriteFWByUSB>(path, link, session);
    case comm::kLinkBle:
        return std::make_unique<CTransfertWriteFWByBTH>(path, link, session);
    case comm::kLinkEthernet:
        return std::make_unique<CTransfertWriteFWByETH>(path, link, session);
    default:
        return nullptr;
    }
}

Reconnection ReconnectAfterUpdate(comm::IControllerLink& link, ILinkSession& session,
                                  ITransferClock& clock, int tries, std::uint32_t pauseMs) {
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

std::optional<fw::PackageVersion> PackageNameVersion(const std::string& path, int modelIndex) {
    const auto folder = fw::PackageFolderOfModel(modelIndex);
    if (!folder)
        return std::nullopt;
    const std::size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    for (int language = 0; language < fw::kLanguageCount; ++language)
        if (auto version = fw::MatchPackageFileName(name, *folder, language))
            return version;
    return std::nullopt;
}

namespace {

// Versions compare by their numbers ("1.10.3" is 1.10.03); text that is not a version
// compares as text.
bool SameVersion(const std::string& a, const std::string& b) {
    const auto va = fw::ParseVersionText(a), vb = fw::ParseVersionText(b);
    if (!va || !vb)
        return a == b;
    return va->v == vb->v && va->i == vb->i && va->r == vb->r;
}

} // namespace

UpdateVerdict JudgeUpdate(const std::string& before, const std::string& after,
                          const std::optional<fw::PackageVersion>& named) {
    UpdateVerdict verdict;
    if (!named || SameVersion(after, named->text))
        return verdict;
    if (SameVersion(after, before)) {
        verdict.started = false;
        verdict.message = msg::FwNotStarted(after);
    } else {
        verdict.message = msg::FwOtherVersion(after, named->text);
    }
    return verdict;
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
