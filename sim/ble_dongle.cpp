#include "sim/ble_dongle.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include "ble/spp_ids.h"
#include "wire/frame_codec.h"

namespace sim {

namespace {

using Clock = std::chrono::steady_clock;
using bgapi::Bytes;
using bgapi::Writer;

// The GATT database: a generic access service, then the data service with its
// characteristic declaration, data value and CCC descriptor.
constexpr std::uint16_t kGenericAccessFirst = 0x0001, kGenericAccessLast = 0x0007;
constexpr std::uint16_t kSppFirst = 0x0008, kSppLast = 0x000B;
constexpr std::uint16_t kDataDeclHandle = 0x0009;
constexpr std::uint16_t kDataHandle = 0x000A;
constexpr std::uint16_t kCccHandle = 0x000B;
constexpr std::uint16_t kGenericAccessUuid = 0x1800;
constexpr std::uint16_t kCharacteristicUuid = 0x2803;

constexpr std::uint8_t kConnection = 0;
constexpr std::uint16_t kResultOk = 0;
constexpr std::uint16_t kResultNotConnected = 0x0186;
constexpr std::uint16_t kReasonLocalHost = 0x0216;
constexpr std::uint16_t kReasonSupervisionTimeout = 0x0208;
constexpr std::uint8_t kNotification = 1;
// Connection-status flags: connected (bit 0) with connection completed (bit 2), or with
// parameters changed (bit 3).
constexpr std::uint8_t kStatusCompleted = 0x05;
constexpr std::uint8_t kStatusParametersChanged = 0x09;
constexpr std::size_t kNotificationSize = 20;
constexpr std::size_t kMaxLine = 8192;
// An event id the protocol does not have, in the attribute client class.
constexpr std::uint8_t kUnknownEventId = 0x3F;

Bytes Event(std::uint8_t cls, std::uint8_t id, const Bytes& payload) {
    return bgapi::EncodePacket(bgapi::kTypeEvent, cls, id, payload);
}
Bytes Response(std::uint8_t cls, std::uint8_t id, const Bytes& payload) {
    return bgapi::EncodePacket(bgapi::kTypeCommand, cls, id, payload);
}
Bytes ConnResult(std::uint16_t result) {
    Bytes p;
    Writer(p).U8(kConnection).U16(result);
    return p;
}
Bytes Result(std::uint16_t result) {
    Bytes p;
    Writer(p).U16(result);
    return p;
}

// Advertising data: the name as a complete local name, either first or after flags.
Bytes AdvertisingData(const BleAdvertiser& a) {
    Bytes ad;
    const std::uint8_t flags[] = {0x02, 0x01, 0x06};
    if (!a.name_first)
        ad.insert(ad.end(), flags, flags + 3);
    std::size_t n = std::min<std::size_t>(a.name.size(), 29);
    ad.push_back(std::uint8_t(n + 1));
    ad.push_back(0x09);
    ad.insert(ad.end(), a.name.begin(), a.name.begin() + std::ptrdiff_t(n));
    if (a.name_first)
        ad.insert(ad.end(), flags, flags + 3);
    return ad;
}

} // namespace

std::vector<BleAdvertiser> MakeOtherAdvertisers(int named, bool nameless, bool duplicate) {
    std::vector<BleAdvertiser> out;
    for (int i = 0; i < named; ++i) {
        char name[24];
        std::snprintf(name, sizeof name, "Sensor %02d", i + 1);
        out.push_back({name, {std::uint8_t(i + 1), 0x20, 0x21, 0x22, 0x23, 0xC0}, true});
    }
    if (nameless)
        out.push_back({"Hidden tag", {0x99, 0x88, 0x77, 0x66, 0x55, 0xC1}, false});
    if (duplicate && !out.empty())
        out.push_back(out.front());
    return out;
}

struct BleDongle::Impl {
    BleDongleOptions opt;
    RequestHandler handler;
    std::function<void()> linkClosed;

