// A link that carries requests to the controller (USB pty, TCP listener, BLE dongle,
// discovery responder). The program starts each one, prints READY with their
// descriptions once all are up, and stops them in reverse order at exit.
#pragma once

#include <string>

namespace sim {

class Link {
  public:
    virtual ~Link() = default;
    // Starts the link's thread; false with `error` set when it cannot come up.
    virtual bool Start(std::string* error) = 0;
    // Asks the thread to stop and joins it; idempotent.
    virtual void Stop() = 0;
    // The "key=value" text this link adds to the READY line (empty: nothing).
    virtual std::string ReadyText() const = 0;
};

} // namespace sim
