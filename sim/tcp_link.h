// The Ethernet link: a TCP listener; each frame is a 6-byte header (transaction id,
// protocol 0, length) and a request body; answers carry the same transaction id.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "sim/controller.h"
#include "sim/link.h"
#include "sim/link_thread.h"

namespace sim {

class TcpLink : public Link {
  public:
    // `rate`: bytes per second the link carries (request and answer frames), as a
    // controller on its network answers; 0 answers at once.
    TcpLink(Controller& controller, std::string bind, int port, int rate = 0);
    ~TcpLink() override;

    bool Start(std::string* error) override;
    void Stop() override;
    std::string ReadyText() const override;

    int port() const { return port_; }

  private:
    struct Client {
        int fd;
        wire::Bytes in;
    };
    void Run();
    void Accept();
    // False when the client must be closed.
    bool Serve(Client& client);

    Controller& controller_;
    std::string bind_;
    int port_;
    int rate_;
    int listener_ = -1;
    std::vector<Client> clients_;
    LinkThread thread_;
};

} // namespace sim
