#include "comm/CComClient.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>

#include "QRL_protocole.pb.h"
#include "comm/CommParamCodec.h"
#include "comm/CoreServer.h"
#include "platform/message_order.h"

namespace {

constexpr int kMaxSockets = 1023;
constexpr std::uint32_t kCommandAddress = 0x7000;
constexpr std::uint32_t kKeyAddress = 0x6000;
constexpr std::chrono::seconds kKillSettleTime{2};

// The result of a reply: 0 on r_OK, its code on r_KO, -1 for a KO without a (nonzero)
// code, which must never read as success.
int ResultOf(const QRL_Reply& reply) {
    if (reply.status() == r_OK)
        return 0;
    if (reply.has_codeerreur() && reply.codeerreur() != 0)
        return int(reply.codeerreur());
    return -1;
}

// A read or write request of `count` bytes at `address`, without its data.
QRL_Request AccessRequest(int reqType, std::uint32_t address, std::uint32_t count,
                          std::uint32_t timeoutMs) {
    QRL_Request req;
    req.set_reqtype(req_Type(reqType));
    Trame* trame = req.mutable_trametosend();
    trame->set_adress(address);
    trame->set_nbdata(count);
    trame->set_timeout(timeoutMs);
    return req;
}

} // namespace

CComClient& CComClient::Instance() {
    // Never destroyed: the core server thread may outlive every other object.
    static CComClient* client = new CComClient();
    return *client;
}

int CComClient::Init() {
    // Started once per process: after Shutdown the old sockets still hold the context.
    if (ctx_)
        return started_ ? 1 : 0;
    ctx_ = std::make_unique<zmq::context_t>(0, kMaxSockets);
    req_ = std::make_unique<zmq::socket_t>(*ctx_, zmq::socket_type::req);
    sub_ = std::make_unique<zmq::socket_t>(*ctx_, zmq::socket_type::sub);

    std::packaged_task<int(zmq::context_t&)> task(coreserver::Run);
    serverResult_ = task.get_future();
    server_ = std::thread(std::move(task), std::ref(*ctx_));
    started_ = true;
    try {
        // The in-process transport accepts a connect that precedes the server's bind.
        req_->connect(coreserver::kRequestEndpoint);
        sub_->connect(coreserver::kPublishEndpoint);
    } catch (const zmq::error_t&) {
        return 0;
    }
    sub_->set(zmq::sockopt::subscribe, "");
    return 1;
}

bool CComClient::Shutdown(int waitMs) {
    if (!server_.joinable())
        return true;
    started_ = false;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    bool ended = serverResult_.wait_for(std::chrono::milliseconds(0)) == std::future_status::ready;
    if (!ended) {
        QRL_Request kill;
        kill.set_reqtype(QRL_KILL);
        std::string bytes;
        kill.SerializeToString(&bytes);
        // Never blocks: a server that cannot take the request is left to the deadline.
        platform::BeforeSend();
        if (req_->send(zmq::buffer(bytes), zmq::send_flags::dontwait)) {
            zmq::pollitem_t item{req_->handle(), 0, ZMQ_POLLIN, 0};
            zmq::poll(&item, 1, std::chrono::milliseconds(waitMs));
            zmq::message_t answer;
            if (item.revents & ZMQ_POLLIN)
                (void)req_->recv(answer, zmq::recv_flags::dontwait);
        }
        auto left = std::max(deadline - std::chrono::steady_clock::now(),
                             std::chrono::steady_clock::duration::zero());
        ended = serverResult_.wait_for(left) == std::future_status::ready;
    }
    if (ended) {
        server_.join();
        return true;
    }
    // A link call still running: the process exit ends the thread; the context and the
    // registry it uses are never destroyed.
    server_.detach();
    return false;
}

void CComClient::SetSslPeerName(std::string_view name) {
    std::memset(sslPeerName_, 0, sizeof sslPeerName_);
    std::memcpy(sslPeerName_, name.data(), std::min(name.size(), commparam::kSslPeerNameSize));
}

bool CComClient::ServerEnded() const {
    return serverResult_.valid() &&
           serverResult_.wait_for(std::chrono::milliseconds(0)) == std::future_status::ready;
}

int CComClient::Transact(const QRL_Request& req, QRL_Reply& reply) {
    reply.Clear();
    // A request to a server that has ended would wait for ever.
    if (!started_ || ServerEnded())
        return -1;
    std::string bytes;
    if (!req.SerializeToString(&bytes))
        return -1;
    platform::BeforeSend();
    req_->send(zmq::buffer(bytes), zmq::send_flags::none);
    zmq::message_t answer;
    if (!req_->recv(answer, zmq::recv_flags::none))
        return -1;
    platform::AfterReceive();
    if (!reply.ParseFromArray(answer.data(), int(answer.size())))
        return -1;
    if (req.reqtype() == QRL_KILL && reply.status() == r_OK) {
        // The server leaves its loop right after this reply; once it has, later requests
        // are refused at once instead of being queued to nobody.
        serverResult_.wait_for(kKillSettleTime);
    }
    return ResultOf(reply);
}

