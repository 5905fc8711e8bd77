// Controller answers over Ethernet: 6-byte header + body, in any pieces, through the frame
// assembly and the read and write exchanges.
#include "fuzz/fed_link.h"
#include "transports/answer_assembly.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::RunExchanges<transports::TcpAnswerAssembler>(data, size);
    return 0;
}
