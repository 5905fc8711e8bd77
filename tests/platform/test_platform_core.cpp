// Program folder, run-time library loading and thread measurement.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/program_folder.h"
#include "platform/shared_library.h"
#include "platform/thread_info.h"

TEST(ProgramFolder, FolderOfCutsAfterTheLastSeparator) {
    EXPECT_EQ(platform::FolderOf("/opt/quorvel/bin/Quorvel"), "/opt/quorvel/bin/");
    EXPECT_EQ(platform::FolderOf("/Quorvel"), "/");
    EXPECT_EQ(platform::FolderOf("Quorvel"), "");
    EXPECT_EQ(platform::FolderOf(""), "");
}

TEST(ProgramFolder, HoldsTheRunningExecutable) {
    std::string folder = platform::ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_EQ(folder.front(), '/');
    EXPECT_TRUE(std::filesystem::exists(folder + "test_platform"));
}

TEST(SharedLibrary, LoadsBindsAndReleases) {
    platform::SharedLibrary library;
    EXPECT_FALSE(library.IsOpen());
    EXPECT_EQ(library.Symbol("T71_COMM"), nullptr);
    ASSERT_TRUE(library.Open(RECORDING_TRANSPORT)) << library.Error();
    EXPECT_NE(library.Symbol("T71_COMM"), nullptr);
    EXPECT_EQ(library.Symbol("NoSuchEntry"), nullptr);

    platform::SharedLibrary moved(std::move(library));
    EXPECT_FALSE(library.IsOpen());
    EXPECT_TRUE(moved.IsOpen());
    EXPECT_NE(moved.Symbol("T71_COMM"), nullptr);
    moved.Close();
    EXPECT_FALSE(moved.IsOpen());
    moved.Close();
}

TEST(SharedLibrary, MissingFileFailsWithAText) {
    platform::SharedLibrary library;
    EXPECT_FALSE(library.Open("/nonexistent/Z9hb10_Comm.so"));
    EXPECT_FALSE(library.IsOpen());
    EXPECT_FALSE(library.Error().empty());
}

TEST(ThreadInfo, FindsANamedThreadAndItsProcessorTime) {
    EXPECT_FALSE(platform::ThreadCpuSeconds("no-such-thread").has_value());
    std::atomic<bool> stop{false};
    std::atomic<bool> named{false};
    std::thread busy([&] {
        platform::SetCurrentThreadName("busy-worker-thread-long");
        named = true;
        volatile unsigned long spin = 0;
        while (!stop)
            spin = spin + 1;
    });
    while (!named)
        std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    // The kernel keeps 15 characters of the name.
    auto seconds = platform::ThreadCpuSeconds("busy-worker-thr");
    stop = true;
    busy.join();
    ASSERT_TRUE(seconds.has_value());
    EXPECT_GT(*seconds, 0.0);
}