    std::thread thread;
    std::atomic<bool> stop{false};
    int wake[2] = {-1, -1};

    mutable std::mutex mutex; // guards counters and published
    Counters counters;
    bool published = false;

    // Owned by the dongle thread.
    int master = -1;
    int slave = -1; // held open so that the port lives while the host closes and reopens it
    Bytes inbox;
    Bytes outbox;
    struct Scheduled {
        Clock::time_point due;
        Bytes bytes;
    };
    std::deque<Scheduled> queue; // in due order
    Clock::time_point lastDue{};
    Clock::time_point nextSlot{};
    Clock::time_point connectedAt{};
    std::optional<Clock::time_point> comeBackAt;
    bool connected = false;
    bool notifying = false;
    std::string line;

    std::string Path() const { return opt.dev_dir + "/" + opt.name; }
    std::string NamePath() const { return Path() + ".name"; }

    bool OpenPty(std::string* error);
    void ClosePty();
    bool Publish(std::string* error);
    void Unpublish();
    void Reset();
    void Run();

    void Emit(Bytes packet, std::chrono::microseconds delay = {});
    void EmitPaced(Bytes packet);
    void OnCommand(const bgapi::Packet& p);
    void OnScan();
    void OnConnectDirect(const Bytes& payload);
    void EmitStatus(std::uint8_t flags, std::chrono::microseconds delay = {});
    void OnReadByGroupType();
    void OnFindInformation(const Bytes& payload);
    void OnAttributeWrite(const Bytes& payload);
    void OnWriteCommand(const Bytes& payload);
    void OnDisconnect();
    void OnLine(const std::string& text);
    void EndConnection();
};

bool BleDongle::Impl::OpenPty(std::string* error) {
    master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        *error = "cannot create a pseudo-terminal for the BLE dongle";
        ClosePty();
        return false;
    }
    const char* slaveName = ::ptsname(master);
    slave = slaveName != nullptr ? ::open(slaveName, O_RDWR | O_NOCTTY | O_CLOEXEC) : -1;
    if (slave < 0) {
        *error = "cannot open the BLE dongle's pseudo-terminal";
        ClosePty();
        return false;
    }
    // Binary packets: no echo, no translation.
    termios tio{};
    ::tcgetattr(slave, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(slave, TCSANOW, &tio);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    return true;
}

void BleDongle::Impl::ClosePty() {
    if (slave >= 0)
        ::close(slave);
    if (master >= 0)
        ::close(master);
    slave = master = -1;
}

bool BleDongle::Impl::Publish(std::string* error) {
    if (!OpenPty(error))
        return false;
    std::string target = ::ptsname(master);
    std::string tmp = Path() + ".new";
    ::unlink(tmp.c_str());
    if (::symlink(target.c_str(), tmp.c_str()) != 0 || ::rename(tmp.c_str(), Path().c_str()) != 0) {
        *error = "cannot publish " + Path();
        ClosePty();
        return false;
    }
    std::string friendly = opt.friendly_name.empty()
                               ? "Bluegiga Bluetooth Low Energy (" + opt.name + ")"
                               : opt.friendly_name;
    if (FILE* f = std::fopen(NamePath().c_str(), "w")) {
        std::fputs(friendly.c_str(), f);
        std::fclose(f);
    }
    std::lock_guard<std::mutex> lock(mutex);
    published = true;
    return true;
}

void BleDongle::Impl::Unpublish() {
    ::unlink(Path().c_str());
    ::unlink(NamePath().c_str());
    ClosePty();
    std::lock_guard<std::mutex> lock(mutex);
    published = false;
}

// The dongle restarts: connection and pending output are gone, the port disappears and
// (unless the fault says otherwise) comes back a little later with a boot event.
void BleDongle::Impl::Reset() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        ++counters.resets;
    }
    Unpublish();
    inbox.clear();
    outbox.clear();
    queue.clear();
    EndConnection();
    lastDue = nextSlot = Clock::now();
    if (!opt.fault_never_back)
        comeBackAt = Clock::now() + std::chrono::milliseconds(opt.reenumerate_ms);
}

