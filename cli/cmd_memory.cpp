// read: a hex dump of controller memory.
#include <algorithm>
#include <ostream>
#include <vector>

#include "cli/access_check.h"
#include "cli/commands.h"
#include "cli/hex_dump.h"
#include "cli/messages.h"
#include "comm/CComClient.h"
#include "comm/ProcessState.h"
#include "comm/SharedTexts.h"
#include "wire/t71.h"

namespace {

constexpr std::uint32_t kReadPiece = 2048;

int RunRead(cli::Context& context) {
    bool cf = cli::TakeFlag(context.args, "--cf");
    std::uint32_t address = 0, count = 0;
    if (context.args.size() != 2 || !cli::ParseNumber(context.args[0], 0xFFFFFFFF, address) ||
        !cli::ParseNumber(context.args[1], t71::kMaxTransfer, count) || count == 0) {
        context.err << "Usage: quorvel-cli LINK OPTIONS read ADDRESS COUNT [--cf] (COUNT 1 to "
                    << t71::kMaxTransfer << ")\n";
        return cli::kExitUsage;
    }
    if (!cli::CheckAccess(context))
        return cli::kExitFailure;
    std::vector<std::uint8_t> bytes(count);
    CComClient& client = CComClient::Instance();
    // Read in pieces: the answer to one request must fit the request channel's buffer
    // together with its header, so a single read of the largest count could not come back.
    for (std::uint32_t done = 0; done < count; done += kReadPiece) {
        const std::uint32_t n = std::min(kReadPiece, count - done);
        const std::uint32_t at = address + done;
        int result = cf ? client.SendReadCF(bytes.data() + done, at, n, RequestTimeoutMs())
                        : client.SendRead(bytes.data() + done, at, n, RequestTimeoutMs());
        if (result != 0) {
            context.err << texts::kNotReacting << "\n";
            return cli::kExitFailure;
        }
    }
    context.out << cli::HexDump(address, bytes);
    return cli::kExitOk;
}

const cli::Command kRead{
    "read",
    "read ADDRESS COUNT [--cf]",
    "Dump COUNT bytes of controller memory at ADDRESS",
    "ADDRESS and COUNT are decimal, or hexadecimal after \"0x\"; COUNT is 1 to 40000,\n"
    "read in pieces of 2048 bytes.\n"
    "--cf reads with the second read kind (the communication board's memory).\n"
    "Each line shows the address, 16 bytes in hexadecimal and their printable characters.\n"
    "A remote-locked controller is asked for its password first (see unlock).\n",
    true,
    RunRead};
const cli::RegisterCommand kRegisterRead(kRead);

} // namespace
