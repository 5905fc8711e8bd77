#include "widgets/UiClock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {
std::atomic<double> g_scale{1.0};
}

void UiClock::Wait(int ms) {
    double scaled = ms * g_scale.load();
    if (scaled <= 0)
        return;
    std::this_thread::sleep_for(std::chrono::microseconds(static_cast<long long>(scaled * 1000)));
}

void UiClock::SetScale(double scale) {
    g_scale.store(scale < 0 ? 0 : scale);
}

double UiClock::Scale() {
    return g_scale.load();
}