void BleDongle::Impl::Emit(Bytes packet, std::chrono::microseconds delay) {
    if (opt.fault_silent)
        return;
    Clock::time_point due = std::max(Clock::now() + delay, lastDue);
    lastDue = due;
    queue.push_back({due, std::move(packet)});
}

// One notification per connection event: the events come every interval from the moment
// of the connection, and each carries at most one notification.
void BleDongle::Impl::EmitPaced(Bytes packet) {
    Clock::time_point due = std::max({Clock::now(), nextSlot, lastDue});
    if (opt.interval_us > 0) {
        const std::chrono::microseconds interval(opt.interval_us);
        auto sinceAnchor = std::chrono::ceil<std::chrono::microseconds>(due - connectedAt);
        auto events = (sinceAnchor.count() + interval.count() - 1) / interval.count();
        due = connectedAt + events * interval;
    }
    nextSlot = due + std::chrono::microseconds(opt.interval_us);
    lastDue = due;
    if (!opt.fault_silent)
        queue.push_back({due, std::move(packet)});
}

void BleDongle::Impl::OnCommand(const bgapi::Packet& p) {
    using namespace bgapi;
    const Header& h = p.header;
    if (h.IsEvent())
        return;
    if (h.cls == kClassSystem && h.id == id::kSystemReset) {
        Reset();
    } else if (h.cls == kClassGap && h.id == id::kGapSetScanParameters) {
        Emit(Response(h.cls, h.id, Result(kResultOk)));
    } else if (h.cls == kClassGap && h.id == id::kGapDiscover) {
        Emit(Response(h.cls, h.id, Result(kResultOk)));
        OnScan();
    } else if (h.cls == kClassGap && h.id == id::kGapEndProcedure) {
        Emit(Response(h.cls, h.id, Result(kResultOk)));
    } else if (h.cls == kClassGap && h.id == id::kGapConnectDirect) {
        OnConnectDirect(p.payload);
    } else if (h.cls == kClassConnection && h.id == id::kConnectionDisconnect) {
        OnDisconnect();
    } else if (h.cls == kClassAttClient && h.id == id::kAttClientReadByGroupType) {
        Emit(Response(h.cls, h.id, ConnResult(connected ? kResultOk : kResultNotConnected)));
        OnReadByGroupType();
    } else if (h.cls == kClassAttClient && h.id == id::kAttClientFindInformation) {
        Emit(Response(h.cls, h.id, ConnResult(connected ? kResultOk : kResultNotConnected)));
        OnFindInformation(p.payload);
    } else if (h.cls == kClassAttClient && h.id == id::kAttClientAttributeWrite) {
        Emit(Response(h.cls, h.id, ConnResult(connected ? kResultOk : kResultNotConnected)));
        OnAttributeWrite(p.payload);
    } else if (h.cls == kClassAttClient && h.id == id::kAttClientWriteCommand) {
        Emit(Response(h.cls, h.id, ConnResult(connected ? kResultOk : kResultNotConnected)));
        OnWriteCommand(p.payload);
    }
}

void BleDongle::Impl::OnScan() {
    std::vector<const BleAdvertiser*> all{&opt.controller};
    for (const BleAdvertiser& a : opt.others)
        all.push_back(&a);
    for (const BleAdvertiser* a : all) {
        Bytes p;
        Bytes ad = AdvertisingData(*a);
        Writer(p)
            .U8(std::uint8_t(-60)) // rssi
            .U8(0)                 // connectable advertisement
            .Raw(a->address.data(), a->address.size())
            .U8(0)    // public address
            .U8(0xFF) // no bond
            .Array(ad.data(), ad.size());
        Emit(Event(bgapi::kClassGap, bgapi::id::kGapScanResponse, p), std::chrono::milliseconds(5));
    }
}

