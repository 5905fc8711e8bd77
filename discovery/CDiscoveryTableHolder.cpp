#include "discovery/CDiscoveryTableHolder.h"

#include <set>

#include "discovery/DiscoveryCodec.h"

namespace discovery {

std::string TrimmedLabel(const std::string& label) {
    const std::string cut = FirstCharacters(label, kNotifyLabelChars);
    const char* space = " \t\r\n\v\f";
    const auto first = cut.find_first_not_of(space);
    if (first == std::string::npos)
        return {};
    const auto last = cut.find_last_not_of(space);
    return cut.substr(first, last - first + 1);
}

int CDiscoveryTableHolder::Refresh() {
    // Publications pile up while no dialog reads them (one a second from start-up): the
    // newest waiting one is the table, older ones would only show the past.
    table_.Clear();
    if (!client_.PollTable(table_))
        return -1;
    DiscoveryTable newer;
    while (client_.PollTable(newer)) {
        table_.Swap(&newer);
        newer.Clear();
    }
    return table_.ligne_size();
}

std::string CDiscoveryTableHolder::Label(int i) const {
    if (i < 0 || i >= table_.ligne_size())
        return {};
    return TrimmedLabel(table_.ligne(i).label());
}

bool CDiscoveryTableHolder::Remove(int i) {
    if (i < 0 || i >= table_.ligne_size())
        return false;
    return client_.RemoveController(table_.ligne(i).host());
}

Duplicates CDiscoveryTableHolder::FindDuplicates() const {
    Duplicates d;
    std::set<std::string> labels;
    std::set<std::uint32_t> hosts;
    for (const Entry& e : table_.ligne()) {
        if (!labels.insert(e.label()).second)
            d.labels = true;
        if (!hosts.insert(e.host()).second)
            d.addresses = true;
    }
    return d;
}

CDiscoveryTableHolder& ProcessTableHolder() {
    static auto* holder = new CDiscoveryTableHolder(CDiscoveryClient::Instance());
    return *holder;
}

} // namespace discovery
