#include "cli/expansion_query.h"

#include <cstdio>
#include <vector>

#include "comm/CComClient.h"
#include "model/CFctTabIdentite.h"

namespace cli {

namespace {

constexpr std::uint32_t kOpenPassThrough = 0x100, kClosePassThrough = 0x200;
constexpr std::uint8_t kCmdBootMode = 6, kCmdLeave = 7;
// Where each expansion's boot version sits in the identity record.
constexpr std::size_t kExpansionBoot[2] = {124, 225};

class CComClientExpansionLink final : public IExpansionLink {
  public:
    int WriteExt(std::uint32_t address, std::uint32_t timeoutMs) override {
        return CComClient::Instance().SendWriteExt(address, timeoutMs);
    }
    int CommandExt(std::uint8_t code, std::uint8_t argument, std::uint32_t timeoutMs) override {
        return CComClient::Instance().SendCommandExt(code, argument, timeoutMs);
    }
};

} // namespace

IExpansionLink& ComClientExpansionLink() {
    static CComClientExpansionLink link;
    return link;
}

std::optional<std::string> QueryExpansionBoot(int n, model::IControllerReader& reader,
                                              IExpansionLink& link) {
    if (n != 1 && n != 2)
        return std::nullopt;
    std::uint32_t timeout = reader.LinkTimeoutMs();
    std::uint8_t slot = std::uint8_t(2 * n); // XT1 = 2, XT2 = 4
    if (link.WriteExt(kOpenPassThrough, timeout) != 0 ||
        link.CommandExt(kCmdBootMode, slot, timeout) != 0)
        return std::nullopt;
    std::vector<std::uint8_t> record(CFctTabIdentite::kRecordSize);
    if (reader.Read(record.data(), CFctTabIdentite::kAddress, std::uint32_t(record.size()),
                    timeout) != 0)
        return std::nullopt;
    const std::uint8_t* boot = record.data() + kExpansionBoot[n - 1];
    char text[16];
    std::snprintf(text, sizeof text, "%d.%d.%02d", boot[0], boot[1], boot[2]);
    if (link.CommandExt(kCmdLeave, slot, timeout) == 0)
        link.WriteExt(kClosePassThrough, timeout);
    return std::string(text);
}

void CompleteExpansionBoots(IdentityReport& report, model::IControllerReader& reader,
                            IExpansionLink& link) {
    for (std::size_t i = 0; i < report.expansions.size() && i < 2; ++i) {
        ExpansionReport& expansion = report.expansions[i];
        if (expansion.boot != "0.00.00")
            continue;
        if (std::optional<std::string> boot = QueryExpansionBoot(int(i) + 1, reader, link))
            expansion.boot = *boot;
    }
}

} // namespace cli
