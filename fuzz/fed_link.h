// A link whose answers are the fuzzer's bytes, handed to the same answer assembly as the
// real links use, in pieces of a size the input chooses; and one T71_COMM read or write
// judged on what it assembled.
#pragma once

#include <cstdlib>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "transports/exchange.h"

namespace fuzz {

// `Assembler` is AsciiAnswerAssembler or TcpAnswerAssembler.
template <typename Assembler> class FedLink final : public transports::LinkBackend {
  public:
    FedLink(Input& in, std::size_t piece) : in_(in), piece_(piece) {}

    int Open(const PARAM_COM&, int) override {
        open_ = true;
        return t71::kOk;
    }
    void Close() override {
        open_ = false;
        assembler_.Clear();
    }
    bool IsOpen() const override { return open_; }
    transports::SendOutcome Send(const wire::Bytes&, int) override {
        assembler_.Clear();
        ++transaction_;
        return {};
    }
    transports::Answer Receive(std::size_t maxBody, transports::SteadyClock::time_point) override {
        for (;;) {
            if (auto a = TakeFrom(maxBody))
                return std::move(*a);
            if (in_.Left() == 0)
                return transports::Answer{transports::AnswerStatus::kNoAnswer, {}, true};
            std::size_t got = 0;
            const std::uint8_t* p = in_.Take(piece_, got);
            assembler_.Append(p, got);
        }
    }

  private:
    std::optional<transports::Answer> TakeFrom(std::size_t maxBody) {
        if constexpr (requires { assembler_.Take(maxBody, transaction_); })
            return assembler_.Take(maxBody, transaction_);
        else
            return assembler_.Take(maxBody);
    }

    Input& in_;
    std::size_t piece_;
    Assembler assembler_;
    bool open_ = false;
    std::uint16_t transaction_ = 0;
};

// Input: command choice (1), count (2), piece size (1), then the received bytes. Runs
// exchanges until the bytes run out; every result must be one a transport may return.
template <typename Assembler> void RunExchanges(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    static constexpr int kCommands[] = {3, 4, 7, 8, 11, 12};
    const std::uint8_t choice = in.U8();
    const int command = kCommands[choice % 6];
    const std::size_t count = in.U16() % 2049;
    const std::size_t piece = std::size_t(in.U8() % 64) + 1;
    FedLink<Assembler> link(in, piece);
    transports::TransportLibrary library{link, 0x4242};
    PARAM_COM params = paramcom::Initial();
    link.Open(params, 0);
    // The handshake write (0x14 at the command address) has an answer of its own.
    std::vector<std::uint8_t> buffer(count, 0x14);
    const std::uint32_t address = (choice & 0x80) != 0 ? wire::kCommandAddress : 0x1000;
    do {
        transports::T71Call call;
        call.target = 247;
        call.command = command;
        call.params = &params;
        call.timeoutMs = 100;
        call.count = int(count);
        call.address = address;
        call.buffer = buffer.data();
        int r = transports::RunT71(library, call);
        if (r != t71::kOk && r != t71::kUnsupported && r != t71::kLinkDown && r != t71::kNoAnswer)
            std::abort();
        if (!link.IsOpen())
            link.Open(params, 0);
    } while (in.Left() > 0);
}

} // namespace fuzz
