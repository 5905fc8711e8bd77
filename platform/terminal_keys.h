// Keys typed on the standard input for interactive terminal front ends: the terminal is put
// in raw mode (no echo, no line buffering) while a RawKeyboard lives; keys from a pipe work
// too, without the mode change.
#pragma once

#include <string>

namespace platform {

class RawKeyboard {
  public:
    RawKeyboard();
    ~RawKeyboard();
    RawKeyboard(const RawKeyboard&) = delete;
    RawKeyboard& operator=(const RawKeyboard&) = delete;

    // Waits at most `timeoutMs` for input and returns what arrived (empty when nothing
    // did). `closed` becomes true once the input has ended.
    std::string Read(int timeoutMs, bool& closed);

  private:
    bool raw_ = false;
    unsigned char saved_[64] = {}; // the terminal settings to restore
};

} // namespace platform
