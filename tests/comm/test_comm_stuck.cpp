// A core server held up in a slow link call is not waited for: the join is bounded.
// The kill already sent ends the thread once the call returns.
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

TEST(CommShutdown, ABusyServerIsNotWaitedForBeyondTheBound) {
    TransportFolder folder(AllRecordingTransports());
    Recorder usb(folder.Path() + "Z9hb10_Comm.so");
    ASSERT_EQ(QuorvelStartup(folder.Path()), 1);
    CComClient& client = CComClient::Instance();
    ASSERT_EQ(client.Connect(), 0);
    usb.Reset();
    usb.SetDelay(t71::kCmdRead, 3000);
    ASSERT_EQ(client.StartMonitor(), 0);
    // Wait until the slow monitoring read has begun.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));

    EXPECT_FALSE(client.Shutdown(300));
    EXPECT_FALSE(client.IsStarted());

    // The thread still finishes on its own: its read returns and it takes the kill.
    EXPECT_TRUE(testsupport::WaitUntil(
        [] { return !platform::ThreadCpuSeconds(coreserver::kThreadName).has_value(); },
        std::chrono::seconds(20)));
}
