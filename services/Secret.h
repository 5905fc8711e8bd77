// Text the user typed as a password. Its bytes are overwritten when it is dropped, so a
// password does not linger in freed memory; it is never printed or logged.
#pragma once

#include <string>
#include <string_view>

namespace services {

class Secret {
  public:
    Secret() = default;
    explicit Secret(std::string text) : text_(std::move(text)) {}
    Secret(const Secret&) = delete;
    Secret& operator=(const Secret&) = delete;
    Secret(Secret&& other) noexcept : text_(std::move(other.text_)) { other.Clear(); }
    Secret& operator=(Secret&& other) noexcept;
    ~Secret() { Clear(); }

    std::string_view View() const { return text_; }
    bool Empty() const { return text_.empty(); }
    // The text itself, for the few places that must fill it (an edit's contents, a line read
    // from the terminal).
    std::string& Mutable() { return text_; }
    void Clear();

  private:
    std::string text_;
};

// Overwrites `text` in place with zeros, in a way the compiler keeps.
void WipeText(std::string& text);

} // namespace services
