// discover and add: the Ethernet controllers on the network, through the discovery service.
// Discovery uses every interface that is up, or only those named by --iface (or by
// QUORVEL_DISCOVERY_IFACES).
#include <charconv>
#include <cstdio>
#include <ostream>
#include <thread>

#include "cli/commands.h"
#include "cli/discovery_lookup.h"
#include "cli/json.h"
#include "cli/messages.h"
#include "comm/SharedTexts.h"
#include "discovery/CDiscoveryClient.h"
#include "discovery/DiscoveryAddress.h"
#include "discovery/DiscoveryRows.h"
#include "discovery/DiscoveryWait.h"

namespace {

constexpr int kDefaultWaitSeconds = 3;
constexpr int kLabelLookupMs = 3000;

void PrintTable(const DiscoveryTable& table, std::ostream& out) {
    if (table.ligne_size() == 0) {
        out << "No kz9 controller found on the net.\n";
        return;
    }
    char line[160];
    std::snprintf(line, sizeof line, "%-18s  %-1s  %-15s  %-8s  %-10s  %s\n", "Label", "R", "IP",
                  "code8", "product id", "manual");
    out << line;
    for (const Entry& e : table.ligne()) {
        const discovery::DiscoveryRow row = discovery::MakeRow(e);
        // The mark is one character wide but three bytes long.
        const std::string mark = row.clockRef.empty() ? " " : row.clockRef;
        std::snprintf(line, sizeof line, "%-18s  %s  %-15s  %-8u  %-10u  %s\n", row.label.c_str(),
                      mark.c_str(), row.address.c_str(), e.code8(), e.productid(),
                      row.manual.empty() ? "" : "y");
        out << line;
    }
}

void PrintJson(const DiscoveryTable& table, std::ostream& out) {
    cli::JsonWriter j;
    j.BeginArray();
    for (const Entry& e : table.ligne()) {
        const discovery::DiscoveryRow row = discovery::MakeRow(e);
        j.BeginObject()
            .Key("label")
            .String(row.label)
            .Key("clockRef")
            .Bool(!row.clockRef.empty())
            .Key("address")
            .String(row.address)
            .Key("code8")
            .Int(e.code8())
            .Key("productId")
            .Int(e.productid())
            .Key("peer")
            .String(row.peer)
            .Key("manual")
            .Bool(discovery::IsManual(e))
            .Key("lastHeard")
            .Int(e.timestamp())
            .EndObject();
    }
    j.EndArray();
    out << j.Text() << "\n";
}

int RunDiscover(cli::Context& context) {
    const bool json = cli::TakeFlag(context.args, "--json");
    discovery::DiscoveryServiceOptions options;
    if (!cli::TakeInterfaces(context.args, options, context.err))
        return cli::kExitUsage;
    const std::optional<int> wait =
        cli::TakeWaitSeconds(context.args, context.err, kDefaultWaitSeconds);
    if (!wait)
        return cli::kExitUsage;
    if (!context.args.empty()) {
        context.err << "Unexpected argument: " << context.args[0] << "\n";
        return cli::kExitUsage;
    }
    const std::optional<DiscoveryTable> table = cli::SearchNetwork(options, *wait, context.err);
    if (!table)
        return cli::kExitFailure;
    if (json)
        PrintJson(*table, context.out);
    else
        PrintTable(*table, context.out);
    return cli::kExitOk;
}

// HOST[:DISCOVERY_PORT]
bool ParseTarget(const std::string& text, std::string& host, std::uint32_t& port,
                 std::ostream& err) {
    host = text;
    port = discovery::kDiscoveryPort;
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos)
        return true;
    host = text.substr(0, colon);
    const std::string p = text.substr(colon + 1);
    unsigned value = 0;
    auto [end, ec] = std::from_chars(p.data(), p.data() + p.size(), value);
    if (p.empty() || ec != std::errc() || end != p.data() + p.size() || value == 0 ||
        value > 65535) {
        err << "Invalid discovery port: " << p << "\n";
        return false;
    }
    port = value;
    return true;
}

