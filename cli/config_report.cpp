#include "cli/config_report.h"

#include <array>

#include "cli/json.h"
#include "cli/messages.h"
#include "model/AnsiText.h"
#include "model/CFctTabConfT71.h"
#include "model/CFctTabIdentiteT71.h"
#include "model/ModelTable.h"
#include "model/TableFactory.h"

namespace cli {

namespace {

constexpr std::uint32_t kLabelAddress = 0x0F00, kLabelSize = 18;
constexpr std::uint32_t kSlotsAddress = 0x5200, kSlotsSize = 2;
constexpr const char* kNoAddress = "000.000.000.000";

std::string UnknownIfEmpty(std::string s) {
    return s.empty() ? msg::kUnknown : s;
}

std::string ReadLabel(model::IControllerReader& reader) {
    std::array<std::uint8_t, kLabelSize> bytes{};
    if (reader.Read(bytes.data(), kLabelAddress, kLabelSize, reader.LinkTimeoutMs()) != 0)
        return msg::kUnknown;
    return model::FieldCode(bytes.data(), bytes.size());
}

long ReadSlotsUsed(model::IControllerReader& reader) {
    std::array<std::uint8_t, kSlotsSize> bytes{};
    if (reader.Read(bytes.data(), kSlotsAddress, kSlotsSize, reader.LinkTimeoutMs()) != 0)
        return 0;
    return long(bytes[0]) << 8 | bytes[1]; // big-endian
}

int ReadFamilyCodeByte(model::IControllerReader& reader) {
    std::array<std::uint8_t, model::kBootIdentitySize> area{};
    if (reader.Read(area.data(), model::kBootIdentityAddress, model::kBootIdentitySize,
                    reader.LinkTimeoutMs()) != 0)
        return -1;
    return area[0];
}

NetworkReport MakeNetworkReport(CFctTabConfT71& conf) {
    conf.PrepareNetworkView();
    NetworkReport n;
    n.ipAddress = conf.FormatIpAddress();
    n.subnetMask = conf.FormatSubnetMask();
    n.gateway = conf.FormatGateway();
    n.hasReservedAddress = conf.HasReservedAddress();
    n.reservedAddress = n.hasReservedAddress ? conf.FormatReservedAddress() : kNoAddress;
    n.serverTimeout = conf.GetServerTimeout();
    n.dynamicAddressing = conf.IsDynamicAddressing();
    return n;
}

GprsReport MakeGprsReport(CFctTabConfT71& conf, CFctTabIdentiteT71& identity) {
    conf.PrepareGprsView();
    GprsReport g;
    g.activePlmn = UnknownIfEmpty(conf.GetActivePlmn());
    g.msisdn = UnknownIfEmpty(conf.GetMsisdn());
    g.power = conf.FormatPower();
    int family = identity.GetFamilyIndex();
    if (family == model::kFamilyKz9 || family == model::kFamilyPask) {
        identity.CopyModuleFromRecord();
        g.imei = identity.GetModuleImei();
    }
    return g;
}

void WriteText(JsonWriter& j, const char* key, const std::string& value) {
    j.Key(key).String(value);
}

void WriteNetwork(JsonWriter& j, const NetworkReport& n) {
    j.BeginObject();
    WriteText(j, "ip_address", n.ipAddress);
    WriteText(j, "subnet_mask", n.subnetMask);
    WriteText(j, "gateway", n.gateway);
    WriteText(j, "reserved_address", n.reservedAddress);
    j.Key("server_timeout").Int(n.serverTimeout);
    WriteText(j, "addressing", n.dynamicAddressing ? "dynamic" : "static");
    j.EndObject();
}

void WriteGprs(JsonWriter& j, const GprsReport& g) {
    j.BeginObject();
    WriteText(j, "active_plmn", g.activePlmn);
    WriteText(j, "power", g.power);
    WriteText(j, "imei", g.imei);
    WriteText(j, "msisdn", g.msisdn);
    j.EndObject();
}

} // namespace

std::vector<MemoryRow> MemoryRows(int familyCode) {
    std::vector<MemoryRow> rows = {
        {"parameters", "Parameters zone (bytes)", {}, kUnknownAvailable},
        {"digital", "Zone for Digital data, SFC token and Boolean (number)", {}, kUnknownAvailable},
        {"other", "Other data zones (bytes)", {}, kUnknownAvailable},
        {"program", "Program zone (bytes)", {}, kUnknownAvailable},
        {"slots", "Zone for application-specific functions (slots)", {}, kUnknownAvailable}};
    std::array<long, 5> available;
    switch (familyCode) {
    case model::kFamilyCodeKz9:
        available = {16384, 2048, 2048, 40960, 272};
        break;
    case model::kFamilyCodePask:
        available = {8192, 1024, 600, 16384, 152};
        break;
    case model::kFamilyCodeTrel:
        available = {6144, 1024, 600, 4096, 80};
        break;
    default:
        return rows;
    }
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i].available = available[i];
    return rows;
}

