// QRL_KILL: answered like any request, then the core server thread is gone; a client
// that never started or was shut down refuses requests instead of blocking.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "QRL_protocole.pb.h"
#include "comm/CComClient.h"
#include "comm/CoreServer.h"
#include "comm/Startup.h"
#include "platform/thread_info.h"
#include "recorder.h"
#include "tests/support/timing.h"

namespace {

bool WaitForServerThreadGone() {
    return testsupport::WaitUntil(
        [] { return !platform::ThreadCpuSeconds(coreserver::kThreadName).has_value(); },
        std::chrono::seconds(10));
}

} // namespace

TEST(CoreServerKill, KillIsAnsweredThenTheThreadEnds) {
    CComClient& client = CComClient::Instance();
    QRL_Publish publication;
    EXPECT_EQ(client.Connect(), -1) << "no client before Init";
    EXPECT_FALSE(client.PollPublish(publication));
    EXPECT_TRUE(client.Shutdown()) << "nothing to stop before Init";

    TransportFolder folder(AllRecordingTransports());
    ASSERT_EQ(QuorvelStartup(folder.Path()), 1);
    EXPECT_TRUE(client.IsStarted());
    EXPECT_EQ(client.Init(), 1) << "a second Init changes nothing";
    EXPECT_EQ(client.StopMonitor(), 0);
    EXPECT_TRUE(platform::ThreadCpuSeconds(coreserver::kThreadName).has_value());

    QRL_Request kill;
    kill.set_reqtype(QRL_KILL);
    QRL_Reply reply;
    ASSERT_EQ(client.Transact(kill, reply), 0);
    EXPECT_EQ(reply.status(), r_OK);
    EXPECT_EQ(reply.reqtrigger(), QRL_KILL);
    EXPECT_FALSE(reply.has_codeerreur());
    EXPECT_FALSE(reply.has_dataread());
    EXPECT_FALSE(reply.has_commparam());

    EXPECT_TRUE(WaitForServerThreadGone());
    EXPECT_EQ(client.StopMonitor(), -1) << "a request to an ended server must not block";
    EXPECT_TRUE(client.Shutdown(100));
    EXPECT_FALSE(client.IsStarted());
    EXPECT_EQ(client.Deconnect(), -1) << "a stopped client must not block";
    EXPECT_EQ(client.Init(), 0) << "no restart";
}
