// Discovery datagrams as heard on UDP port 35007: decoded, entered into the table, and
// shown as the dialog's and the command line's rows.
#include <cstdlib>
#include <sstream>
#include <string>

#include <google/protobuf/stubs/logging.h>

#include "discovery/DiscoveryCodec.h"
#include "discovery/DiscoveryRows.h"
#include "discovery/DiscoveryStore.h"
#include "fuzz/fuzz_input.h"

namespace {
void QuietLog(google::protobuf::LogLevel, const char*, int, const std::string&) {}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    google::protobuf::SetLogHandler(QuietLog);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::uint8_t flags = in.U8();
    discovery::PcIdentity pc;
    pc.host = 0x0A4D0001;
    pc.diagnostics = (flags & 1) != 0;
    std::uint32_t now = 1000;
    discovery::DiscoveryStore store([&now] { return now; });
    if ((flags & 2) != 0)
        store.AddManual(0x0A4D0002, discovery::kDiscoveryPort);
    std::ostringstream console;
    // The rest is one datagram, or several behind 2-byte lengths when the flags say so.
    while (in.Left() > 0) {
        std::size_t n = in.Left();
        if ((flags & 4) != 0)
            n = in.U16();
        std::size_t got = 0;
        const std::uint8_t* datagram = in.Take(n, got);
        const auto heard = discovery::DecodeDatagram(datagram, got, 0x0A4D0002, pc, console);
        if (!heard)
            continue;
        store.Update(heard->entry, heard->kind);
        now += 7;
        store.Age();
    }
    const DiscoveryTable table = store.ToTable();
    for (const auto& [key, line] : store.Lines()) {
        const discovery::DiscoveryRow row = discovery::MakeRow(line);
        if (row.label.size() > line.label().size())
            std::abort();
        if (discovery::UnescapeAmpersands(discovery::EscapeAmpersands(row.label)) != row.label)
            std::abort();
    }
    std::string bytes;
    table.SerializePartialToString(&bytes);
    return 0;
}
