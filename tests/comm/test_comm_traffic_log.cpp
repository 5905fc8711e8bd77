// The traffic log: every transport call of the core server, one line each, with sizes but
// never the bytes carried; nothing written while it is off.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "comm/CComClient.h"
#include "comm/Startup.h"
#include "comm/TrafficLog.h"
#include "recorder.h"

using namespace paramcom;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> Lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, '\t');)
        fields.push_back(field);
    return fields;
}

// Every field after the time: link, kind, address, size, result.
std::vector<std::string> Described(const std::string& line) {
    std::vector<std::string> f = Fields(line);
    EXPECT_EQ(f.size(), 7u) << line;
    if (f.size() != 7)
        return {};
    return {f[1], f[2], f[3], f[4], f[5]};
}

std::string TempLogPath() {
    return (fs::temp_directory_path() / ("quorvel-traffic-" + std::to_string(getpid()) + ".log"))
        .string();
}

} // namespace

TEST(TrafficLogText, LinksKindsAndLines) {
    PARAM_COM usb = Initial();
    SetString(usb, kPortName, kPortNameSize, "ttyACM0", kMaxPortChars);
    EXPECT_EQ(trafficlog::LinkText(usb), "USB ttyACM0");

    PARAM_COM eth = Initial();
    SetU32(eth, kMedium, 1);
    SetU32(eth, kIpAddress, 0x1401A8C0); // 192.168.1.20
    SetU32(eth, kTcpPort, 42424);
    EXPECT_EQ(trafficlog::LinkText(eth), "ETH 192.168.1.20:42424");

    PARAM_COM ble = Initial();
    SetU32(ble, kMedium, 2);
    const std::uint8_t address[6] = {0xFF, 0x00, 0xDD, 0xCC, 0xBB, 0xAA};
    SetBleAddressRaw(ble, address);
    SetString(ble, kDonglePort, kDonglePortSize, "ttyACM1", kMaxPortChars);
    EXPECT_EQ(trafficlog::LinkText(ble), "BLE ttyACM1 AA:BB:CC:DD:00:FF");
    SetString(ble, kDonglePort, kDonglePortSize, "", kMaxPortChars);
    SetString(ble, kDevicePath, kDevicePathSize, "/dev/hci0/dev_AA", 255);
    EXPECT_EQ(trafficlog::LinkText(ble), "BLE /dev/hci0/dev_AA");

    EXPECT_EQ(trafficlog::KindText(t71::kCmdWriteCF), "write-cf");
    EXPECT_EQ(trafficlog::KindText(t71::kCmdReadExt), "read-ext");
    EXPECT_EQ(trafficlog::KindText(42), "command-42");

    trafficlog::Record record;
    record.start = std::chrono::system_clock::from_time_t(0) + std::chrono::milliseconds(7);
    record.link = "USB ttyACM0";
    record.command = t71::kCmdRead;
    record.address = 0xE000;
    record.size = 21;
    record.result = 5;
    record.duration = std::chrono::microseconds(12345);
    std::vector<std::string> f = Fields(trafficlog::FormatLine(record));
    ASSERT_EQ(f.size(), 7u);
    EXPECT_EQ(f[0].size(), 23u); // "YYYY-MM-DD HH:MM:SS.mmm", local time
    EXPECT_EQ(f[0].substr(19), ".007");
    EXPECT_EQ(std::vector<std::string>(f.begin() + 1, f.end()),
              (std::vector<std::string>{"USB ttyACM0", "read", "0xE000", "21", "5", "12.345"}));
}

TEST(TrafficLogFile, UnwritablePathIsRefusedAndLeavesTheLogOff) {
    std::string error;
    EXPECT_FALSE(trafficlog::Open("/nonexistent-folder/traffic.log", error));
    EXPECT_NE(error.find("/nonexistent-folder/traffic.log"), std::string::npos) << error;
    EXPECT_FALSE(trafficlog::IsOn());
}

