#include "comm/CoreServer.h"

#include <cstdio>
#include <string>

#include "QRL_protocole.pb.h"
#include "comm/CoreServerState.h"
#include "comm/RequestDispatch.h"
#include "platform/message_order.h"
#include "platform/thread_info.h"

namespace coreserver {

namespace {

// Serialises `message` and sends it, unless it exceeds the message buffer.
void SendMessage(zmq::socket_t& socket, const google::protobuf::MessageLite& message) {
    std::string bytes;
    message.SerializePartialToString(&bytes);
    if (bytes.size() > kMessageBufferSize) {
        std::printf("Message trop long (%zu octets), non envoyé\n", bytes.size());
        bytes.clear();
    }
    platform::BeforeSend();
    socket.send(zmq::buffer(bytes), zmq::send_flags::none);
}

// One monitoring read and its publication; true when the read succeeded.
bool Publish(zmq::socket_t& pub) {
    QRL_Publish publication;
    MonitoringPublication(publication);
    SendMessage(pub, publication);
    return publication.status() == r_OK;
}

// Receives one request and answers it; the REP socket needs exactly one reply, so a
// request outside the table is answered with an empty message.
void Serve(zmq::socket_t& rep) {
    zmq::message_t in;
    if (!rep.recv(in, zmq::recv_flags::none))
        return;
    platform::AfterReceive();
    QRL_Request request;
    // Dispatched with whatever fields were decoded, even when the request is incomplete.
    request.ParsePartialFromArray(in.data(), int(in.size()));
    QRL_Reply reply;
    if (Dispatch(request, reply)) {
        SendMessage(rep, reply);
    } else {
        platform::BeforeSend();
        rep.send(zmq::message_t(), zmq::send_flags::none);
    }
}

} // namespace

int Run(zmq::context_t& context) {
    std::printf("Lancement du thread\n");
    std::fflush(stdout);
    platform::SetCurrentThreadName(kThreadName);

    zmq::socket_t rep(context, zmq::socket_type::rep);
    try {
        rep.bind(kRequestEndpoint);
    } catch (const zmq::error_t&) {
        std::printf("Pb lors du binding de la socket CoreServeur_req\n");
        rep.close();
        return -1;
    }
    zmq::socket_t pub(context, zmq::socket_type::pub);
    try {
        pub.bind(kPublishEndpoint);
    } catch (const zmq::error_t&) {
        std::printf("Pb lors du binding de la socket dCoreServeur_pub\n");
        pub.close();
        rep.close();
        return -1;
    }

    CoreServerState& state = CoreServerState::Instance();
    state.stop.store(false);
    zmq::pollitem_t item{rep.handle(), 0, ZMQ_POLLIN, 0};
    while (!state.stop.load()) {
        // A successful display read paces the next pass by itself. Idle, or after a failed
        // read (an unreachable controller often fails at once), the pass waits on the
        // request socket instead of spinning; a request still ends the wait at once.
        bool paced = state.monitoring.load() && Publish(pub);
        item.revents = 0;
        try {
            zmq::poll(&item, 1, paced ? std::chrono::milliseconds(0) : kIdleWait);
        } catch (const zmq::error_t& e) {
            std::printf("exception levée. Le Poll s'est mal passé : %s\n ", e.what());
            std::fflush(stdout);
            continue;
        }
        if (item.revents & ZMQ_POLLIN)
            Serve(rep);
    }
    pub.close();
    rep.close();
    return 0;
}

} // namespace coreserver
