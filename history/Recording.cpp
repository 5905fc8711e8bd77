#include "history/Recording.h"

#include "model/CFctTabIdentite.h"
#include "model/ControllerLabel.h"
#include "model/ModelTable.h"
#include "model/TableFactory.h"

namespace history {

namespace {

// The media of the link parameter block.
constexpr std::uint32_t kMediumEthernet = 1, kMediumBle = 2;

std::string HexByte(std::uint8_t b) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    return {kHex[b >> 4], kHex[b & 0xF]};
}

} // namespace

Record BeginRecord(const std::string& program, const std::string& operation) {
    Record r;
    r.started = NowMs();
    r.user = CurrentUser();
    r.host = CurrentHost();
    r.program = program;
    r.operation = operation;
    return r;
}

Record BeginOperation(const std::string& program, const std::string& operation,
                      const LinkEntry& link, comm::IControllerLink& reader) {
    Record r = BeginRecord(program, operation);
    r.link = link;
    r.controller = IdentifyController(reader);
    return r;
}

ControllerEntry IdentifyController(comm::IControllerLink& reader) {
    ControllerEntry entry;
    int family = model::kUnknownFamily;
    if (model::ReadFamilyCode(family, reader) != 0)
        return entry;
    // A family code this program does not know is served with the Trel layout, as the core
    // server does when it opens the link.
    if (family == model::kUnknownFamily)
        family = model::kFamilyTrel;
    std::unique_ptr<CFctTabIdentite> identity = model::CreateIdentityTable(family, reader);
    if (identity && identity->Read() == 0) {
        entry.code8 = identity->GetCode8();
        entry.model = identity->GetTypeName();
        entry.software = identity->FormatSoftwareVir();
    }
    entry.label = model::ReadLabel(reader).value_or("");
    return entry;
}

std::string BleAddressText(const std::uint8_t raw[6]) {
    std::string text;
    for (int i = 5; i >= 0; --i)
        text += HexByte(raw[i]) + (i ? ":" : "");
    return text;
}

std::string EthernetAddressText(std::uint32_t host, std::uint32_t tcpPort) {
    std::string text;
    for (int i = 0; i < 4; ++i)
        text += std::to_string((host >> (8 * i)) & 0xFF) + (i < 3 ? "." : "");
    return text + ":" + std::to_string(tcpPort);
}

LinkEntry LinkOfParameters(const PARAM_COM& block) {
    LinkEntry link;
    switch (paramcom::GetU32(block, paramcom::kMedium)) {
    case kMediumEthernet:
        link.kind = "eth";
        link.address = EthernetAddressText(paramcom::GetU32(block, paramcom::kIpAddress),
                                           paramcom::GetU32(block, paramcom::kTcpPort));
        break;
    case kMediumBle: {
        link.kind = "ble";
        link.port = paramcom::GetString(block, paramcom::kDonglePort, paramcom::kDonglePortSize);
        std::uint8_t raw[paramcom::kBleAddressSize];
        paramcom::BleAddressRaw(block, raw);
        link.address = BleAddressText(raw);
        break;
    }
    default:
        link.kind = "usb";
        link.port = paramcom::GetString(block, paramcom::kPortName, paramcom::kPortNameSize);
        break;
    }
    return link;
}

void FinishRecord(HistoryDb& db, Record& record, const std::string& result,
                  const std::string& message) {
    record.ended = NowMs();
    record.result = result;
    record.message = message;
    db.Add(record);
}

} // namespace history