int CComClient::Exchange(const QRL_Request& req, std::uint8_t* dest, std::uint32_t count,
                         PARAM_COM* paramOut) {
    QRL_Reply reply;
    int rc = Transact(req, reply);
    if (reply.has_dataread() && dest != nullptr) {
        // The server returns exactly `count` bytes; never write more than the caller asked.
        std::memcpy(dest, reply.dataread().data(),
                    std::min<std::size_t>(reply.dataread().size(), count));
    }
    if (rc == 0 && paramOut != nullptr) {
        if (!reply.has_commparam())
            return -1;
        return commparam::FillFromAnswer(reply.commparam(), *paramOut, sslPeerName_);
    }
    return rc;
}

int CComClient::Simple(int reqType) {
    QRL_Request req;
    req.set_reqtype(req_Type(reqType));
    return Exchange(req, nullptr, 0, nullptr);
}

int CComClient::Access(int reqType, std::uint32_t address, std::uint32_t count,
                       std::uint32_t timeoutMs, std::uint8_t* dest) {
    QRL_Request req = AccessRequest(reqType, address, count, timeoutMs);
    return Exchange(req, dest, count, nullptr);
}

int CComClient::Write(int reqType, const std::uint8_t* src, std::uint32_t address,
                      std::uint32_t count, std::uint32_t timeoutMs) {
    // Writes always carry a buffer, empty for zero bytes.
    if (src == nullptr && count != 0)
        return -1;
    QRL_Request req = AccessRequest(reqType, address, count, timeoutMs);
    req.mutable_trametosend()->set_buffer(src != nullptr ? reinterpret_cast<const char*>(src) : "",
                                          count);
    return Exchange(req, nullptr, 0, nullptr);
}

int CComClient::SetCommParam(const PARAM_COM& param) {
    QRL_Request req;
    req.set_reqtype(SET_COMM_PARAM);
    if (!commparam::BuildForRequest(param, sslPeerName_, *req.mutable_commparam()))
        return -1;
    return Exchange(req, nullptr, 0, nullptr);
}

int CComClient::GetCommParam(PARAM_COM& param) {
    QRL_Request req;
    req.set_reqtype(GET_COMM_PARAM);
    return Exchange(req, nullptr, 0, &param);
}

int CComClient::StartMonitor() {
    return Simple(START_MONITOR);
}
int CComClient::StopMonitor() {
    return Simple(STOP_MONITOR);
}
int CComClient::Connect() {
    return Simple(CONNECT);
}
int CComClient::Deconnect() {
    return Simple(DECONNECT);
}

int CComClient::SendRead(std::uint8_t* dest, std::uint32_t address, std::uint32_t count,
                         std::uint32_t timeoutMs) {
    return Access(SEND_READ, address, count, timeoutMs, dest);
}

int CComClient::SendReadCF(std::uint8_t* dest, std::uint32_t address, std::uint32_t count,
                           std::uint32_t timeoutMs) {
    return Access(SEND_READ_CF, address, count, timeoutMs, dest);
}

int CComClient::SendWrite(const std::uint8_t* src, std::uint32_t address, std::uint32_t count,
                          std::uint32_t timeoutMs) {
    return Write(SEND_WRITE, src, address, count, timeoutMs);
}

int CComClient::SendWriteCF(const std::uint8_t* src, std::uint32_t address, std::uint32_t count,
                            std::uint32_t timeoutMs) {
    return Write(SEND_WRITE_CF, src, address, count, timeoutMs);
}

int CComClient::SendWriteExt(std::uint32_t address, std::uint32_t timeoutMs) {
    return Write(SEND_WRITE_EXT, nullptr, address, 0, timeoutMs);
}

int CComClient::SendCommand(std::uint8_t b1, std::uint8_t b2, std::uint32_t timeoutMs) {
    const std::uint8_t bytes[2] = {b1, b2};
    return Write(SEND_WRITE, bytes, kCommandAddress, 2, timeoutMs);
}

int CComClient::SendCommandCF(std::uint8_t b1, std::uint8_t b2, std::uint32_t timeoutMs) {
    const std::uint8_t bytes[2] = {b1, b2};
    return Write(SEND_WRITE_CF, bytes, kCommandAddress, 2, timeoutMs);
}

int CComClient::SendCommandExt(std::uint8_t b1, std::uint8_t b2, std::uint32_t timeoutMs) {
    const std::uint8_t bytes[2] = {b1, b2};
    return Write(SEND_WRITE_EXT, bytes, kCommandAddress, 2, timeoutMs);
}

int CComClient::SendWriteByte(std::uint8_t b, std::uint32_t timeoutMs) {
    return Write(SEND_WRITE, &b, kKeyAddress, 1, timeoutMs);
}

bool CComClient::PollPublish(QRL_Publish& out) {
    if (!sub_)
        return false;
    // Only the SUB socket is polled: the REQ socket may be in use by a transfer thread
    // at this moment, and a socket must not be touched by two threads at once.
    zmq::pollitem_t item{sub_->handle(), 0, ZMQ_POLLIN, 0};
    zmq::poll(&item, 1, std::chrono::milliseconds(0));
    if (!(item.revents & ZMQ_POLLIN))
        return false;
    zmq::message_t message;
    if (!sub_->recv(message, zmq::recv_flags::dontwait))
        return false;
    platform::AfterReceive();
    return out.ParseFromArray(message.data(), int(message.size()));
}
