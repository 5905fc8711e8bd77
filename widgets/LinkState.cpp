#include "widgets/LinkState.h"

std::atomic<int>& LinkConfigured() {
    static std::atomic<int> flag{0};
    return flag;
}
