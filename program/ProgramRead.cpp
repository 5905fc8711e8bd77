// The program read: identity and configuration give the file header and name, then the ten
// areas of the catalogue are read in order into zones of the program file.
#include <ctime>
#include <memory>
#include <vector>

#include "comm/ProcessState.h"
#include "comm/SharedTexts.h"
#include "model/ModelTable.h"
#include "model/TableFactory.h"
#include "platform/local_time.h"
#include "program/ProgramFile.h"
#include "program/ProgramTransfers.h"
#include "transfer/AreaCatalogue.h"
#include "transfer/TransferMessages.h"

namespace transfer {

namespace {

int ConnectedFamily(int familyIndex) {
    return familyIndex >= 0 ? familyIndex : ControllerFamily().load();
}

} // namespace

CTransfertReadApp::CTransfertReadApp(std::string folder, bool ethernet, comm::IControllerLink& link,
                                     int familyIndex)
    : ITransfert(link), folder_(std::move(folder)), ethernet_(ethernet), familyIndex_(familyIndex) {
}

void CTransfertReadApp::Run() {
    Reset(msg::kCreatingHeader);
    filePath_.clear();
    // Ethernet controllers are read with the T71 layout whatever their family.
    const int family = ethernet_ ? model::kFamilyKz9 : ConnectedFamily(familyIndex_);
    std::unique_ptr<CFctTabIdentite> identity = model::CreateIdentityTable(family, Link());
    std::unique_ptr<CFctTabConf> conf = model::CreateConfTable(family, Link());
    if (!identity || !conf) {
        Fail(msg::kUnknownError);
        return;
    }
    SetPercent(2);
    identity->Reset();
    conf->Reset();
    if (identity->Read() != 0 || conf->Read() != 0) {
        Alert(AlertKind::Error, texts::kNotReacting);
        Fail(msg::kUnknownError);
        return;
    }
    const std::string path = ProgramFilePath(
        folder_, ProgramFileBaseName(conf->GetProgramFileName(), platform::LocalNow()));
    model::IdentitySummary summary;
    identity->BuildSummary(summary);
    CBaseFile file;
    if (!file.Create(path) || !file.WriteHeader(summary) || !file.BeginProgram()) {
        Fail(file.Error());
        return;
    }
    SetPercent(5);
    int modelIndex = model::kUnknownModel;
    if (model::ReadBootModel(modelIndex, Link()) != 0) {
        Fail(texts::kNotReacting);
        return;
    }
    if (!ReadAreas(file, modelIndex, RowOfFamily(identity->GetFamilyIndex()),
                   identity->GetSoftwareV(), identity->GetSoftwareI()))
        return;
    if (!file.EndProgram() || !file.Commit()) {
        Fail(file.Error());
        return;
    }
    filePath_ = path;
    Finish();
}

bool CTransfertReadApp::ReadAreas(CBaseFile& file, int modelIndex, int row, std::uint8_t v,
                                  std::uint8_t i) {
    AreaSizeTable sizes = AreaSizes(row, modelIndex, v, i);
    SetPercent(8);
    if (!ethernet_ && SkipsDaughterAreas(modelIndex))
        sizes[8] = sizes[9] = sizes[10] = sizes[11] = 0;
    SetPercent(10);
    SetBytesPerPercent(TotalSize(sizes) / 90);
    for (const AreaSpec& area : AreaCatalogue()) {
        SetStep(ReadStepText(area.address));
        const std::uint32_t size = sizes[std::size_t(area.slot)];
        std::vector<std::uint8_t> bytes(size);
        int rc = kPrimitiveOk;
        if (!area.base) {
            if (size != 0)
                rc = ReadDaughterArea(area.address, size, bytes.data());
        } else if (area.address == 0x000B0000 || area.address == 0x00040000) {
            // Metier and TabConf: one request for the whole area.
            rc = ReadSingle(area.address, size, bytes.data(), false, LinkTimeoutMs());
            CountBytes(size);
        } else {
            rc = ReadBaseArea(area.address, size, bytes.data());
        }
        if (rc != kPrimitiveOk)
            return Fail(texts::kNotReacting);
        const std::string erase =
            area.eraseContent != nullptr ? area.eraseContent : std::string(size * 2, '0');
        if (!file.WriteZone(area.name, Hex8(size), Hex8(area.address),
                            HexBytes(bytes.data(), bytes.size()), area.base ? "Base" : "CF",
                            Hex8(area.eraseAddress), erase))
            return Fail(file.Error());
    }
    return true;
}

std::unique_ptr<CTransfertReadApp> MakeProgramRead(const std::string& folder,
                                                   comm::IControllerLink& link) {
    if (link.Kind() == comm::kLinkEthernet)
        return std::make_unique<CTransfertReadAppByETH>(folder, link);
    return std::make_unique<CTransfertReadAppByUSB>(folder, link);
}

} // namespace transfer
