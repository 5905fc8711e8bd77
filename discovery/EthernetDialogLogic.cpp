#include "discovery/EthernetDialogLogic.h"

#include <charconv>

#include "discovery/DiscoveryAddress.h"

namespace discovery {

EthernetMemory& ProcessEthernetMemory() {
    static auto* memory = new EthernetMemory();
    return *memory;
}

bool EthernetDiscoveryLogic::Refresh() {
    rowsChanged_ = false;
    statusChanged_ = false;
    chosenLabelChanged_ = false;
    holder_.Clear();
    if (holder_.Refresh() < 0)
        return false;
    const Duplicates duplicates = holder_.FindDuplicates();
    const std::uint32_t now = clock_();
    std::vector<ShownRow> next;
    for (const Entry& line : holder_.Table().ligne()) {
        const bool stale = now > line.timestamp() && now - line.timestamp() > kDisplayMaxAgeSeconds;
        if (!IsManual(line) && stale)
            continue;
        const DiscoveryRow row = MakeRow(line);
        next.push_back(
            {EscapeAmpersands(row.label), row.clockRef, row.address, row.peer, row.manual});
        if (chosen_ && line.host() == chosen_->host && row.label != chosen_->label) {
            chosen_->label = row.label;
            chosen_->peer = row.peer;
            chosenLabelChanged_ = true;
        }
    }
    rowsChanged_ = next != rows_;
    rows_ = std::move(next);

    StatusKind kind = StatusKind::None;
    std::string text;
    if (rows_.empty()) {
        kind = StatusKind::NoController;
        text = kTextNoController;
    } else if (duplicates.labels || duplicates.addresses) {
        kind = StatusKind::Warnings;
        if (duplicates.labels)
            text += kTextSameLabel;
        if (duplicates.addresses)
            text += kTextSameIp;
    }
    statusChanged_ = kind != status_ || text != statusText_;
    status_ = kind;
    statusText_ = text;
    return true;
}

int EthernetDiscoveryLogic::LabelColumnWidth() const {
    return static_cast<int>(rows_.size()) < kRowsForScrollBar ? kLabelWidthWide : kLabelWidthNarrow;
}

std::string EthernetDiscoveryLogic::StatusText() const {
    return statusText_;
}

bool EthernetDiscoveryLogic::Choose(int row) {
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return false;
    const ShownRow& r = rows_[static_cast<std::size_t>(row)];
    const std::uint32_t address = ParseDotted(r.address).value_or(0);
    if (address == 0)
        return false;
    chosen_ = ChosenController{UnescapeAmpersands(r.label), r.clockRef, r.peer, address,
                               HostFromMsb(address)};
    okEnabled_ = true;
    return true;
}

void EthernetDiscoveryLogic::Preload(std::uint32_t host, const std::string& label,
                                     const std::string& clockRef) {
    chosen_ = ChosenController{label, clockRef, "", MsbFromHost(host), host};
    okEnabled_ = false;
}

bool EthernetDiscoveryLogic::CanSelect(int row) const {
    return row >= 0 && row < static_cast<int>(rows_.size()) &&
           !rows_[static_cast<std::size_t>(row)].address.empty();
}

bool EthernetDiscoveryLogic::CanRemove(int row) const {
    return CanSelect(row) && !rows_[static_cast<std::size_t>(row)].manual.empty();
}

bool EthernetDiscoveryLogic::Remove(int row) {
    if (!CanRemove(row))
        return false;
    const auto address = ParseDotted(rows_[static_cast<std::size_t>(row)].address);
    if (!address || !holder_.Client().RemoveController(HostFromMsb(*address)))
        return false;
    rows_.erase(rows_.begin() + row);
    rowsChanged_ = true;
    return true;
}

std::uint16_t EthernetDiscoveryLogic::ChosenTcpPort(const EthernetMemory& memory) const {
    if (!chosen_)
        return kDefaultTcpPort;
    auto it = memory.tcpPorts.find(chosen_->addressMsb);
    return it == memory.tcpPorts.end() ? kDefaultTcpPort : it->second;
}

std::string EthernetDiscoveryLogic::ChosenPeerName() const {
    return chosen_ ? chosen_->peer.substr(0, 14) : std::string();
}

std::optional<std::uint16_t> ParsePort(const std::string& text) {
    unsigned value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value == 0 ||
        value > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

void AddPlcLogic::SetCustomPorts(bool on) {
    customPorts_ = on;
    if (!on) {
        tcpPortText = std::to_string(kDefaultTcpPort);
        discoveryPortText = std::to_string(kDiscoveryPort);
    }
}

AddPlcLogic::Target AddPlcLogic::AddressToTry() const {
    if (ipMode_)
        return {addressMsb, false};
    if (const auto resolved = ResolveHostName(hostName))
        return {*resolved, false};
    return {kBroadcastHost, true};
}

std::optional<std::uint16_t> AddPlcLogic::TcpPort() const {
    return ParsePort(tcpPortText);
}

std::optional<std::uint16_t> AddPlcLogic::DiscoveryPort() const {
    return ParsePort(discoveryPortText);
}

bool AddPlcLogic::Attempt(IDiscoveryClient& client, std::uint32_t addressMsb, std::uint16_t port,
                          const WaitClock& clock) {
    return WaitForController(client, addressMsb, port, clock);
}

void AddPlcLogic::RememberTcpPort(EthernetMemory& memory, std::uint32_t addressMsb,
                                  std::uint16_t tcpPort) {
    memory.tcpPorts[addressMsb] = tcpPort;
}

} // namespace discovery
