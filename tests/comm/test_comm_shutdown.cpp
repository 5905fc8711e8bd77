// The orderly end of the communication core: DECONNECT answered (goodbye, close), then
// QRL_KILL and the join.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "QRL_protocole.pb.h"
#include "comm/CComClient.h"
#include "comm/CoreServer.h"
#include "comm/ProcessState.h"
#include "comm/Startup.h"
#include "platform/thread_info.h"
#include "recorder.h"
#include "tests/support/timing.h"

using ::testing::ElementsAre;

TEST(CommShutdown, DeconnectIsAnsweredBeforeTheServerStops) {
    TransportFolder folder(AllRecordingTransports());
    Recorder usb(folder.Path() + "Z9hb10_Comm.so");
    ASSERT_EQ(QuorvelStartup(folder.Path()), 1);
    CComClient& client = CComClient::Instance();
    ASSERT_EQ(client.Connect(), 0);
    ASSERT_TRUE(IsLinkOpen());
    ASSERT_EQ(client.StartMonitor(), 0);
    QRL_Publish publication;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!client.PollPublish(publication) && std::chrono::steady_clock::now() < deadline) {
    }
    EXPECT_EQ(publication.status(), r_OK);

    EXPECT_TRUE(QuorvelShutdown(2000));
    // The join returns as the thread exits; its /proc entry may linger a moment longer.
    EXPECT_TRUE(testsupport::WaitUntil(
        [] { return !platform::ThreadCpuSeconds(coreserver::kThreadName).has_value(); }));
    EXPECT_FALSE(IsLinkOpen());
    auto calls = usb.Calls();
    ASSERT_GE(calls.size(), 2u);
    const RecCall& goodbye = calls[calls.size() - 2];
    EXPECT_EQ(goodbye.command, t71::kCmdWrite);
    EXPECT_EQ(goodbye.address, 0x7000u);
    EXPECT_THAT(WrittenBytes(goodbye), ElementsAre(0x15, 0x00));
    EXPECT_EQ(calls.back().command, t71::kCmdClose);

    int count = usb.Count();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(usb.Count(), count) << "nothing calls the library after shutdown";
}
