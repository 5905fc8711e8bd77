#include "discovery/CDiscoveryClient.h"

#include <chrono>

#include "platform/message_order.h"

namespace discovery {

CDiscoveryClient& CDiscoveryClient::Instance() {
    // Never destroyed: the service thread is stopped explicitly at exit.
    static auto* client = new CDiscoveryClient();
    return *client;
}

CDiscoveryClient::CDiscoveryClient(DiscoveryServiceOptions options)
    : options_(std::move(options)) {}

CDiscoveryClient::~CDiscoveryClient() {
    Shutdown();
}

bool CDiscoveryClient::Init() {
    if (started_)
        return true;
    if (!context_)
        context_ = std::make_unique<zmq::context_t>();
    req_ = std::make_unique<zmq::socket_t>(*context_, zmq::socket_type::req);
    sub_ = std::make_unique<zmq::socket_t>(*context_, zmq::socket_type::sub);
    // A service that never answers (it ended, or was asked something unknown) must not
    // lock the request socket for good: answers are awaited for a bounded time and the
    // socket may send again after a missing answer.
    req_->set(zmq::sockopt::rcvtimeo, kAnswerTimeoutMs);
    req_->set(zmq::sockopt::sndtimeo, kAnswerTimeoutMs);
    req_->set(zmq::sockopt::req_relaxed, 1);
    req_->set(zmq::sockopt::req_correlate, 1);
    req_->set(zmq::sockopt::linger, 0);
    sub_->set(zmq::sockopt::linger, 0);

    auto done = std::make_shared<std::atomic<bool>>(false);
    threadDone_ = done;
    zmq::context_t& context = *context_;
    DiscoveryServiceOptions options = options_;
    thread_ = std::thread([&context, options, done] {
        {
            CDiscoveryService service(context, options);
            service.Run();
        }
        done->store(true);
    });
    started_ = true;
    try {
        req_->connect(kRequestEndpoint);
        sub_->connect(kPublishEndpoint);
        sub_->set(zmq::sockopt::subscribe, "");
    } catch (const zmq::error_t&) {
        return false;
    }
    return true;
}

bool CDiscoveryClient::Shutdown(int waitMs) {
    if (!started_)
        return true;
    started_ = false;
    if (!threadDone_->load()) {
        Request kill;
        kill.set_reqtype(KILL);
        Exchange(kill);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (!threadDone_->load() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    req_.reset();
    sub_.reset();
    if (threadDone_->load()) {
        thread_.join();
        context_.reset();
        return true;
    }
    // The thread still uses the context: leave both to the end of the process rather than
    // block the exit on them.
    thread_.detach();
    (void)context_.release();
    return false;
}

std::optional<std::string> CDiscoveryClient::Exchange(const Request& request) {
    std::string bytes;
    if (!request.IsInitialized() || !request.SerializeToString(&bytes))
        return std::nullopt;
    return ExchangeBytes(bytes);
}

std::optional<std::string> CDiscoveryClient::ExchangeBytes(const std::string& bytes) {
    if (!req_)
        return std::nullopt;
    platform::BeforeSend();
    if (!req_->send(zmq::buffer(bytes), zmq::send_flags::none))
        return std::nullopt;
    zmq::message_t answer;
    if (!req_->recv(answer, zmq::recv_flags::none))
        return std::nullopt;
    platform::AfterReceive();
    return answer.to_string();
}

bool CDiscoveryClient::ExchangeReply(const Request& request) {
    const auto answer = Exchange(request);
    Reply reply;
    if (!answer || !reply.ParseFromString(*answer))
        return false;
    return reply.status() == rOK;
}

bool CDiscoveryClient::Search() {
    Request r;
    r.set_reqtype(SEND_SEARCH);
    r.set_label("");
    r.set_prodtype(KZ9);
    return ExchangeReply(r);
}

bool CDiscoveryClient::AddController(std::uint32_t productId, std::uint32_t code,
                                     std::uint32_t addressMsb, std::uint32_t port) {
    Request r;
    r.set_reqtype(ADD_KZ9);
    r.set_prodtype(KZ9);
    r.set_prodid(productId);
    r.set_code8(code);
    r.set_ipaddress(addressMsb);
    r.set_portnumber(port);
    return ExchangeReply(r);
}

bool CDiscoveryClient::RemoveController(std::uint32_t host) {
    Request r;
    r.set_reqtype(DELETE_KZ9);
    r.set_prodtype(KZ9);
    r.set_ipaddress(host);
    return ExchangeReply(r);
}

bool CDiscoveryClient::PollTable(DiscoveryTable& table) {
    if (!sub_)
        return false;
    zmq::message_t message;
    if (!sub_->recv(message, zmq::recv_flags::dontwait))
        return false;
    platform::AfterReceive();
    return table.ParseFromArray(message.data(), static_cast<int>(message.size()));
}

std::optional<DiscoveryTable> CDiscoveryClient::GetTable() {
    Request r;
    r.set_reqtype(GET_TABLE);
    const auto answer = Exchange(r);
    DiscoveryTable table;
    if (!answer || !table.ParseFromString(*answer))
        return std::nullopt;
    return table;
}

} // namespace discovery
