#include "services/Diagnostics.h"

#include <cstdio>
#include <memory>

#include "model/AnsiText.h"
#include "model/CFctTabConfT71.h"
#include "model/CFctTabIdentiteT71.h"
#include "model/ControllerLabel.h"
#include "model/ControllerMemory.h"
#include "model/ModelTable.h"
#include "model/TableFactory.h"

namespace services {

namespace {

using model::VirKind;

constexpr std::uint32_t kSlotsAddress = 0x5200;
constexpr std::uint32_t kOrangeBit = 0x04000000, kRedBit = 0x40000000, kLow24 = 0x00FFFFFF;
constexpr const char* kNoVersion = "0.0.00";
constexpr const char* kUnqueriedBoot = "0.00.00";

// Pass-through session of the expansion query.
constexpr std::uint32_t kOpenPassThrough = 0x100, kClosePassThrough = 0x200;
constexpr std::uint8_t kCmdBootMode = 6, kCmdLeave = 7;
// Where each expansion's boot version sits in the identity record.
constexpr std::size_t kExpansionBoot[2] = {124, 225};

std::string UnknownIfEmpty(std::string s) {
    return s.empty() ? kTextUnknown : s;
}

void AppendPart(std::string& text, int count, const char* unit) {
    if (count == 0)
        return;
    if (!text.empty())
        text += " / ";
    text += std::to_string(count) + unit;
}

std::optional<std::uint32_t> ReadStateWord(comm::IControllerLink& reader) {
    std::array<std::uint8_t, 4> b{};
    if (reader.Read(b.data(), model::kStateWordAddress, 4, reader.LinkTimeoutMs()) != 0)
        return std::nullopt;
    return std::uint32_t(b[0]) << 24 | std::uint32_t(b[1]) << 16 | std::uint32_t(b[2]) << 8 |
           b[3]; // big-endian
}

std::string ControllerStatus(comm::IControllerLink& reader) {
    std::array<std::uint8_t, 4> b{};
    if (reader.Read(b.data(), model::kRunStateAddress, 4, reader.LinkTimeoutMs()) != 0)
        return kTextUnknown;
    return (b[3] & 1) != 0 ? "On" : "Off";
}

} // namespace

std::string ReadControllerLabel(comm::IControllerLink& reader) {
    return model::ReadLabel(reader).value_or(kTextUnknown);
}

long ReadSlotsUsed(comm::IControllerLink& reader) {
    std::array<std::uint8_t, 2> b{};
    if (reader.Read(b.data(), kSlotsAddress, 2, reader.LinkTimeoutMs()) != 0)
        return 0;
    return long(b[0]) << 8 | b[1]; // big-endian
}

int ReadFamilyCodeByte(comm::IControllerLink& reader) {
    std::array<std::uint8_t, model::kBootIdentitySize> b{};
    if (reader.Read(b.data(), model::kBootIdentityAddress, model::kBootIdentitySize,
                    reader.LinkTimeoutMs()) != 0)
        return -1;
    return b[0];
}

namespace {

// The grid of connected expansions, rows XT1 and XT2; a row without an expansion reads
// "None" with empty versions.
DiagGrid ExpansionGrid() {
    DiagGrid g;
    g.title = "List of connected expansions";
    g.columns = {"Connected expansion name", "Hardware V.I.R", "Software V.I.R", "Boot V.I.R"};
    g.rows = {"XT1 expansion", "XT2 expansion"};
    g.cells = {{kTextNone, "", "", ""}, {kTextNone, "", "", ""}};
    return g;
}

void FillExpansions(DiagGrid& grid, CFctTabIdentiteT71& identity, comm::IControllerLink& link) {
    // XT2 is not looked at without XT1.
    for (int n = 1; n <= 2; ++n) {
        std::string name = identity.GetExpansionName(n);
        if (name.empty())
            return;
        std::string boot = identity.FormatExpansionVir(n, VirKind::Boot);
        if (boot == kUnqueriedBoot) {
            if (std::optional<std::string> queried = QueryExpansionBoot(n, link))
                boot = *queried;
        }
        grid.cells[std::size_t(n - 1)] = {name, identity.FormatExpansionVir(n, VirKind::Hardware),
                                          identity.FormatExpansionVir(n, VirKind::Software), boot};
    }
}

DiagField Field(const char* label, std::string value) {
    return DiagField{label, std::move(value), DiagColour::Normal, std::nullopt};
}

} // namespace

std::string InputsText(int digital, int analog) {
    std::string text;
    AppendPart(text, digital, " DI");
    AppendPart(text, analog, " ANA");
    return text;
}

std::string OutputsText(int relays, int pwm) {
    std::string text;
    AppendPart(text, relays, " RELAY / PWM"); // the diagnostics' own unit text for relays
    AppendPart(text, pwm, " PWM");
    return text;
}

ErrorCode ErrorCodeOf(std::uint32_t stateWord) {
    if (stateWord == 0)
        return {"No error", DiagColour::Normal};
    if ((stateWord & kOrangeBit) != 0)
        return {std::to_string(stateWord & kLow24), DiagColour::Orange};
    if ((stateWord & kRedBit) != 0)
        return {std::to_string(stateWord & kLow24), DiagColour::Red};
    return {"Unknown default code", DiagColour::Normal};
}

std::array<long, 5> AvailableMemory(int familyCode) {
    switch (familyCode) {
    case model::kFamilyCodeKz9:
        return {16384, 2048, 2048, 40960, 272};
    case model::kFamilyCodePask:
        return {8192, 1024, 600, 16384, 152};
    case model::kFamilyCodeTrel:
        return {6144, 1024, 600, 4096, 80};
    default:
        return {kUnknownAvailable, kUnknownAvailable, kUnknownAvailable, kUnknownAvailable,
                kUnknownAvailable};
    }
}

std::optional<std::string> QueryExpansionBoot(int n, comm::IControllerLink& link) {
    if (n != 1 && n != 2)
        return std::nullopt;
    const std::uint32_t timeout = link.LinkTimeoutMs();
    const auto slot = std::uint8_t(2 * n); // XT1 = 2, XT2 = 4
    if (link.WriteExt(kOpenPassThrough, timeout) != 0 ||
        link.CommandExt(kCmdBootMode, slot, timeout) != 0)
        return std::nullopt;
    std::vector<std::uint8_t> record(CFctTabIdentite::kRecordSize);
    if (link.Read(record.data(), CFctTabIdentite::kAddress, std::uint32_t(record.size()),
                  timeout) != 0)
        return std::nullopt;
    const std::uint8_t* boot = record.data() + kExpansionBoot[n - 1];
    char text[16];
    std::snprintf(text, sizeof text, "%d.%d.%02d", boot[0], boot[1], boot[2]);
    if (link.CommandExt(kCmdLeave, slot, timeout) == 0)
        link.WriteExt(kClosePassThrough, timeout);
    return std::string(text);
}

GprsView MakeGprsView(CFctTabConfT71& conf, CFctTabIdentiteT71& identity) {
    conf.PrepareGprsView();
    GprsView g;
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

NetworkView MakeNetworkView(CFctTabConfT71& conf) {
    conf.PrepareNetworkView();
    NetworkView n;
    n.ipAddress = conf.FormatIpAddress();
    n.subnetMask = conf.FormatSubnetMask();
    n.gateway = conf.FormatGateway();
    n.hasReservedAddress = conf.HasReservedAddress();
    n.reservedAddress = n.hasReservedAddress ? conf.FormatReservedAddress() : kNoAddress;
    n.serverTimeout = conf.GetServerTimeout();
    n.dynamicAddressing = conf.IsDynamicAddressing();
    return n;
}

std::vector<DiagPageKind> DiagPageKinds(comm::IControllerLink& reader, int familyIndex) {
    std::vector<DiagPageKind> kinds = {DiagPageKind::Hardware, DiagPageKind::Application};
    std::unique_ptr<CFctTabIdentite> identity = model::CreateIdentityTable(familyIndex, reader);
    if (!identity)
        return kinds;
    identity->Read(); // a failed read leaves a zeroed record: neither optional page
    if (identity->HasGprs())
        kinds.push_back(DiagPageKind::Network);
    if (identity->HasTcpIp())
        kinds.push_back(DiagPageKind::ConnectionParameters);
    return kinds;
}

std::string DiagPageTitle(DiagPageKind kind) {
    switch (kind) {
    case DiagPageKind::Hardware:
        return "Hardware";
    case DiagPageKind::Application:
        return "Application";
    case DiagPageKind::Network:
        return "Network";
    case DiagPageKind::ConnectionParameters:
        return "Connection parameters";
    }
    return "";
}

DiagPage ReadDiagPage(DiagPageKind kind, comm::IControllerLink& link, int familyIndex) {
    switch (kind) {
    case DiagPageKind::Hardware:
        return ReadHardwarePage(link, familyIndex);
    case DiagPageKind::Application:
        return ReadApplicationPage(link, familyIndex);
    case DiagPageKind::Network:
        return ReadNetworkPage(link);
    case DiagPageKind::ConnectionParameters:
        return ReadConnectionPage(link);
    }
    return {};
}

DiagPage ReadHardwarePage(comm::IControllerLink& link, int familyIndex) {
    DiagPage page;
    page.kind = DiagPageKind::Hardware;
    page.title = DiagPageTitle(page.kind);
    std::string type = kTextUnknown, hardware = kNoVersion, boot = kNoVersion,
                bootloader = kNoVersion, software = kNoVersion, inputs = kTextUnknown,
                outputs = kTextUnknown;
    DiagGrid grid = ExpansionGrid();

    std::unique_ptr<CFctTabIdentite> identity = model::CreateIdentityTable(familyIndex, link);
    if (identity && identity->Read() == 0) {
        type = identity->GetTypeName();
        hardware = identity->FormatHardwareVir();
        boot = identity->FormatBootVir();
        bootloader = identity->FormatBootloaderVir();
        software = identity->FormatSoftwareVir();
        inputs = InputsText(identity->GetDigitalInputCount(), identity->GetAnalogInputCount());
        outputs = OutputsText(identity->GetRelayOutputCount(), identity->GetPwmOutputCount());
        if (auto* t71 = dynamic_cast<CFctTabIdentiteT71*>(identity.get())) {
            if (!model::ModelHasNoCommModule(t71->GetModelIndex())) {
                // The module versions come from the record just read.
                t71->CopyModuleFromRecord();
                boot += " / " + t71->FormatModuleVir(VirKind::Boot);
                bootloader += " / " + t71->FormatModuleVir(VirKind::Bootloader);
                software += " / " + t71->FormatModuleVir(VirKind::Software);
            }
            FillExpansions(grid, *t71, link);
        }
    }
    ErrorCode error{kTextUnknown, DiagColour::Normal};
    if (std::optional<std::uint32_t> word = ReadStateWord(link))
        error = ErrorCodeOf(*word);

    page.fields = {Field("Type of controller", type),
                   Field("Hardware Release Version", hardware),
                   Field("Boot Release Version", boot),
                   Field("Bootloader Release Build Number Version", bootloader),
                   Field("Number and type of inputs", inputs),
                   Field("Number and type of outputs", outputs),
                   Field("Programming type", "FBD"),
                   Field("Controller software Release Version ", software),
                   Field("Controller status", ControllerStatus(link)),
                   DiagField{"Error code", error.text, error.colour, std::nullopt}};
    page.grid = std::move(grid);
    return page;
}

DiagPage ReadApplicationPage(comm::IControllerLink& reader, int familyIndex) {
    DiagPage page;
    page.kind = DiagPageKind::Application;
    page.title = DiagPageTitle(page.kind);
    DiagGrid grid;
    grid.title = "Memories used/maximum memories";
    grid.columns = {"Used        ", "Available      "};
    grid.rows.assign(kMemoryRows.begin(), kMemoryRows.end());
    std::array<long, 5> available = AvailableMemory(-1);
    std::array<std::string, 5> used;

    std::array<std::string, 9> app;
    app.fill(kTextUnknown);
    std::unique_ptr<CFctTabConf> conf = model::CreateConfTable(familyIndex, reader);
    if (conf) {
        conf->Reset();
        if (conf->Read() == 0) {
            if (conf->GetProgramMarker() == CFctTabConf::kProgramPresentMarker) {
                app = {UnknownIfEmpty(conf->GetProjectName()),
                       UnknownIfEmpty(conf->GetProgramVersion()),
                       UnknownIfEmpty(conf->GetAuthor()),
                       UnknownIfEmpty(conf->GetToolVersion()),
                       conf->GetParamMenuAccess(),
                       conf->GetWatchdogState(),
                       conf->GetCycleTime(),
                       conf->GetPasswordText(),
                       conf->GetChecksumText()};
                available = AvailableMemory(ReadFamilyCodeByte(reader));
                used = {std::to_string(conf->GetParamZoneUsed()),
                        std::to_string(conf->GetDigitalZoneUsed()),
                        std::to_string(conf->GetOtherZonesUsed()),
                        std::to_string(conf->GetProgramZoneUsed()),
                        std::to_string(ReadSlotsUsed(reader))};
            } else {
                page.noProgram = true;
            }
        }
    }
    for (std::size_t i = 0; i < used.size(); ++i)
        grid.cells.push_back({used[i], std::to_string(available[i])});

    page.fields = {Field("Controller label", ReadControllerLabel(reader)),
                   Field("Project name", app[0]),
                   Field("Version", app[1]),
                   Field("Author", app[2]),
                   Field("Programming tool version", app[3]),
                   Field("Restricted access to 'Parameters' menu", app[4]),
                   Field("WATCHDOG alive", app[5]),
                   Field("Basic controller cycle duration", app[6]),
                   Field("Password", app[7]),
                   Field("Application checksum", app[8])};
    page.grid = std::move(grid);
    return page;
}

DiagPage ReadNetworkPage(comm::IControllerLink& reader) {
    DiagPage page;
    page.kind = DiagPageKind::Network;
    page.title = DiagPageTitle(page.kind);
    GprsView view{kTextUnknown, kTextUnknown, kTextUnknown, kTextUnknown};
    CFctTabConfT71 conf(reader);
    CFctTabIdentiteT71 identity(reader);
    if (conf.Read() == 0 && identity.Read() == 0)
        view = MakeGprsView(conf, identity);
    page.fields = {Field("Active PLMN", view.activePlmn), Field("Power received", view.power),
                   Field("IMEI", view.imei), Field("MSISDN", view.msisdn)};
    return page;
}

DiagPage ReadConnectionPage(comm::IControllerLink& reader) {
    DiagPage page;
    page.kind = DiagPageKind::ConnectionParameters;
    page.title = DiagPageTitle(page.kind);
    NetworkView view{kNoAddress, kNoAddress, kNoAddress, kNoAddress, false, 0, false};
    CFctTabConfT71 conf(reader);
    if (conf.Read() == 0)
        view = MakeNetworkView(conf);
    page.fields = {Field("IP address", view.ipAddress),
                   Field("Sub-network mask", view.subnetMask),
                   Field("Gateway address", view.gateway),
                   Field("Timeout server (minutes)", std::to_string(view.serverTimeout)),
                   DiagField{"Reserved address", view.reservedAddress, DiagColour::Normal,
                             view.hasReservedAddress},
                   DiagField{"Dynamic address", "", DiagColour::Normal, view.dynamicAddressing},
                   DiagField{"Static address", "", DiagColour::Normal, !view.dynamicAddressing}};
    return page;
}

} // namespace services
