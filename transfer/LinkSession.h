// Opening and closing the link from inside a transfer: the firmware update closes the link
// while the controller restarts and opens it again (Trel over Bluetooth, Ethernet), and the
// reconnection after an update opens it by itself. The program and the command line go through
// the communication client; tests may script it.
#pragma once

namespace transfer {

class ILinkSession {
  public:
    virtual ~ILinkSession() = default;
    // CONNECT: 0 when the link is open afterwards, non-zero otherwise.
    virtual int Connect() = 0;
    // DECONNECT: 0 when the request was answered.
    virtual int Deconnect() = 0;
};

// The session of the process-wide communication client.
ILinkSession& ComClientSession();

} // namespace transfer
