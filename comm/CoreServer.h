// The core server thread: owns the link, answers requests on "inproc://CoreServeur_req"
// and, while monitoring is on, publishes the display on "inproc://CoreServeur_pub".
#pragma once

#include <chrono>

#include <zmq.hpp>

namespace coreserver {

constexpr const char* kRequestEndpoint = "inproc://CoreServeur_req";
constexpr const char* kPublishEndpoint = "inproc://CoreServeur_pub";
// Name of the thread as the system shows it.
constexpr const char* kThreadName = "CoreServeur";
// While monitoring is off nothing but a request can change the server's state, so an
// idle pass may wait this long on the request socket; a request still wakes it at once.
// A pass whose monitoring read failed waits as long, so that a controller that fails at
// once is not polled in a busy loop.
constexpr std::chrono::milliseconds kIdleWait{100};
// Replies and publications are serialised into a buffer of this size.
constexpr std::size_t kMessageBufferSize = 40000;

// Thread entry. Runs until QRL_KILL; 0 after an orderly stop, -1 when a socket could
// not be bound.
int Run(zmq::context_t& context);

} // namespace coreserver
