// The user-interface side of the discovery service: one process-wide client that owns the
// discovery messaging context, the request and subscribe sockets and the service thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include <zmq.hpp>

#include "discovery/CDiscoveryService.h"
#include "publish_reply.pb.h"

namespace discovery {

// What the dialogs, the table holder and the command line need of the discovery service.
class IDiscoveryClient {
  public:
    virtual ~IDiscoveryClient() = default;
    // SEND_SEARCH with an empty label for any KZ9.
    virtual bool Search() = 0;
    // ADD_KZ9: address with the first octet most significant.
    virtual bool AddController(std::uint32_t productId, std::uint32_t code,
                               std::uint32_t addressMsb, std::uint32_t port) = 0;
    // DELETE_KZ9 with the host of a table line.
    virtual bool RemoveController(std::uint32_t host) = 0;
    // Takes the oldest waiting publication without waiting; true when one was taken.
    virtual bool PollTable(DiscoveryTable& table) = 0;
    // GET_TABLE.
    virtual std::optional<DiscoveryTable> GetTable() = 0;
};

class CDiscoveryClient : public IDiscoveryClient {
  public:
    // The process-wide client, started on first use by the application.
    static CDiscoveryClient& Instance();

    explicit CDiscoveryClient(DiscoveryServiceOptions options = {});
    ~CDiscoveryClient() override;
    CDiscoveryClient(const CDiscoveryClient&) = delete;
    CDiscoveryClient& operator=(const CDiscoveryClient&) = delete;

    // Options apply to the next Init.
    void SetOptions(DiscoveryServiceOptions options) { options_ = std::move(options); }
    // Creates the context and sockets, starts the service thread and connects. False when a
    // connect fails; a socket that cannot be created raises zmq::error_t.
    bool Init();
    // KILL, then a join bounded by `waitMs`. True when the thread ended in time; safe when
    // never started.
    bool Shutdown(int waitMs = 2000);
    bool IsStarted() const { return started_; }

    bool Search() override;
    bool AddController(std::uint32_t productId, std::uint32_t code, std::uint32_t addressMsb,
                       std::uint32_t port) override;
    bool RemoveController(std::uint32_t host) override;
    bool PollTable(DiscoveryTable& table) override;
    std::optional<DiscoveryTable> GetTable() override;

    // One request and its answer; nothing when the request cannot be serialised, cannot be
    // sent or is not answered within the answer time-out.
    std::optional<std::string> Exchange(const Request& request);
    std::optional<std::string> ExchangeBytes(const std::string& request);

    static constexpr int kAnswerTimeoutMs = 3000;

  private:
    bool ExchangeReply(const Request& request);

    DiscoveryServiceOptions options_;
    std::unique_ptr<zmq::context_t> context_;
    std::unique_ptr<zmq::socket_t> req_;
    std::unique_ptr<zmq::socket_t> sub_;
    std::thread thread_;
    std::shared_ptr<std::atomic<bool>> threadDone_;
    bool started_ = false;
};

} // namespace discovery