void BleDongle::Impl::OnConnectDirect(const Bytes& payload) {
    bgapi::Reader r(payload);
    bgapi::Address address{};
    r.Raw(address.data(), address.size());
    {
        std::lock_guard<std::mutex> lock(mutex);
        ++counters.connects;
        counters.last_connect_address = address;
    }
    Bytes resp;
    Writer(resp).U16(kResultOk).U8(kConnection);
    Emit(Response(bgapi::kClassGap, bgapi::id::kGapConnectDirect, resp));
    // Only the controller is there to connect to; anyone else never answers.
    if (!r.ok() || address != opt.controller.address)
        return;
    connected = true;
    notifying = false;
    line.clear();
    connectedAt = Clock::now();
    EmitStatus(kStatusCompleted, std::chrono::milliseconds(10));
}

void BleDongle::Impl::EmitStatus(std::uint8_t flags, std::chrono::microseconds delay) {
    Bytes status;
    Writer(status)
        .U8(kConnection)
        .U8(flags)
        .Raw(opt.controller.address.data(), opt.controller.address.size())
        .U8(0)
        .U16(6)
        .U16(320)
        .U16(0)
        .U8(0xFF);
    Emit(Event(bgapi::kClassConnection, bgapi::id::kConnectionStatus, status), delay);
}

void BleDongle::Impl::OnReadByGroupType() {
    if (!connected)
        return;
    struct Group {
        std::uint16_t first, last;
        Bytes uuid;
    };
    const Group groups[] = {
        {kGenericAccessFirst, kGenericAccessLast, hb30::UuidBytes(kGenericAccessUuid)},
        {kSppFirst, kSppLast, hb30::UuidBytes(hb30::kSppServiceUuid)},
    };
    for (const Group& g : groups) {
        if (opt.gatt_without_service && g.first == kSppFirst)
            continue;
        Bytes p;
        Writer(p).U8(kConnection).U16(g.first).U16(g.last).Array(g.uuid.data(), g.uuid.size());
        Emit(Event(bgapi::kClassAttClient, bgapi::id::kAttClientGroupFound, p));
    }
    Bytes done;
    Writer(done).U8(kConnection).U16(kResultOk).U16(0);
    Emit(Event(bgapi::kClassAttClient, bgapi::id::kAttClientProcedureCompleted, done));
}

void BleDongle::Impl::OnFindInformation(const Bytes& payload) {
    if (!connected)
        return;
    bgapi::Reader r(payload);
    r.U8();
    std::uint16_t start = r.U16(), end = r.U16();
    struct Info {
        std::uint16_t handle;
        Bytes uuid;
    };
    const Info infos[] = {
        {kSppFirst, hb30::UuidBytes(hb30::kPrimaryServiceUuid)},
        {kDataDeclHandle, hb30::UuidBytes(kCharacteristicUuid)},
        {kDataHandle, hb30::UuidBytes(hb30::kSppDataUuid)},
        {kCccHandle, hb30::UuidBytes(hb30::kCccUuid)},
    };
    for (const Info& i : infos) {
        if (i.handle < start || i.handle > end)
            continue;
        if (opt.gatt_without_data && i.handle == kDataHandle)
            continue;
        Bytes p;
        Writer(p).U8(kConnection).U16(i.handle).Array(i.uuid.data(), i.uuid.size());
        Emit(Event(bgapi::kClassAttClient, bgapi::id::kAttClientFindInformationFound, p));
    }
    Bytes done;
    Writer(done).U8(kConnection).U16(kResultOk).U16(0);
    Emit(Event(bgapi::kClassAttClient, bgapi::id::kAttClientProcedureCompleted, done));
}