int ReadConfigReport(model::IControllerReader& reader, int familyIndex, ConfigReport& out) {
    std::unique_ptr<CFctTabIdentite> identity = model::CreateIdentityTable(familyIndex, reader);
    std::unique_ptr<CFctTabConf> conf = model::CreateConfTable(familyIndex, reader);
    if (!identity || !conf || identity->Read() != 0 || conf->Read() != 0)
        return model::kTargetNotAnswering;

    ConfigReport r;
    r.label = UnknownIfEmpty(ReadLabel(reader));
    r.programPresent = conf->GetProgramMarker() == CFctTabConf::kProgramPresentMarker;
    if (r.programPresent) {
        r.project = UnknownIfEmpty(conf->GetProjectName());
        r.version = UnknownIfEmpty(conf->GetProgramVersion());
        r.author = UnknownIfEmpty(conf->GetAuthor());
        r.toolVersion = UnknownIfEmpty(conf->GetToolVersion());
        r.paramMenuAccess = conf->GetParamMenuAccess();
        r.watchdog = conf->GetWatchdogState();
        r.cycle = conf->GetCycleTime();
        r.password = conf->GetPasswordText();
        r.checksum = conf->GetChecksumText();
        r.programFile = conf->GetProgramFileName();
        r.memory = MemoryRows(ReadFamilyCodeByte(reader));
        r.memory[0].used = conf->GetParamZoneUsed();
        r.memory[1].used = conf->GetDigitalZoneUsed();
        r.memory[2].used = conf->GetOtherZonesUsed();
        r.memory[3].used = conf->GetProgramZoneUsed();
        r.memory[4].used = ReadSlotsUsed(reader);
    } else {
        for (std::string* field :
             {&r.project, &r.version, &r.author, &r.toolVersion, &r.paramMenuAccess, &r.watchdog,
              &r.cycle, &r.password, &r.checksum})
            *field = msg::kUnknown;
        r.memory = MemoryRows(-1);
    }

    auto* t71Conf = dynamic_cast<CFctTabConfT71*>(conf.get());
    auto* t71Identity = dynamic_cast<CFctTabIdentiteT71*>(identity.get());
    if (t71Conf && t71Identity) {
        if (identity->HasTcpIp())
            r.network = MakeNetworkReport(*t71Conf);
        if (identity->HasGprs())
            r.gprs = MakeGprsReport(*t71Conf, *t71Identity);
    }
    out = std::move(r);
    return 0;
}

std::string ConfigText(const ConfigReport& r) {
    std::string text;
    auto line = [&text](const std::string& label, const std::string& value) {
        text += label + ": " + value + "\n";
    };
    if (!r.programPresent)
        text += std::string(msg::kNoProgram) + "\n";
    line("Controller label", r.label);
    line("Project name", r.project);
    line("Version", r.version);
    line("Author", r.author);
    line("Programming tool version", r.toolVersion);
    line("Restricted access to 'Parameters' menu", r.paramMenuAccess);
    line("WATCHDOG alive", r.watchdog);
    line("Basic controller cycle duration", r.cycle);
    line("Password", r.password);
    line("Application checksum", r.checksum);
    if (r.programPresent)
        line("Program file name", r.programFile);
    text += "Memories used/maximum memories:\n";
    for (const MemoryRow& row : r.memory) {
        text += "  " + row.label + ": " + (row.used ? std::to_string(*row.used) : "") + " / " +
                std::to_string(row.available) + "\n";
    }
    if (r.network) {
        const NetworkReport& n = *r.network;
        text += "Connection parameters:\n";
        line("  IP address", n.ipAddress);
        line("  Sub-network mask", n.subnetMask);
        line("  Gateway address", n.gateway);
        line("  Timeout server (minutes)", std::to_string(n.serverTimeout));
        line("  Reserved address", n.reservedAddress);
        line("  Addressing", n.dynamicAddressing ? "Dynamic address" : "Static address");
    }
    if (r.gprs) {
        const GprsReport& g = *r.gprs;
        text += "Network:\n";
        line("  Active PLMN", g.activePlmn);
        line("  Power received", g.power);
        line("  IMEI", g.imei);
        line("  MSISDN", g.msisdn);
    }
    return text;
}

std::string ConfigJson(const ConfigReport& r) {
    JsonWriter j;
    j.BeginObject();
    j.Key("program_present").Bool(r.programPresent);
    WriteText(j, "label", r.label);
    WriteText(j, "project", r.project);
    WriteText(j, "version", r.version);
    WriteText(j, "author", r.author);
    WriteText(j, "tool_version", r.toolVersion);
    WriteText(j, "param_menu_access", r.paramMenuAccess);
    WriteText(j, "watchdog", r.watchdog);
    WriteText(j, "cycle", r.cycle);
    WriteText(j, "password", r.password);
    WriteText(j, "checksum", r.checksum);
    WriteText(j, "program_file", r.programFile);
    j.Key("memory").BeginObject();
    for (const MemoryRow& row : r.memory) {
        j.Key(row.key).BeginObject();
        j.Key("used");
        WriteOrNull(j, row.used, [](JsonWriter& w, long used) { w.Int(used); });
        j.Key("available").Int(row.available);
        j.EndObject();
    }
    j.EndObject();
    j.Key("network");
    WriteOrNull(j, r.network, WriteNetwork);
    j.Key("gprs");
    WriteOrNull(j, r.gprs, WriteGprs);
    j.EndObject();
    return j.Text() + "\n";
}

} // namespace cli
