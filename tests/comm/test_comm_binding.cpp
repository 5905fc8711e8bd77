// The transport wrappers and the loading chain, against copies of the recording library
// loaded with dlopen.
#include <gtest/gtest.h>

#include "comm/CDllT71.h"
#include "comm/TransportRegistry.h"
#include "recorder.h"

namespace {

const char* kUsb = "Z9hb10_Comm.so";
const char* kEth = "Z9hb20_Comm.so";
const char* kBle = "HB30.so";

bool AllUnloaded(TransportRegistry& registry) {
    return !registry.Usb().IsLoaded() && !registry.Ethernet().IsLoaded() &&
           !registry.Ble().IsLoaded();
}

} // namespace

TEST(TransportWrapper, VersionIsReadFromCommandZeroAndFormatted) {
    TransportFolder folder(kUsb, RECORDING_TRANSPORT);
    Recorder recorder(folder.Path() + kUsb);
    recorder.Reset();
    recorder.SetVersion(0x0102, 3, 7);

    CDllT71HB10 wrapper;
    EXPECT_EQ(wrapper.FormatVersion(), "255.255");
    ASSERT_EQ(wrapper.Load(folder.Path() + kUsb), 1);
    EXPECT_EQ(wrapper.Path(), folder.Path() + kUsb);
    EXPECT_EQ(wrapper.FormatVersion(), "255.255");
    t71::VersionRecord record{};
    ASSERT_EQ(wrapper.GetVersion(record), 1);
    EXPECT_EQ(record.code, 0x0102);
    EXPECT_EQ(wrapper.FormatVersion(), "3.7");

    auto calls = recorder.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].command, t71::kCmdVersion);
    EXPECT_EQ(calls[0].target, 0);
    EXPECT_TRUE(calls[0].hasInfo);
    EXPECT_FALSE(calls[0].hasParams);

    // A failing version query leaves the numbers of the new load at 255.255.
    recorder.SetDefault(t71::kCmdVersion, 1);
    ASSERT_EQ(wrapper.Load(folder.Path() + kUsb), 1);
    EXPECT_EQ(wrapper.GetVersion(record), 0);
    EXPECT_EQ(wrapper.FormatVersion(), "255.255");
}

TEST(TransportWrapper, StatusQueryAnswers) {
    TransportFolder folder(kEth, RECORDING_TRANSPORT);
    Recorder recorder(folder.Path() + kEth);
    recorder.Reset();
    CDllT71HB20 wrapper;
    ASSERT_EQ(wrapper.Load(folder.Path() + kEth), 1);

    recorder.Push(t71::kCmdStatus, kRecAnyAddress, 2);
    EXPECT_EQ(wrapper.QueryStatus(), 1);
    EXPECT_EQ(wrapper.StatusFlag(), 1);
    recorder.Push(t71::kCmdStatus, kRecAnyAddress, 0);
    EXPECT_EQ(wrapper.QueryStatus(), 1);
    EXPECT_EQ(wrapper.StatusFlag(), 0);
    recorder.Push(t71::kCmdStatus, kRecAnyAddress, 2);
    recorder.Push(t71::kCmdStatus, kRecAnyAddress, 5);
    EXPECT_EQ(wrapper.QueryStatus(), 1);
    EXPECT_EQ(wrapper.QueryStatus(), 0);
    EXPECT_EQ(wrapper.StatusFlag(), 1);
}

TEST(TransportWrapper, CallsWithoutALibraryFailAndCallNothing) {
    CDllT71HB30_BLEDongle wrapper;
    t71::VersionRecord record{};
    EXPECT_EQ(wrapper.GetVersion(record), 0);
    EXPECT_EQ(wrapper.QueryStatus(), 0);
    EXPECT_EQ(wrapper.Entry(), nullptr);
    EXPECT_EQ(wrapper.Load("/nonexistent/HB30.so"), 0);
    EXPECT_FALSE(wrapper.IsLoaded());

    CDllBase base;
    EXPECT_EQ(base.Load("/nonexistent"), 1);
    EXPECT_EQ(base.GetVersion(record), 1);
    EXPECT_FALSE(base.IsLoaded());
}