void BleDongle::Impl::OnAttributeWrite(const Bytes& payload) {
    bgapi::Reader r(payload);
    r.U8();
    std::uint16_t handle = r.U16();
    Bytes value = r.Array();
    if (!connected || !r.ok())
        return;
    if (handle == kCccHandle)
        notifying = value.size() >= 1 && (value[0] & 0x01) != 0;
    Bytes done;
    Writer(done).U8(kConnection).U16(kResultOk).U16(handle);
    Emit(Event(bgapi::kClassAttClient, bgapi::id::kAttClientProcedureCompleted, done));
}

void BleDongle::Impl::OnWriteCommand(const Bytes& payload) {
    bgapi::Reader r(payload);
    r.U8();
    std::uint16_t handle = r.U16();
    Bytes chars = r.Array();
    if (!connected || !r.ok() || handle != kDataHandle)
        return;
    {
        std::lock_guard<std::mutex> lock(mutex);
        counters.longest_write = std::max(counters.longest_write, chars.size());
    }
    for (std::uint8_t c : chars) {
        if (c == ':')
            line.clear();
        line.push_back(char(c));
        if (c == '\n') {
            OnLine(line);
            line.clear();
        } else if (line.size() > kMaxLine) {
            line.clear();
        }
    }
}

void BleDongle::Impl::OnLine(const std::string& text) {
    auto frame = wire::ParseAsciiFrame(text);
    // A frame that does not add up is not answered, as the controller would not.
    if (!frame || frame->empty() || !wire::SumsToZero(frame->data(), frame->size()))
        return;
    frame->pop_back();
    int frames = 0;
    {
        std::lock_guard<std::mutex> lock(mutex);
        frames = ++counters.frames;
        counters.last_request = text;
    }
    // The request is lost with the connection; the port comes back with a boot event.
    if (opt.fault_reset_nth > 0 && frames == opt.fault_reset_nth) {
        Reset();
        return;
    }
    AnswerFaults faults;
    wire::Bytes answer = handler ? handler(*frame, &faults) : wire::Bytes{};
    if (answer.empty() || !notifying)
        return;
    std::string chars = wire::EncodeAscii(answer);
    if (faults.corrupt_check) {
        // The check byte is the last hex pair before CR LF.
        char& low = chars[chars.size() - 3];
        low = low == '0' ? '1' : '0';
    }
    if (opt.fault_unknown_message)
        Emit(Event(bgapi::kClassAttClient, kUnknownEventId, {0x00, 0x00}));
    for (std::size_t at = 0; at < chars.size(); at += kNotificationSize) {
        std::size_t n = std::min(kNotificationSize, chars.size() - at);
        Bytes p;
        Writer(p)
            .U8(kConnection)
            .U16(kDataHandle)
            .U8(kNotification)
            .Array(reinterpret_cast<const std::uint8_t*>(chars.data()) + at, n);
        EmitPaced(Event(bgapi::kClassAttClient, bgapi::id::kAttClientAttributeValue, p));
        {
            std::lock_guard<std::mutex> lock(mutex);
            ++counters.notifications;
        }
        if (opt.fault_status_update && at == 0)
            EmitStatus(kStatusParametersChanged);
    }
    if (faults.drop_link) {
        EndConnection();
        Bytes p;
        Writer(p).U8(kConnection).U16(kReasonSupervisionTimeout);
        Emit(Event(bgapi::kClassConnection, bgapi::id::kConnectionDisconnected, p));
    }
}

void BleDongle::Impl::EndConnection() {
    bool was = connected;
    connected = notifying = false;
    line.clear();
    if (was && linkClosed)
        linkClosed();
}

void BleDongle::Impl::OnDisconnect() {
    Emit(Response(bgapi::kClassConnection, bgapi::id::kConnectionDisconnect,
                  ConnResult(connected ? kResultOk : kResultNotConnected)));
    if (!connected)
        return;
    EndConnection();
    Bytes p;
    Writer(p).U8(kConnection).U16(kReasonLocalHost);
    Emit(Event(bgapi::kClassConnection, bgapi::id::kConnectionDisconnected, p),
         std::chrono::milliseconds(5));
}

