// The user-interface side of the communication core: one process-wide client that owns
// the messaging context, the REQ and SUB sockets and the core server thread, with one
// blocking call per request kind. Results: 0 success, the reply's codeErreur on r_KO,
// -1 when the exchange itself failed (not serialisable, unparsable reply, KO without code).
#pragma once

#include <cstdint>
#include <future>
#include <memory>
#include <string_view>
#include <thread>

#include <zmq.hpp>

#include "wire/t71.h"

class QRL_Publish;
class QRL_Reply;
class QRL_Request;

class CComClient {
  public:
    static CComClient& Instance();

    // Creates the context (0 I/O threads, at most 1023 sockets) and the sockets, starts
    // the core server thread and connects. 1 on success, 0 when a connect fails.
    int Init();
    // Orderly stop of the core server: QRL_KILL, then a join bounded by `waitMs`.
    // Returns true when the thread ended in time. Safe to call when never started.
    bool Shutdown(int waitMs = 2000);
    bool IsStarted() const { return started_; }

    int SetCommParam(const PARAM_COM& param);
    int GetCommParam(PARAM_COM& param);
    int StartMonitor();
    int StopMonitor();
    int Connect();
    int Deconnect();

    int SendRead(std::uint8_t* dest, std::uint32_t address, std::uint32_t count,
                 std::uint32_t timeoutMs);
    int SendReadCF(std::uint8_t* dest, std::uint32_t address, std::uint32_t count,
                   std::uint32_t timeoutMs);
    int SendWrite(const std::uint8_t* src, std::uint32_t address, std::uint32_t count,
                  std::uint32_t timeoutMs);
    int SendWriteCF(const std::uint8_t* src, std::uint32_t address, std::uint32_t count,
                    std::uint32_t timeoutMs);
    int SendWriteExt(std::uint32_t address, std::uint32_t timeoutMs);
    int SendCommand(std::uint8_t b1, std::uint8_t b2, std::uint32_t timeoutMs);
    int SendCommandCF(std::uint8_t b1, std::uint8_t b2, std::uint32_t timeoutMs);
    int SendCommandExt(std::uint8_t b1, std::uint8_t b2, std::uint32_t timeoutMs);
    int SendWriteByte(std::uint8_t b, std::uint32_t timeoutMs);

    // Takes at most one waiting publication; false at once when none waits.
    bool PollPublish(QRL_Publish& out);

    // One exchange with the whole reply kept: the operations above are built on it, and
    // tools and tests that need every reply field use it. Same results as above; -1
    // without sending when the client is not started, the core server has ended, or the
    // request cannot be encoded (so no call ever waits for a server that is gone).
    int Transact(const QRL_Request& req, QRL_Reply& reply);

    // The SSL peer name (at most 14 bytes) that SetCommParam sends for an Ethernet block
    // whose SSL flag is set, and that GetCommParam fills; the block's 4-byte reference
    // cannot hold its address, so the client keeps it.
    void SetSslPeerName(std::string_view name);
    const char* SslPeerName() const { return sslPeerName_; }

  private:
    CComClient() = default;
    int Exchange(const QRL_Request& req, std::uint8_t* dest, std::uint32_t count,
                 PARAM_COM* paramOut);
    bool ServerEnded() const;
    int Simple(int reqType);
    int Access(int reqType, std::uint32_t address, std::uint32_t count, std::uint32_t timeoutMs,
               std::uint8_t* dest);
    int Write(int reqType, const std::uint8_t* src, std::uint32_t address, std::uint32_t count,
              std::uint32_t timeoutMs);

    std::unique_ptr<zmq::context_t> ctx_;
    std::unique_ptr<zmq::socket_t> req_;
    std::unique_ptr<zmq::socket_t> sub_;
    std::thread server_;
    std::future<int> serverResult_;
    bool started_ = false;
    char sslPeerName_[16] = {};
};