int RunAdd(cli::Context& context) {
    const bool json = cli::TakeFlag(context.args, "--json");
    discovery::DiscoveryServiceOptions options;
    if (!cli::TakeInterfaces(context.args, options, context.err))
        return cli::kExitUsage;
    if (context.args.size() != 1) {
        context.err << "add needs one HOST[:DISCOVERY_PORT]\n";
        return cli::kExitUsage;
    }
    std::string host;
    std::uint32_t port = 0;
    if (!ParseTarget(context.args[0], host, port, context.err))
        return cli::kExitUsage;
    std::optional<std::uint32_t> address = discovery::ParseDotted(host);
    if (!address)
        address = discovery::ResolveHostName(host);
    if (!address) {
        // The dialog goes on with 255.255.255.255, which no controller answers; here the
        // attempt stops at once.
        context.err << "The host name could not be resolved in DNS\n";
        return cli::kExitFailure;
    }
    discovery::CDiscoveryClient client(options);
    if (!client.Init()) {
        context.err << "The discovery service could not be started\n";
        return cli::kExitFailure;
    }
    const bool found = discovery::WaitForController(client, *address, port);
    const std::optional<DiscoveryTable> table = found ? client.GetTable() : std::nullopt;
    client.Shutdown();
    if (!found) {
        context.err << texts::kNotReacting << "\n";
        return cli::kExitFailure;
    }
    DiscoveryTable mine;
    if (table)
        for (const Entry& e : table->ligne())
            if (e.host() == discovery::HostFromMsb(*address))
                *mine.add_ligne() = e;
    context.err << "Communication Succeed\n";
    if (json)
        PrintJson(mine, context.out);
    else
        PrintTable(mine, context.out);
    return cli::kExitOk;
}

const cli::Command kDiscover{
    "discover",
    "discover [--wait SECONDS] [--iface NAMES] [--json]",
    "Search the Ethernet controllers on the local network and list them",
    "Broadcasts one discovery search, waits SECONDS (3 by default) and prints the discovery\n"
    "table: label, clock-reference mark, address, code8, product id and whether the line was\n"
    "added by address. --iface restricts discovery to the named interfaces (comma separated;\n"
    "also QUORVEL_DISCOVERY_IFACES). --json prints one JSON array of objects.\n",
    false,
    RunDiscover};
const cli::RegisterCommand kRegisterDiscover(kDiscover);

const cli::Command kAdd{
    "add",
    "add HOST[:DISCOVERY_PORT] [--iface NAMES] [--json]",
    "Reach an Ethernet controller by address, as the add-controller dialog does",
    "Sends a directed discovery search to HOST (an address or a host name) on DISCOVERY_PORT\n"
    "(35007 by default) and waits up to 10 seconds for the controller to answer. Prints\n"
    "\"Communication Succeed\" and its line, or the not-reacting message with exit status 1.\n",
    false,
    RunAdd};
const cli::RegisterCommand kRegisterAdd(kAdd);

} // namespace

namespace cli {

bool TakeInterfaces(std::vector<std::string>& args, discovery::DiscoveryServiceOptions& options,
                    std::ostream& err) {
    options.interfaces = discovery::InterfacesFromEnvironment();
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "--iface")
            continue;
        if (i + 1 >= args.size()) {
            err << "--iface needs a list of interface names\n";
            return false;
        }
        options.interfaces = discovery::SplitInterfaceList(args[i + 1]);
        args.erase(args.begin() + std::ptrdiff_t(i), args.begin() + std::ptrdiff_t(i) + 2);
        return true;
    }
    return true;
}

std::optional<int> TakeWaitSeconds(std::vector<std::string>& args, std::ostream& err, int absent) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "--wait")
            continue;
        int value = -1;
        const std::string text = i + 1 < args.size() ? args[i + 1] : "";
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < 0 ||
            value > 600) {
            err << "--wait needs a number of seconds (0 to 600)\n";
            return std::nullopt;
        }
        args.erase(args.begin() + std::ptrdiff_t(i), args.begin() + std::ptrdiff_t(i) + 2);
        return value;
    }
    return absent;
}

std::optional<DiscoveryTable> SearchNetwork(const discovery::DiscoveryServiceOptions& options,
                                            int waitSeconds, std::ostream& err) {
    discovery::CDiscoveryClient client(options);
    if (!client.Init()) {
        err << "The discovery service could not be started\n";
        return std::nullopt;
    }
    if (!client.Search())
        err << "No network interface to search on\n";
    std::this_thread::sleep_for(std::chrono::seconds(waitSeconds));
    std::optional<DiscoveryTable> table = client.GetTable();
    client.Shutdown();
    if (!table)
        err << "The discovery service did not answer\n";
    return table;
}

bool ResolveEthernetLabel(LinkOptions& options, std::string& error) {
    discovery::CDiscoveryClient client(
        discovery::DiscoveryServiceOptions{discovery::InterfacesFromEnvironment(), {}, nullptr});
    if (!client.Init()) {
        error = "The discovery service could not be started";
        return false;
    }
    client.Search();
    const std::optional<Entry> line =
        discovery::FindControllerByLabel(client, options.label, kLabelLookupMs);
    client.Shutdown();
    if (!line) {
        error = "No controller labelled \"" + options.label + "\" answered on the network";
        return false;
    }
    options.host = line->host();
    return true;
}

} // namespace cli
