#include "cli/identity_report.h"

#include "cli/json.h"
#include "cli/messages.h"
#include "model/CFctTabIdentiteT71.h"
#include "model/ModelTable.h"
#include "model/TableFactory.h"

namespace cli {

namespace {

using model::VirKind;

std::string WithModule(const std::string& main, const std::optional<ModuleReport>& module,
                       std::string ModuleReport::*part) {
    return module ? main + " / " + (*module).*part : main;
}

// The boot, bootloader and software versions, as the controller, an expansion and the
// communication module each report them.
// `software` is null for a controller without firmware.
template <typename Report>
void WriteReleases(JsonWriter& j, const Report& r, bool noSoftware = false) {
    j.Key("boot").String(r.boot);
    j.Key("bootloader").String(r.bootloader);
    if (noSoftware)
        j.Key("software").Null();
    else
        j.Key("software").String(r.software);
}

void WriteModule(JsonWriter& j, const ModuleReport& m) {
    j.BeginObject();
    WriteReleases(j, m);
    j.Key("imei");
    WriteOrNull(j, m.imei, [](JsonWriter& w, const std::string& imei) { w.String(imei); });
    j.EndObject();
}

} // namespace

IdentityReport MakeIdentityReport(CFctTabIdentite& identity) {
    IdentityReport r;
    r.type = identity.GetTypeName();
    r.code8 = identity.GetCode8();
    r.model = identity.GetModelIndex();
    r.family = identity.GetFamilyIndex();
    r.hardware = identity.FormatHardwareVir();
    r.boot = identity.FormatBootVir();
    r.bootloader = identity.FormatBootloaderVir();
    r.software = identity.FormatSoftwareVir();
    r.digitalInputs = identity.GetDigitalInputCount();
    r.analogInputs = identity.GetAnalogInputCount();
    r.relayOutputs = identity.GetRelayOutputCount();
    r.pwmOutputs = identity.GetPwmOutputCount();
    r.communicating = identity.IsCommunicating();
    r.gprs = identity.HasGprs();
    r.tcpip = identity.HasTcpIp();

    auto* t71 = dynamic_cast<CFctTabIdentiteT71*>(&identity);
    if (t71 == nullptr)
        return r;
    // The diagnostics stop at the first empty expansion name: XT2 is not looked at without XT1.
    for (int n = 1; n <= 2; ++n) {
        std::string name = t71->GetExpansionName(n);
        if (name.empty())
            break;
        r.expansions.push_back({name, t71->GetExpansionCode8(n),
                                t71->FormatExpansionVir(n, VirKind::Hardware),
                                t71->FormatExpansionVir(n, VirKind::Boot),
                                t71->FormatExpansionVir(n, VirKind::Bootloader),
                                t71->FormatExpansionVir(n, VirKind::Software)});
    }
    if (!model::ModelHasNoCommModule(r.model)) {
        t71->CopyModuleFromRecord();
        ModuleReport module{t71->FormatModuleVir(VirKind::Boot),
                            t71->FormatModuleVir(VirKind::Bootloader),
                            t71->FormatModuleVir(VirKind::Software),
                            {}};
        if (r.gprs)
            module.imei = t71->GetModuleImei();
        r.module = module;
    }
    return r;
}

int ReadIdentityReport(comm::IControllerLink& reader, int familyIndex, IdentityReport& out) {
    std::unique_ptr<CFctTabIdentite> identity = model::CreateIdentityTable(familyIndex, reader);
    if (!identity || identity->Read() != 0)
        return comm::kTargetNotAnswering;
    out = MakeIdentityReport(*identity);
    return 0;
}

std::string IdentityText(const IdentityReport& r) {
    std::string text;
    auto line = [&text](const char* label, const std::string& value) {
        text += label;
        text += ": ";
        text += value;
        text += '\n';
    };
    line("Type of controller", r.type);
    line("Code8", r.code8);
    line("Model index", std::to_string(r.model));
    line("Family", std::to_string(r.family) + " (" + model::FamilyName(r.family) + ")");
    line("Hardware Release Version", r.hardware);
    line("Boot Release Version", WithModule(r.boot, r.module, &ModuleReport::boot));
    line("Bootloader Release Build Number Version",
         WithModule(r.bootloader, r.module, &ModuleReport::bootloader));
    line("Controller software Release Version",
         r.noFirmware ? std::string(texts::kNoFirmware)
                      : WithModule(r.software, r.module, &ModuleReport::software));
    line("Number and type of inputs", InputsText(r.digitalInputs, r.analogInputs));
    line("Number and type of outputs", OutputsText(r.relayOutputs, r.pwmOutputs));
    if (r.module && r.module->imei)
        line("IMEI", *r.module->imei);
    const char* slots[2] = {"XT1 expansion", "XT2 expansion"};
    for (std::size_t n = 0; n < 2; ++n) {
        if (n >= r.expansions.size()) {
            line(slots[n], msg::kNone);
            continue;
        }
        const ExpansionReport& x = r.expansions[n];
        line(slots[n], x.name + " (code8 " + x.code8 + ", hardware " + x.hardware + ", boot " +
                           x.boot + ", bootloader " + x.bootloader + ", software " + x.software +
                           ")");
    }
    line("Communicating", r.communicating ? "yes" : "no");
    line("GPRS", r.gprs ? "yes" : "no");
    line("TCP/IP", r.tcpip ? "yes" : "no");
    return text;
}

std::string IdentityJson(const IdentityReport& r) {
    JsonWriter j;
    j.BeginObject();
    j.Key("type").String(r.type);
    j.Key("code8").String(r.code8);
    j.Key("model").Int(r.model);
    j.Key("family").Int(r.family);
    j.Key("family_name").String(model::FamilyName(r.family));
    j.Key("hardware").String(r.hardware);
    WriteReleases(j, r, r.noFirmware);
    j.Key("digital_inputs").Int(r.digitalInputs);
    j.Key("analog_inputs").Int(r.analogInputs);
    j.Key("relay_outputs").Int(r.relayOutputs);
    j.Key("pwm_outputs").Int(r.pwmOutputs);
    j.Key("expansions").BeginArray();
    for (const ExpansionReport& x : r.expansions) {
        j.BeginObject();
        j.Key("name").String(x.name);
        j.Key("code8").String(x.code8);
        j.Key("hardware").String(x.hardware);
        WriteReleases(j, x);
        j.EndObject();
    }
    j.EndArray();
    j.Key("module");
    WriteOrNull(j, r.module, WriteModule);
    j.Key("communicating").Bool(r.communicating);
    j.Key("gprs").Bool(r.gprs);
    j.Key("tcpip").Bool(r.tcpip);
    j.Key("no_firmware").Bool(r.noFirmware);
    j.EndObject();
    return j.Text() + "\n";
}

} // namespace cli
