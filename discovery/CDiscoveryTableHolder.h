// What the dialogs keep of the discovery table: the latest publication taken from the
// client, and the questions asked about it.
#pragma once

#include <string>

#include "discovery/CDiscoveryClient.h"
#include "publish_reply.pb.h"

namespace discovery {

struct Duplicates {
    bool labels = false;    // two lines share a label
    bool addresses = false; // two lines share a host
};

class CDiscoveryTableHolder {
  public:
    explicit CDiscoveryTableHolder(IDiscoveryClient& client) : client_(client) {}

    // Takes the newest waiting publication (older ones are dropped); its number of lines, or
    // -1 when none was waiting.
    int Refresh();
    void Clear() { table_.Clear(); }
    // Line i's label: its first 18 characters without leading and trailing white space.
    std::string Label(int i) const;
    // Asks the service to remove line i (a manually added line) by its host.
    bool Remove(int i);
    Duplicates FindDuplicates() const;

    const DiscoveryTable& Table() const { return table_; }
    IDiscoveryClient& Client() { return client_; }

  private:
    IDiscoveryClient& client_;
    DiscoveryTable table_;
};

// The table holder of the process, on the process-wide client.
CDiscoveryTableHolder& ProcessTableHolder();

std::string TrimmedLabel(const std::string& label);

} // namespace discovery
