// The USB link: a pseudo-terminal published in the device folder as <name> (a symbolic
// link to the pty) with <name>.name holding its friendly name. Frames are ':' + hex +
// check byte + CR LF both ways.
#pragma once

#include <chrono>
#include <string>

#include "sim/controller.h"
#include "sim/link.h"
#include "sim/link_thread.h"

namespace sim {

class UsbLink : public Link {
  public:
    UsbLink(Controller& controller, std::string dev_dir, std::string name, int baud);
    ~UsbLink() override;

    bool Start(std::string* error) override;
    void Stop() override;
    std::string ReadyText() const override;

    std::string path() const { return dev_dir_ + "/" + name_; }

  private:
    bool OpenPty(std::string* error);
    void Publish();
    void Unpublish();
    void Run();
    void OnChars(const char* p, std::size_t n);
    void OnLine(const std::string& line);
    void Send(const std::string& text);
    void Drop();
    std::chrono::microseconds LineTime(std::size_t chars) const;

    Controller& controller_;
    std::string dev_dir_;
    std::string name_;
    int baud_;
    int master_ = -1;
    std::string slave_;
    std::string line_;
    bool in_frame_ = false;
    // When the current request's colon arrived: at an emulated speed the request only
    // counts as received once all its characters could have crossed the line.
    std::chrono::steady_clock::time_point frame_start_{};
    bool peer_open_ = false;
    bool published_ = false;
    LinkThread thread_;
};

// The friendly name written beside a simulated port.
std::string FriendlyName(const std::string& name);

} // namespace sim
