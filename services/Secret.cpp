#include "services/Secret.h"

namespace services {

void WipeText(std::string& text) {
    volatile char* p = text.data();
    for (std::size_t i = 0; i < text.size(); ++i)
        p[i] = 0;
    text.clear();
}

Secret& Secret::operator=(Secret&& other) noexcept {
    if (this != &other) {
        Clear();
        text_ = std::move(other.text_);
        other.Clear();
    }
    return *this;
}

void Secret::Clear() {
    WipeText(text_);
}

} // namespace services
