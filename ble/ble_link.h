// The link to a controller through the BLE dongle: the connection state machine, the
// event handlers and the procedures connect, disconnect, scan, send and wait.
// Single-threaded and not reentrant: one caller at a time drives it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ble/bgapi_messages.h"
#include "ble/dongle_port.h"

namespace hb30 {

enum class LinkState : int {
    kIdle = 0,
    kConnecting = 1,
    kConnected = 2,
    kFindingService = 3,
    kFindingAttributes = 4,
    kReady = 6,
    kWaiting = 7,
    kDataComplete = 8,
    kScanning = 11,
    kScanAccepted = 12,
    kScanFull = 13,
    kScanRefused = 14,
};

// One device found by a scan (PARAM_BLE), 270 bytes:
//   offset size  content
//      0   256   advertised name, NUL-padded
//    256     6   device address, least significant byte first
//    262     8   zero
constexpr std::size_t kScanRecordSize = 270;
constexpr std::size_t kScanNameSize = 256;
constexpr std::size_t kScanAddressOffset = 256;
constexpr std::size_t kMaxScanRecords = 32;
// Scan output: one count byte, then the records.
constexpr std::size_t kScanOutputSize = 1 + kMaxScanRecords * kScanRecordSize;

constexpr std::size_t kReceiveCapacity = 40000;
constexpr std::size_t kPieceSize = 20; // attribute payload of one write command
constexpr std::uint8_t kAdTypeCompleteName = 0x09;

// Waits of the procedures, in milliseconds.
struct LinkTiming {
    int reopenPause = 500;     // before each attempt to reopen the port after a reset
    int reopenAttempts = 10;   //
    int connectSilence = 5000; // silence that fails a connect or ends a disconnect
    int settleAfterCcc = 1000; // after notifications were switched on
    int scanSilence = 1000;    // silence that ends a scan
    int scanTotal = 10000;     // longest scan
    int pieceGap = 15;         // before each piece of data sent
};

class BleLink {
  public:
    BleLink();
    // Drives the dongle through `port` instead of its serial port.
    explicit BleLink(std::unique_ptr<DongleIo> port);

    // Resets the dongle on `portName`, connects to `address` (raw bytes) and finds the
    // data service. 0 when ready, 4 when the port or the connection fails.
    int Connect(const std::string& portName, const bgapi::Address& address);
    // Ends the connection if there is one and closes the port. Always 0.
    int Disconnect();
    // Scans for advertising devices; writes the count byte and the records to `out`
    // (kScanOutputSize bytes). 0, or 4 when the dongle's port fails.
    int Scan(const std::string& portName, std::uint8_t* out);

    // Handles the events already queued, so that nothing stale is taken for an answer.
    void DrainPending();
    // Empties the receive buffer and sets how many characters complete an answer.
    void StartReceive(std::size_t expected);
    // Sends the characters in pieces of 20, each after a short pause.
    void SendData(const std::uint8_t* chars, std::size_t n);
    // Waits for the answer; `timeoutMs` bounds the silence between two packets. False
    // when the answer did not complete.
    bool WaitForData(int timeoutMs);

    const std::uint8_t* Received() const { return rx_.data(); }
    std::size_t ReceivedCount() const { return rxCount_; }
    LinkState State() const { return state_; }
    LinkTiming& Timing() { return timing_; }

  private:
    enum class ReadResult { kPacket, kNothing, kFailed };
    ReadResult ReadPacket(int timeoutMs);
    void Dispatch(const bgapi::Packet& p);
    void Send(const bgapi::Command& c);
    bool ResetAndReopen(const std::string& portName);
    void ForgetHandles();
    void EnableNotifications();

    void OnScanResponse(const bgapi::Bytes& payload);
    void OnDiscoverResponse(const bgapi::Bytes& payload);
    void OnConnectionStatus(const bgapi::Bytes& payload);
    void OnDisconnected(const bgapi::Bytes& payload);
    void OnGroupFound(const bgapi::Bytes& payload);
    void OnFindInformationFound(const bgapi::Bytes& payload);
    void OnProcedureCompleted(const bgapi::Bytes& payload);
    void OnAttributeValue(const bgapi::Bytes& payload);

    std::unique_ptr<DongleIo> port_;
    LinkTiming timing_;
    LinkState state_ = LinkState::kIdle;
    std::uint8_t connection_ = 0;
    std::uint16_t serviceFirst_ = 0, serviceLast_ = 0, dataHandle_ = 0, cccHandle_ = 0;
    std::vector<std::uint8_t> rx_;
    std::size_t rxCount_ = 0, rxExpected_ = 0;
    std::vector<std::uint8_t> scanTable_;
    std::size_t scanCount_ = 0;
    bgapi::Bytes sppService_, sppData_, ccc_;
};

} // namespace hb30
