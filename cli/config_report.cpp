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

std::string UnknownIfEmpty(std::string s) {
    return s.empty() ? msg::kUnknown : s;
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
    static constexpr const char* kKeys[] = {"parameters", "digital", "other", "program", "slots"};
    const std::array<long, 5> available = services::AvailableMemory(familyCode);
    std::vector<MemoryRow> rows;
    for (std::size_t i = 0; i < available.size(); ++i)
        rows.push_back({kKeys[i], services::kMemoryRows[i], {}, available[i]});
    return rows;
}

int ReadConfigReport(comm::IControllerLink& reader, int familyIndex, ConfigReport& out) {
    std::unique_ptr<CFctTabIdentite> identity = model::CreateIdentityTable(familyIndex, reader);
    std::unique_ptr<CFctTabConf> conf = model::CreateConfTable(familyIndex, reader);
    if (!identity || !conf || identity->Read() != 0 || conf->Read() != 0)
        return comm::kTargetNotAnswering;

    ConfigReport r;
    r.label = UnknownIfEmpty(services::ReadControllerLabel(reader));
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
        r.memory = MemoryRows(services::ReadFamilyCodeByte(reader));
        r.memory[0].used = conf->GetParamZoneUsed();
        r.memory[1].used = conf->GetDigitalZoneUsed();
        r.memory[2].used = conf->GetOtherZonesUsed();
        r.memory[3].used = conf->GetProgramZoneUsed();
        r.memory[4].used = services::ReadSlotsUsed(reader);
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
            r.network = services::MakeNetworkView(*t71Conf);
        if (identity->HasGprs())
            r.gprs = services::MakeGprsView(*t71Conf, *t71Identity);
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