TEST(TransportWrapper, LibraryWithoutEntryPointCountsAsMissing) {
    TransportFolder folder(kUsb, NO_ENTRY_TRANSPORT);
    CDllT71HB10 wrapper;
    EXPECT_EQ(wrapper.Load(folder.Path() + kUsb), 0);
    EXPECT_FALSE(wrapper.IsLoaded());
    EXPECT_EQ(wrapper.Entry(), nullptr);
}

TEST(LoadingChain, AllThreeLoadInOrderWithTheirVersions) {
    TransportFolder folder(AllRecordingTransports());
    Recorder usb(folder.Path() + kUsb), eth(folder.Path() + kEth), ble(folder.Path() + kBle);
    usb.Reset();
    eth.Reset();
    ble.Reset();
    usb.SetVersion(1, 1, 0);
    eth.SetVersion(2, 2, 1);
    ble.SetVersion(3, 3, 2);

    TransportRegistry& registry = TransportRegistry::Instance();
    EXPECT_EQ(LoadTransportLibraries(folder.Path()), 1);
    EXPECT_EQ(registry.Usb().FormatVersion(), "1.0");
    EXPECT_EQ(registry.Ethernet().FormatVersion(), "2.1");
    EXPECT_EQ(registry.Ble().FormatVersion(), "3.2");
    EXPECT_EQ(registry.ForMedium(0), &registry.Usb());
    EXPECT_EQ(registry.ForMedium(1), &registry.Ethernet());
    EXPECT_EQ(registry.ForMedium(2), &registry.Ble());
    EXPECT_EQ(registry.ForMedium(3), nullptr);
    // Each copy is its own library: one version query each.
    EXPECT_EQ(usb.Count(), 1);
    EXPECT_EQ(eth.Count(), 1);
    EXPECT_EQ(ble.Count(), 1);
}

TEST(LoadingChain, FirstLibraryMissingLoadsNothing) {
    TransportFolder folder(
        TransportFiles{{kEth, RECORDING_TRANSPORT}, {kBle, RECORDING_TRANSPORT}});
    Recorder eth(folder.Path() + kEth), ble(folder.Path() + kBle);
    eth.Reset();
    ble.Reset();
    EXPECT_EQ(LoadTransportLibraries(folder.Path()), 0);
    EXPECT_TRUE(AllUnloaded(TransportRegistry::Instance()));
    EXPECT_EQ(eth.Count(), 0);
    EXPECT_EQ(ble.Count(), 0);
}

TEST(LoadingChain, LastLibraryMissingKeepsTheFirstTwoUsable) {
    TransportFolder folder(
        TransportFiles{{kUsb, RECORDING_TRANSPORT}, {kEth, RECORDING_TRANSPORT}});
    Recorder eth(folder.Path() + kEth);
    eth.Reset();
    TransportRegistry& registry = TransportRegistry::Instance();
    EXPECT_EQ(LoadTransportLibraries(folder.Path()), 0);
    EXPECT_TRUE(registry.Usb().IsLoaded());
    EXPECT_TRUE(registry.Ethernet().IsLoaded());
    EXPECT_FALSE(registry.Ble().IsLoaded());
    EXPECT_EQ(registry.Ble().FormatVersion(), "255.255");
    ASSERT_NE(registry.Ethernet().Entry(), nullptr);
    std::uint8_t buffer[4] = {};
    PARAM_COM param = paramcom::Initial();
    EXPECT_EQ(
        registry.Ethernet().Entry()(247, t71::kCmdRead, nullptr, &param, 100, 0, 4, 0x10, buffer),
        0);
    EXPECT_EQ(buffer[0], RecPatternByte(0x10, 0));
    EXPECT_EQ(eth.Count(), 2);
}

TEST(LoadingChain, MiddleLibraryWithoutEntryPointStopsTheChain) {
    TransportFolder folder(TransportFiles{
        {kUsb, RECORDING_TRANSPORT}, {kEth, NO_ENTRY_TRANSPORT}, {kBle, RECORDING_TRANSPORT}});
    Recorder ble(folder.Path() + kBle);
    ble.Reset();
    TransportRegistry& registry = TransportRegistry::Instance();
    EXPECT_EQ(LoadTransportLibraries(folder.Path()), 0);
    EXPECT_TRUE(registry.Usb().IsLoaded());
    EXPECT_FALSE(registry.Ethernet().IsLoaded());
    EXPECT_FALSE(registry.Ble().IsLoaded());
    EXPECT_EQ(ble.Count(), 0);
}