void BleDongle::Impl::Run() {
    while (!stop.load()) {
        auto now = Clock::now();
        if (comeBackAt && now >= *comeBackAt) {
            comeBackAt.reset();
            std::string error;
            if (Publish(&error)) {
                Bytes boot;
                Writer(boot).U16(1).U16(3).U16(2).U16(122).U16(3).U8(1).U8(1);
                Emit(Event(bgapi::kClassSystem, bgapi::id::kSystemBoot, boot));
            }
        }
        while (!queue.empty() && queue.front().due <= now) {
            outbox.insert(outbox.end(), queue.front().bytes.begin(), queue.front().bytes.end());
            queue.pop_front();
        }
        if (master >= 0 && !outbox.empty()) {
            ssize_t w = ::write(master, outbox.data(), outbox.size());
            if (w > 0)
                outbox.erase(outbox.begin(), outbox.begin() + w);
        }

        int timeout = 200;
        auto until = [&](Clock::time_point t) {
            auto ms = std::chrono::ceil<std::chrono::milliseconds>(t - Clock::now()).count();
            timeout = std::min<int>(timeout, int(std::max<long long>(ms, 0)));
        };
        if (!queue.empty())
            until(queue.front().due);
        if (comeBackAt)
            until(*comeBackAt);

        pollfd fds[2] = {{wake[0], POLLIN, 0}, {master, POLLIN, 0}};
        if (master >= 0 && !outbox.empty())
            fds[1].events |= POLLOUT;
        int nfds = master >= 0 ? 2 : 1;
        if (::poll(fds, nfds, timeout) < 0 && errno != EINTR)
            break;
        if (nfds == 2 && (fds[1].revents & POLLIN) != 0) {
            std::uint8_t buf[1024];
            ssize_t n = ::read(master, buf, sizeof buf);
            if (n > 0)
                inbox.insert(inbox.end(), buf, buf + n);
            while (master >= 0) {
                auto packet = bgapi::TakePacket(inbox);
                if (!packet)
                    break;
                OnCommand(*packet);
            }
        }
    }
}

BleDongle::BleDongle(BleDongleOptions options, RequestHandler handler)
    : impl_(std::make_unique<Impl>()) {
    impl_->opt = std::move(options);
    impl_->handler = std::move(handler);
}

BleDongle::~BleDongle() {
    Stop();
}

void BleDongle::SetLinkClosedHandler(std::function<void()> closed) {
    impl_->linkClosed = std::move(closed);
}

bool BleDongle::Start(std::string* error) {
    std::string ignored;
    if (error == nullptr)
        error = &ignored;
    if (impl_->thread.joinable())
        return true;
    if (::pipe2(impl_->wake, O_CLOEXEC) != 0) {
        *error = "cannot create the BLE dongle's wake-up pipe";
        return false;
    }
    if (!impl_->Publish(error)) {
        ::close(impl_->wake[0]);
        ::close(impl_->wake[1]);
        impl_->wake[0] = impl_->wake[1] = -1;
        return false;
    }
    impl_->stop = false;
    impl_->thread = std::thread([this] { impl_->Run(); });
    return true;
}

void BleDongle::Stop() {
    if (!impl_->thread.joinable())
        return;
    impl_->stop = true;
    (void)!::write(impl_->wake[1], "x", 1);
    impl_->thread.join();
    impl_->Unpublish();
    ::close(impl_->wake[0]);
    ::close(impl_->wake[1]);
    impl_->wake[0] = impl_->wake[1] = -1;
}

std::string BleDongle::ReadyText() const {
    return "ble=" + impl_->Path();
}

std::string BleDongle::PortPath() const {
    return impl_->Path();
}

bool BleDongle::IsPublished() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->published;
}

BleDongle::Counters BleDongle::Stats() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->counters;
}

} // namespace sim
