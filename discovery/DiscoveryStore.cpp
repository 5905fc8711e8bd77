#include "discovery/DiscoveryStore.h"

#include <chrono>

namespace discovery {
namespace {

// A clock set back makes a line look new rather than decades old.
std::uint32_t Elapsed(std::uint32_t now, std::uint32_t then) {
    return now >= then ? now - then : 0;
}

} // namespace

SecondsClock SystemSecondsClock() {
    return [] {
        const auto s = std::chrono::duration_cast<std::chrono::seconds>(
            std::chrono::system_clock::now().time_since_epoch());
        return static_cast<std::uint32_t>(s.count()); // low 32 bits
    };
}

bool DiscoveryStore::Update(const Entry& heard, MessageKind kind) {
    if (kind == MessageKind::Search)
        return false;
    Entry entry = heard;
    const std::uint32_t now = clock_();
    entry.set_timestamp(now);
    const Key key{entry.code8(), entry.productid()};
    if (kind == MessageKind::SearchResp) {
        auto manual = manual_.find(entry.host());
        if (manual != manual_.end()) {
            if (Elapsed(now, manual->second.addedAt) <= kManualWindowSeconds)
                entry.set_ajoutmanuel(true);
            manual_.erase(manual);
        }
        auto line = lines_.find(key);
        if (line != lines_.end() && line->second.has_ajoutmanuel() && line->second.ajoutmanuel())
            entry.set_ajoutmanuel(true);
    }
    lines_[key].MergeFrom(entry);
    return true;
}

void DiscoveryStore::Age() {
    const std::uint32_t now = clock_();
    for (auto it = lines_.begin(); it != lines_.end();) {
        const Entry& e = it->second;
        const bool manual = e.has_ajoutmanuel() && e.ajoutmanuel();
        if (!manual && Elapsed(now, e.timestamp()) > kEntryMaxAgeSeconds)
            it = lines_.erase(it);
        else
            ++it;
    }
    for (auto it = manual_.begin(); it != manual_.end();) {
        if (Elapsed(now, it->second.addedAt) > kManualWindowSeconds)
            it = manual_.erase(it);
        else
            ++it;
    }
}

void DiscoveryStore::AddManual(std::uint32_t host, std::uint16_t port) {
    auto [it, inserted] = manual_.try_emplace(host, ManualAddress{clock_(), port});
    if (!inserted)
        it->second.addedAt = clock_();
}

bool DiscoveryStore::RemoveManualHost(std::uint32_t host) {
    for (auto it = lines_.begin(); it != lines_.end(); ++it) {
        const Entry& e = it->second;
        if (e.host() == host && e.has_ajoutmanuel() && e.ajoutmanuel()) {
            lines_.erase(it);
            return true;
        }
    }
    return false;
}

bool DiscoveryStore::RemoveKey(std::uint32_t productId, std::uint32_t code8) {
    return lines_.erase(Key{code8, productId}) > 0;
}

DiscoveryTable DiscoveryStore::ToTable() const {
    DiscoveryTable table;
    for (const auto& [key, line] : lines_) {
        Entry* e = table.add_ligne();
        e->set_host(line.host());
        e->set_productid(line.productid());
        e->set_code8(line.code8());
        e->set_label(line.label());
        e->set_type(line.type());
        e->set_securitylevel(line.securitylevel());
        e->set_timestamp(line.timestamp());
        if (line.has_ajoutmanuel())
            e->set_ajoutmanuel(line.ajoutmanuel());
        if (line.has_isclockref())
            e->set_isclockref(line.isclockref());
    }
    return table;
}

} // namespace discovery
