#include "transfer/DatalogSaver.h"

#include <mutex>

namespace transfer {

namespace {

struct SaverSlot {
    std::mutex mutex;
    DatalogSaver saver;
};

SaverSlot& Slot() {
    static SaverSlot slot;
    return slot;
}

} // namespace

void InstallDatalogSaver(DatalogSaver saver) {
    std::lock_guard<std::mutex> lock(Slot().mutex);
    Slot().saver = std::move(saver);
}

DatalogSaver InstalledDatalogSaver() {
    std::lock_guard<std::mutex> lock(Slot().mutex);
    return Slot().saver;
}

} // namespace transfer
