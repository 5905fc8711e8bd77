#include "discovery/CDiscoveryService.h"

#include <chrono>
#include <cstdlib>
#include <iostream>

#include "discovery/DiscoveryRequests.h"
#include "platform/message_order.h"
#include "platform/net_adapters.h"

namespace discovery {
namespace {

bool IsLoopback(std::uint32_t host) {
    return (host & 0xFF) == 127;
}

} // namespace

std::vector<std::string> SplitInterfaceList(const std::string& text) {
    std::vector<std::string> out;
    std::string current;
    for (char c : text) {
        if (c == ',' || c == ' ' || c == '\t') {
            if (!current.empty())
                out.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty())
        out.push_back(current);
    return out;
}

std::vector<std::string> InterfacesFromEnvironment() {
    const char* value = std::getenv(kInterfacesVariable);
    return value ? SplitInterfaceList(value) : std::vector<std::string>{};
}

CDiscoveryService::CDiscoveryService(zmq::context_t& context, DiscoveryServiceOptions options)
    : context_(context), options_(std::move(options)),
      console_(options_.console ? *options_.console : std::cout),
      store_(options_.clock ? options_.clock : SystemSecondsClock()), sockets_(console_) {}

CDiscoveryService::~CDiscoveryService() {
    Stop();
}

int CDiscoveryService::Start() {
    // The PC announces the address of its own host name; a name that resolves to a loopback
    // address (usual on Linux) is replaced by the first chosen adapter's address.
    const auto adapters = platform::ListNetAdapters(options_.interfaces);
    auto own = platform::ResolveOwnHostName();
    if (!own || IsLoopback(*own))
        own = adapters.empty() ? std::optional<std::uint32_t>(0) : adapters.front().host;
    pc_.host = *own;
    console_ << "Lancement du thread" << std::endl;
    try {
        rep_ = std::make_unique<zmq::socket_t>(context_, zmq::socket_type::rep);
        rep_->bind(kRequestEndpoint);
        pub_ = std::make_unique<zmq::socket_t>(context_, zmq::socket_type::pub);
        pub_->bind(kPublishEndpoint);
    } catch (const zmq::error_t&) {
        console_ << "Pb lors du binding de la socket Discovery" << std::endl;
        rep_.reset();
        pub_.reset();
        stopped_ = true;
        return -1;
    }
    return 0;
}

void CDiscoveryService::Stop() {
    sockets_.CloseAll();
    rep_.reset();
    pub_.reset();
    stopped_ = true;
}

int CDiscoveryService::Run() {
    if (Start() != 0)
        return -1;
    try {
        while (PollOnce(kPollPeriodMs)) {
        }
    } catch (const zmq::error_t& e) {
        console_ << "Erreur de messagerie : " << e.what() << std::endl;
        Stop();
        return -1;
    }
    return 0;
}

bool CDiscoveryService::PollOnce(int timeoutMs) {
    if (stopped_ || !rep_)
        return false;
    sockets_.Refresh(platform::ListNetAdapters(options_.interfaces), store_.Manual());

    const auto& receivers = sockets_.Receivers();
    std::vector<zmq::pollitem_t> items;
    items.push_back({rep_->handle(), 0, ZMQ_POLLIN, 0});
    for (const auto& r : receivers)
        items.push_back({nullptr, r.socket->Fd(), ZMQ_POLLIN, 0});
    int ready = 0;
    try {
        ready = zmq::poll(items.data(), items.size(), std::chrono::milliseconds(timeoutMs));
    } catch (const zmq::error_t& e) {
        console_ << "exception levée. Le Poll s'est mal passé : " << e.what() << std::endl;
        return true;
    }
    if (ready == 0) {
        store_.Age();
        Publish();
        return true;
    }
    if (items[0].revents & ZMQ_POLLIN) {
        ServeRequest();
        if (stopped_)
            return false;
    }
    // Requests never touch the socket sets, so the receivers still match the poll items.
    for (std::size_t i = 1; i < items.size(); ++i)
        if (items[i].revents & ZMQ_POLLIN)
            ReadDatagram(receivers[i - 1]);
    return true;
}

void CDiscoveryService::SendWhole(zmq::socket_t& socket, const std::string& bytes,
                                  const char* what) {
    // The nominal buffer is 4000 bytes; a bigger table is sent whole rather than cut, and
    // said so once each time it outgrows the buffer (not at every publication).
    const bool oversize = bytes.size() > kMaxDatagram;
    if (oversize && !oversizeReported_)
        console_ << what << " de " << bytes.size()
                 << " octets : plus grande que le tampon de 4000 octets, envoyée entière"
                 << std::endl;
    oversizeReported_ = oversize;
    platform::BeforeSend();
    socket.send(zmq::buffer(bytes), zmq::send_flags::dontwait);
}

void CDiscoveryService::Publish() {
    SendWhole(*pub_, store_.ToTable().SerializeAsString(), "Table publiée");
}

void CDiscoveryService::ServeRequest() {
    zmq::message_t request;
    if (!rep_->recv(request, zmq::recv_flags::dontwait)) {
        console_ << "Pas de message reçu des autres taches" << std::endl;
        return;
    }
    platform::AfterReceive();
    const RequestOutcome outcome = HandleRequest(request.to_string(), store_, pc_, sockets_);
    if (outcome.answer)
        SendWhole(*rep_, *outcome.answer, "Réponse");
    if (outcome.stop)
        Stop();
}

void CDiscoveryService::ReadDatagram(const DiscoverySockets::Receiver& receiver) {
    std::uint8_t buffer[kMaxDatagram];
    const auto got = receiver.socket->Receive(buffer, sizeof buffer);
    if (!got)
        return;
    if (receiver.wildcard && !sockets_.AcceptsInterface(got->ifIndex))
        return;
    if (got->truncated)
        return; // longer than any datagram of the protocol: not one of ours
    ProcessDatagram(buffer, got->size, got->srcHost, got->srcPort);
}

void CDiscoveryService::ProcessDatagram(const std::uint8_t* data, std::size_t size,
                                        std::uint32_t srcHost, std::uint16_t srcPort) {
    // The PC's own broadcasts come back through the wildcard socket.
    if (srcHost == pc_.host || sockets_.IsLocalAddress(srcHost))
        return;
    const auto heard = DecodeDatagram(data, size, srcHost, pc_, console_);
    if (!heard)
        return;
    if (store_.Update(heard->entry, heard->kind))
        Publish();
    AnswerSearch(*heard, srcPort, pc_, sockets_, console_);
}

} // namespace discovery
