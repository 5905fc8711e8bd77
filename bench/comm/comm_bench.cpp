// Prints, from one run:
//  - the median round trip of a 4-byte SEND_READ through CComClient, the core server and
//    the recording transport library;
//  - the median round trip of a bare in-process REQ/REP exchange of the same message
//    sizes, with the REP socket on its own thread;
//  - their ratio (goal: at most 2.0);
//  - the core server thread's processor time over 5 idle seconds with monitoring off, as
//    a percentage of one core (goal: at most 1 %).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <zmq.hpp>

#include "QRL_protocole.pb.h"
#include "comm/CComClient.h"
#include "comm/CoreServer.h"
#include "comm/Startup.h"
#include "platform/thread_info.h"
#include "recorder.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWarmup = 500;
constexpr int kRounds = 5000;
constexpr std::uint32_t kCount = 4;
constexpr std::uint32_t kAddress = 0x100;

double MedianMicros(std::vector<double>& samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

template <typename Fn> double MedianRoundTrip(Fn&& exchange) {
    for (int i = 0; i < kWarmup; ++i)
        exchange();
    std::vector<double> samples;
    samples.reserve(kRounds);
    for (int i = 0; i < kRounds; ++i) {
        auto start = Clock::now();
        exchange();
        samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    return MedianMicros(samples);
}

// The sizes of the request and reply that a 4-byte SEND_READ puts on the channel.
std::pair<std::size_t, std::size_t> ReadMessageSizes() {
    QRL_Request req;
    req.set_reqtype(SEND_READ);
    req.mutable_trametosend()->set_adress(kAddress);
    req.mutable_trametosend()->set_nbdata(kCount);
    req.mutable_trametosend()->set_timeout(0);
    QRL_Reply reply;
    reply.set_status(r_OK);
    reply.set_reqtrigger(SEND_READ);
    reply.set_dataread(std::string(kCount, '\x01'));
    return {req.ByteSizeLong(), reply.ByteSizeLong()};
}

double BareRoundTrip(std::size_t requestSize, std::size_t replySize) {
    zmq::context_t context(0, 1023);
    zmq::socket_t rep(context, zmq::socket_type::rep);
    rep.bind("inproc://bench_bare");
    const int total = kWarmup + kRounds;
    std::thread server([&] {
        std::string answer(replySize, '\x01');
        for (int i = 0; i < total; ++i) {
            zmq::message_t in;
            (void)rep.recv(in, zmq::recv_flags::none);
            rep.send(zmq::buffer(answer), zmq::send_flags::none);
        }
    });
    zmq::socket_t req(context, zmq::socket_type::req);
    req.connect("inproc://bench_bare");
    std::string question(requestSize, '\x02');
    double median = MedianRoundTrip([&] {
        req.send(zmq::buffer(question), zmq::send_flags::none);
        zmq::message_t in;
        (void)req.recv(in, zmq::recv_flags::none);
    });
    server.join();
    return median;
}

} // namespace

int main() {
    // The core runs on copies of the recording transport library, built with the tests: the
    // benchmark needs nothing of the program folder, whatever the working directory.
    std::optional<TransportFolder> folder;
    try {
        folder.emplace(AllRecordingTransports());
    } catch (const std::exception& e) {
        std::fprintf(stderr,
                     "bench_comm: %s (the recording transport library %s is built with the "
                     "tests)\n",
                     e.what(), RECORDING_TRANSPORT);
        return 1;
    }
    if (QuorvelStartup(folder->Path()) != 1) {
        std::fprintf(stderr, "the communication client did not start\n");
        return 1;
    }
    CComClient& client = CComClient::Instance();
    client.StopMonitor();
    client.Connect();

    std::uint8_t dest[kCount];
    int failures = 0;
    double core = MedianRoundTrip([&] {
        if (client.SendRead(dest, kAddress, kCount, 0) != 0)
            ++failures;
    });
    auto [requestSize, replySize] = ReadMessageSizes();
    double bare = BareRoundTrip(requestSize, replySize);

    client.Deconnect();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    auto before = platform::ThreadCpuSeconds(coreserver::kThreadName);
    auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(5));
    auto after = platform::ThreadCpuSeconds(coreserver::kThreadName);
    double wall = std::chrono::duration<double>(Clock::now() - start).count();

    std::printf("SEND_READ of %u bytes through the core (median): %.1f us\n", kCount, core);
    std::printf("bare inproc REQ/REP, %zu/%zu bytes (median):    %.1f us\n", requestSize, replySize,
                bare);
    std::printf("ratio core/bare: %.2f (goal <= 2.0)\n", core / bare);
    if (before && after)
        std::printf("core server idle CPU over %.1f s, monitoring off: %.3f %% of one core "
                    "(goal <= 1 %%)\n",
                    wall, 100.0 * (*after - *before) / wall);
    else
        std::printf("core server thread not found\n");
    if (failures != 0)
        std::printf("%d reads failed\n", failures);

    QuorvelShutdown();
    return failures == 0 ? 0 : 1;
}
