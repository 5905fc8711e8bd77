#include "ble/ble_link.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "ble/spp_ids.h"

namespace hb30 {

namespace {
void Say(const char* text) {
    std::fputs(text, stdout);
    std::fflush(stdout);
}

void Pause(int ms) {
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Scan parameters in units of 0.625 ms; connection interval in units of 1.25 ms;
// supervision time-out in units of 10 ms.
constexpr std::uint16_t kScanInterval = 200, kScanWindow = 200;
constexpr std::uint8_t kScanActive = 1;
constexpr std::uint8_t kDiscoverGeneric = 1;
constexpr std::uint8_t kBootNormal = 0;
const bgapi::Bytes kNotificationsOn = {0x01, 0x00};
constexpr int kPayloadTimeoutMs = 500;
} // namespace

BleLink::BleLink() : BleLink(std::make_unique<DonglePort>()) {}

BleLink::BleLink(std::unique_ptr<DongleIo> port)
    : port_(std::move(port)), rx_(kReceiveCapacity, 0),
      scanTable_(kMaxScanRecords * kScanRecordSize, 0), sppService_(UuidBytes(kSppServiceUuid)),
      sppData_(UuidBytes(kSppDataUuid)), ccc_(UuidBytes(kCccUuid)) {}

// ---- packet layer ---------------------------------------------------------------------

void BleLink::Send(const bgapi::Command& c) {
    if (!port_->Write(c.head.data(), c.head.size()))
        return;
    if (!c.tail.empty())
        port_->Write(c.tail.data(), c.tail.size());
}

BleLink::ReadResult BleLink::ReadPacket(int timeoutMs) {
    std::uint8_t raw[bgapi::kHeaderSize];
    int r = port_->Read(raw, sizeof raw, timeoutMs);
    if (r == 0)
        return ReadResult::kNothing;
    if (r < 0) {
        std::printf("ERROR: Reading header failed. Error code:%d\n", port_->LastError());
        std::fflush(stdout);
        return ReadResult::kFailed;
    }
    bgapi::Packet p{bgapi::DecodeHeader(raw), {}};
    if (p.header.length != 0) {
        p.payload.resize(p.header.length);
        // The payload follows its header at once: a caller that only takes what is queued
        // (time-out 0) still gets it whole.
        int payloadWait = std::max(timeoutMs, kPayloadTimeoutMs);
        if (port_->Read(p.payload.data(), p.payload.size(), payloadWait) <= 0) {
            std::printf("ERROR: Reading data failed. Error code:%d\n", port_->LastError());
            std::fflush(stdout);
            return ReadResult::kFailed;
        }
    }
    // An unknown message has been read whole by its length; it is reported and skipped,
    // never allowed to end the program that loaded the library.
    if (!bgapi::IsKnownMessage(p.header.IsEvent(), p.header.cls, p.header.id)) {
        Say("ERROR: Unknown message received\n");
        return ReadResult::kPacket;
    }
    Dispatch(p);
    return ReadResult::kPacket;
}

void BleLink::Dispatch(const bgapi::Packet& p) {
    using namespace bgapi;
    const Header& h = p.header;
    if (!h.IsEvent()) {
        if (h.cls == kClassGap && h.id == id::kGapDiscover)
            OnDiscoverResponse(p.payload);
        return;
    }
    if (h.cls == kClassGap && h.id == id::kGapScanResponse)
        OnScanResponse(p.payload);
    else if (h.cls == kClassConnection && h.id == id::kConnectionStatus)
        OnConnectionStatus(p.payload);
    else if (h.cls == kClassConnection && h.id == id::kConnectionDisconnected)
        OnDisconnected(p.payload);
    else if (h.cls == kClassAttClient && h.id == id::kAttClientGroupFound)
        OnGroupFound(p.payload);
    else if (h.cls == kClassAttClient && h.id == id::kAttClientFindInformationFound)
        OnFindInformationFound(p.payload);
    else if (h.cls == kClassAttClient && h.id == id::kAttClientProcedureCompleted)
        OnProcedureCompleted(p.payload);
    else if (h.cls == kClassAttClient && h.id == id::kAttClientAttributeValue)
        OnAttributeValue(p.payload);
}

// ---- event handlers -------------------------------------------------------------------

void BleLink::OnScanResponse(const bgapi::Bytes& payload) {
    if (state_ != LinkState::kScanning && state_ != LinkState::kScanAccepted)
        return;
    if (scanCount_ >= kMaxScanRecords) {
        state_ = LinkState::kScanFull;
        return;
    }
    auto e = bgapi::DecodeScanResponse(payload);
    // The first advertising element: length byte (type + value), type byte, value.
    if (!e || e->data.size() < 2 || e->data[1] != kAdTypeCompleteName || e->data[0] < 1)
        return;
    std::size_t nameLength = std::size_t(e->data[0]) - 1;
    if (2 + nameLength > e->data.size())
        return; // element runs past the advertising data
    std::uint8_t* record = scanTable_.data() + scanCount_ * kScanRecordSize;
    std::memset(record, 0, kScanRecordSize);
    std::memcpy(record, e->data.data() + 2, nameLength);
    std::memcpy(record + kScanAddressOffset, e->sender.data(), e->sender.size());
    ++scanCount_;
}

void BleLink::OnDiscoverResponse(const bgapi::Bytes& payload) {
    auto e = bgapi::DecodeGapDiscoverResponse(payload);
    if (e)
        state_ = e->result == 0 ? LinkState::kScanAccepted : LinkState::kScanRefused;
}

void BleLink::EnableNotifications() {
    // Without a CCC descriptor there is nothing to switch on.
    if (cccHandle_ != 0)
        Send(bgapi::AttClientAttributeWrite(connection_, cccHandle_, kNotificationsOn));
}

void BleLink::OnConnectionStatus(const bgapi::Bytes& payload) {
    auto e = bgapi::DecodeConnectionStatus(payload);
    if (!e || !e->Connected())
        return;
    Say("Connected\n");
    connection_ = e->connection;
    if (dataHandle_ != 0) {
        // The established link reports its status again (new connection parameters, say):
        // notifications are switched on again, and an answer being received goes on being
        // received rather than dropped.
        if (state_ != LinkState::kWaiting && state_ != LinkState::kDataComplete)
            state_ = LinkState::kConnected;
        EnableNotifications();
        return;
    }
    state_ = LinkState::kFindingService;
    Send(bgapi::AttClientReadByGroupType(connection_, 0x0001, 0xFFFF,
                                         UuidBytes(kPrimaryServiceUuid)));
}

void BleLink::OnDisconnected(const bgapi::Bytes& payload) {
    auto e = bgapi::DecodeDisconnected(payload);
    state_ = LinkState::kIdle;
    std::printf("Connection terminated. Reason: %4.4x\n", e ? e->reason : 0);
    std::fflush(stdout);
}

void BleLink::OnGroupFound(const bgapi::Bytes& payload) {
    auto e = bgapi::DecodeGroupFound(payload);
    if (!e || state_ != LinkState::kFindingService || serviceFirst_ != 0)
        return;
    if (e->uuid == sppService_) {
        serviceFirst_ = e->start;
        serviceLast_ = e->end;
    }
}

void BleLink::OnFindInformationFound(const bgapi::Bytes& payload) {
    auto e = bgapi::DecodeFindInformationFound(payload);
    if (!e)
        return;
    if (e->uuid.size() == 16 && e->uuid == sppData_)
        dataHandle_ = e->handle;
    else if (e->uuid == ccc_ && dataHandle_ != 0 && cccHandle_ == 0)
        cccHandle_ = e->handle;
}

void BleLink::OnProcedureCompleted(const bgapi::Bytes& payload) {
    auto e = bgapi::DecodeProcedureCompleted(payload);
    if (!e)
        return;
    if (state_ == LinkState::kFindingService) {
        if (serviceFirst_ != 0) {
            state_ = LinkState::kFindingAttributes;
            Send(bgapi::AttClientFindInformation(connection_, serviceFirst_, serviceLast_));
        } else {
            Say("No SPP Data service found\n");
            state_ = LinkState::kReady;
        }
    } else if (state_ == LinkState::kFindingAttributes) {
        if (dataHandle_ != 0) {
            state_ = LinkState::kReady;
            connection_ = e->connection;
            EnableNotifications();
            Pause(timing_.settleAfterCcc);
        } else {
            Say("No Client Characteristic Configuration found for SPP data service\n");
            state_ = LinkState::kReady;
        }
    }
}

void BleLink::OnAttributeValue(const bgapi::Bytes& payload) {
    auto e = bgapi::DecodeAttributeValue(payload);
    // Values outside a wait are late answers to an earlier request: dropped.
    if (!e || state_ != LinkState::kWaiting)
        return;
    std::size_t room = kReceiveCapacity - rxCount_;
    std::size_t n = e->value.size() < room ? e->value.size() : room;
    if (n > 0)
        std::memcpy(rx_.data() + rxCount_, e->value.data(), n);
    rxCount_ += n;
    bool endsWithLineFeed = !e->value.empty() && e->value.back() == 0x0A;
    if (rxCount_ >= rxExpected_ || endsWithLineFeed)
        state_ = LinkState::kDataComplete;
}

// ---- procedures -----------------------------------------------------------------------

void BleLink::ForgetHandles() {
    serviceFirst_ = serviceLast_ = dataHandle_ = cccHandle_ = 0;
}

bool BleLink::ResetAndReopen(const std::string& portName) {
    if (!port_->Open(portName)) {
        Say("ERROR: Unable to open serial port\n");
        return false;
    }
    Send(bgapi::SystemReset(kBootNormal));
    port_->Close();
    // The dongle re-enumerates after its reset: its port goes away and comes back.
    for (int attempt = 0; attempt < timing_.reopenAttempts; ++attempt) {
        Pause(timing_.reopenPause);
        if (port_->Open(portName))
            return true;
    }
    return false;
}

int BleLink::Connect(const std::string& portName, const bgapi::Address& address) {
    if (!ResetAndReopen(portName)) {
        state_ = LinkState::kIdle;
        return 4;
    }
    // A new connection always discovers the service again: handles left from a lost
    // connection (or another device) must not be taken for this one's.
    ForgetHandles();
    state_ = LinkState::kConnecting;
    bgapi::ConnectDirectParams params;
    params.address = address;
    Send(bgapi::GapConnectDirect(params));
    while (state_ != LinkState::kReady) {
        if (ReadPacket(timing_.connectSilence) != ReadResult::kPacket) {
            state_ = LinkState::kIdle;
            port_->Close();
            return 4;
        }
    }
    return 0;
}

int BleLink::Disconnect() {
    if (state_ != LinkState::kIdle) {
        Send(bgapi::ConnectionDisconnect(connection_));
        while (state_ != LinkState::kIdle) {
            if (ReadPacket(timing_.connectSilence) != ReadResult::kPacket)
                state_ = LinkState::kIdle;
        }
    }
    port_->Close();
    ForgetHandles();
    return 0;
}

int BleLink::Scan(const std::string& portName, std::uint8_t* out) {
    if (!ResetAndReopen(portName)) {
        state_ = LinkState::kIdle;
        return 4;
    }
    std::fill(scanTable_.begin(), scanTable_.end(), 0);
    scanCount_ = 0;
    state_ = LinkState::kScanning;
    Send(bgapi::GapSetScanParameters(kScanInterval, kScanWindow, kScanActive));
    Send(bgapi::GapDiscover(kDiscoverGeneric));
    const auto start = std::chrono::steady_clock::now();
    const auto limit = std::chrono::milliseconds(timing_.scanTotal);
    while (state_ != LinkState::kScanFull && std::chrono::steady_clock::now() - start <= limit) {
        if (ReadPacket(timing_.scanSilence) != ReadResult::kPacket)
            break;
    }
    out[0] = std::uint8_t(scanCount_);
    std::memcpy(out + 1, scanTable_.data(), scanCount_ * kScanRecordSize);
    Send(bgapi::GapEndProcedure());
    state_ = LinkState::kIdle;
    port_->Close();
    return 0;
}

void BleLink::DrainPending() {
    if (!port_->IsOpen())
        return;
    while (ReadPacket(0) == ReadResult::kPacket) {
    }
}

void BleLink::StartReceive(std::size_t expected) {
    rxCount_ = 0;
    rxExpected_ = expected;
}

void BleLink::SendData(const std::uint8_t* chars, std::size_t n) {
    for (std::size_t done = 0; done < n; done += kPieceSize) {
        std::size_t piece = n - done < kPieceSize ? n - done : kPieceSize;
        Pause(timing_.pieceGap);
        Send(bgapi::AttClientWriteCommand(connection_, dataHandle_, chars + done, piece));
    }
}

bool BleLink::WaitForData(int timeoutMs) {
    // Without a connection no answer can come.
    if (state_ == LinkState::kIdle)
        return false;
    state_ = LinkState::kWaiting;
    while (state_ != LinkState::kDataComplete) {
        // A lost connection will not complete the answer: no need to sit out the silence.
        if (ReadPacket(timeoutMs) != ReadResult::kPacket || state_ == LinkState::kIdle) {
            // The answer is given up; whatever arrives for it later is dropped.
            if (state_ == LinkState::kWaiting)
                state_ = LinkState::kReady;
            return false;
        }
    }
    return true;
}

} // namespace hb30
