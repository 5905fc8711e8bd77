// Datalog memories as read from a controller: the walker steps through whatever records
// the memory holds, and every value of every record it yields is read.
#include <cstdlib>
#include <vector>

#include "datalog/DatalogWalker.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace transfer;
    fuzz::Input in(data, size);
    const std::uint8_t flags = in.U8();
    const DatalogMemoryKind kind =
        (flags & 1) != 0 ? DatalogMemoryKind::kBoard : DatalogMemoryKind::kOwn;
    const std::array<bool, kDatalogRanges> wide = {(flags & 2) != 0, (flags & 4) != 0,
                                                   (flags & 8) != 0};
    // A copy of exactly the memory's size: a read past it is caught.
    const std::vector<std::uint8_t> memory(in.Rest(), in.Rest() + in.Left());
    DatalogWalker walker(memory, kind, wide);
    std::size_t records = 0;
    volatile std::int64_t sum = 0;
    while (auto record = walker.Next()) {
        if (++records > memory.size())
            std::abort(); // every record takes at least one byte
        for (int range = 0; range < kDatalogRanges; ++range) {
            for (int channel = 0; channel < 8; ++channel) {
                if (record->Holds(range, channel))
                    sum = sum + record->Value(range, channel);
            }
        }
    }
    return 0;
}
