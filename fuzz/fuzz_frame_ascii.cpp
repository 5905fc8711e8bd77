// Controller answers over the serial links: ':' + hex pairs + check byte + CR LF, in any
// pieces, through the line assembly and the read and write exchanges.
#include "fuzz/fed_link.h"
#include "transports/answer_assembly.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::RunExchanges<transports::AsciiAnswerAssembler>(data, size);
    return 0;
}