// One client and one core server for the whole program, as in the application, on copies
// of the recording transport.
class TrafficEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        folder = std::make_unique<TransportFolder>(AllRecordingTransports());
        usb = std::make_unique<Recorder>(folder->Path() + "Z9hb10_Comm.so");
        ASSERT_EQ(QuorvelStartup(folder->Path()), 1);
        PARAM_COM block = Initial();
        SetString(block, kPortName, kPortNameSize, "ttyQX9", kMaxPortChars);
        ASSERT_EQ(CComClient::Instance().SetCommParam(block), 0);
    }
    void TearDown() override { EXPECT_TRUE(QuorvelShutdown()); }

    std::unique_ptr<TransportFolder> folder;
    std::unique_ptr<Recorder> usb;
};

TrafficEnvironment* env =
    static_cast<TrafficEnvironment*>(::testing::AddGlobalTestEnvironment(new TrafficEnvironment));

TEST(TrafficLogServer, RecordsEveryCallWithSizesButNoBytes) {
    CComClient& client = CComClient::Instance();
    ASSERT_EQ(client.Deconnect(), 0);
    const std::string path = TempLogPath();
    fs::remove(path);
    {
        std::ofstream earlier(path);
        earlier << "earlier run\n";
    }
    std::string error;
    ASSERT_TRUE(trafficlog::Open(path, error)) << error;
    env->usb->Reset();
    env->usb->Push(t71::kCmdRead, 0xE000, 0, {4});
    env->usb->Push(t71::kCmdRead, 0x4000, 5);
    // A password, as the lock and unlock services write it.
    const std::string secret = "Zq7#Pw91";
    ASSERT_EQ(client.SendWrite(reinterpret_cast<const std::uint8_t*>(secret.data()), 0x7100,
                               std::uint32_t(secret.size()), 600),
              0);
    std::uint8_t dest[64];
    EXPECT_EQ(client.SendRead(dest, 0x4000, 64, 600), 5);
    ASSERT_EQ(client.Deconnect(), 0);
    trafficlog::Close();
    const int calls = env->usb->Count();

    std::vector<std::string> lines = Lines(path);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "earlier run"); // appended, never truncated
    std::string all;
    for (const std::string& line : lines)
        all += line + "\n";
    EXPECT_EQ(all.find(secret), std::string::npos);
    EXPECT_EQ(all.find("Zq7"), std::string::npos);

    // Earlier run, then one line per transport call (the header is only for an empty file).
    ASSERT_EQ(int(lines.size()), 1 + calls) << all;
    ASSERT_EQ(calls, 7);
    using V = std::vector<std::string>;
    EXPECT_EQ(Described(lines[1]), (V{"USB ttyQX9", "open", "0x0", "0", "0"}));
    EXPECT_EQ(Described(lines[2]), (V{"USB ttyQX9", "write", "0x7000", "4", "0"}));
    EXPECT_EQ(Described(lines[3]), (V{"USB ttyQX9", "read", "0xE000", "21", "0"}));
    EXPECT_EQ(Described(lines[4]), (V{"USB ttyQX9", "write", "0x7100", "8", "0"}));
    EXPECT_EQ(Described(lines[5]), (V{"USB ttyQX9", "read", "0x4000", "64", "5"}));
    // The goodbye and the close.
    EXPECT_EQ(Described(lines[6]), (V{"USB ttyQX9", "write", "0x7000", "2", "0"}));
    EXPECT_EQ(Described(lines[7]), (V{"USB ttyQX9", "close", "0x0", "0", "0"}));
    fs::remove(path);
}

TEST(TrafficLogServer, NewFileStartsWithTheHeaderAndOffWritesNothing) {
    const std::string path = TempLogPath();
    fs::remove(path);
    std::string error;
    ASSERT_TRUE(trafficlog::Open(path, error)) << error;
    trafficlog::Close();
    env->usb->Reset();
    std::uint8_t dest[4];
    EXPECT_EQ(CComClient::Instance().SendRead(dest, 0x4000, 4, 600), 0);
    EXPECT_GT(env->usb->Count(), 0);
    EXPECT_EQ(Lines(path), std::vector<std::string>{trafficlog::kHeader});
    fs::remove(path);
}
