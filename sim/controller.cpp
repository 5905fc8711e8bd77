#include "sim/controller.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "sim/controller_state.h"

namespace sim {

namespace {

constexpr std::uint8_t kStation = 0xF7;

std::int64_t SteadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::int64_t SecondsSince2000Utc() {
    using namespace std::chrono;
    constexpr std::int64_t kEpoch2000 = 946684800; // 2000-01-01 00:00:00 UTC in Unix time
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count() - kEpoch2000;
}

const char* KindName(std::uint8_t function) {
    switch (function) {
    case 0x03:
        return "R";
    case 0x13:
        return "RCF";
    case 0x23:
        return "RX";
    case 0x10:
        return "W";
    case 0x20:
        return "WCF";
    case 0x30:
        return "WX";
    default:
        return "?";
    }
}

std::string HexBytes(const std::uint8_t* p, std::size_t n, std::size_t max) {
    std::string s;
    char buf[4];
    for (std::size_t i = 0; i < n && i < max; ++i) {
        std::snprintf(buf, sizeof buf, "%02X", p[i]);
        if (i)
            s += ' ';
        s += buf;
    }
    if (n > max)
        s += " ...";
    return s;
}

// The password areas: their bytes never reach the request log.
bool CarriesPassword(std::uint32_t address) {
    return address == addr::kUnlock || address == addr::kNewPassword ||
           address == addr::kAppPassword;
}

// The data of a request or an answer as the log shows it.
std::string LoggedBytes(std::uint32_t address, const std::uint8_t* p, std::size_t n) {
    if (CarriesPassword(address))
        return std::to_string(n) + " bytes hidden";
    return HexBytes(p, n, 16);
}

ControllerOptions WithClock(ControllerOptions o) {
    if (!o.clock_start)
        o.clock_start = SecondsSince2000Utc();
    return o;
}

} // namespace

Controller::Controller(ControllerOptions options, MonotonicClock clock)
    : clock_(clock ? std::move(clock) : MonotonicClock(SteadyMs)), options_(WithClock(options)) {
    state_ = std::make_unique<ControllerState>(options_, clock_());
}

Controller::~Controller() = default;

std::uint32_t Controller::Code8() const {
    return options_.code8;
}
std::uint32_t Controller::ProductId() const {
    return options_.product_id;
}

std::string Controller::Label() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return state_->LabelText();
}

std::int64_t Controller::ClockSeconds() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return state_->ClockSeconds(clock_());
}

wire::Bytes Controller::PanelBlock() {
    std::lock_guard<std::mutex> lock(mutex_);
    return state_->PanelBlock(clock_());
}

void Controller::SetLogSink(std::function<void(const std::string&)> sink) {
    std::lock_guard<std::mutex> lock(mutex_);
    log_ = std::move(sink);
}

void Controller::LinkClosed() {
    std::lock_guard<std::mutex> lock(mutex_);
    state_->SessionEnd(clock_());
    if (log_)
        log_("------ link closed: session end");
}

void Controller::LogNote(const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (log_)
        log_("------ " + line);
}

bool Controller::TakeDirty() {
    std::lock_guard<std::mutex> lock(mutex_);
    bool d = dirty_;
    dirty_ = false;
    return d;
}

wire::Bytes Controller::HandleRequest(const wire::Bytes& body, AnswerFaults* faults) {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::int64_t now = clock_();
    const std::uint64_t seq = ++requests_;
    char head[96];

    // Too short for a request header: answer an exception when it is addressed to us and
    // names a function, else stay silent.
    if (body.size() < 8) {
        std::snprintf(head, sizeof head, "%06llu malformed (%zu bytes)",
                      static_cast<unsigned long long>(seq), body.size());
        wire::Bytes answer;
        if (body.size() >= 2 && body[0] == kStation)
            answer = wire::BuildException(kStation, body[1], kExIllegalValue);
        if (log_)
            log_(std::string(head) + (answer.empty() ? " -> silent" : " -> exception 3"));
        return answer;
    }
    Request r;
    r.target = body[0];
    r.function = body[1];
    r.address = wire::GetBE32(&body[2]);
    r.count = wire::GetBE16(&body[6]);
    const std::size_t data_len = body.size() - 8;
    std::snprintf(head, sizeof head, "%06llu %-3s 0x%08X n=%u",
                  static_cast<unsigned long long>(seq), KindName(r.function), r.address, r.count);
    std::string line = head;
    if (data_len > 0)
        line += " [" + LoggedBytes(r.address, &body[8], data_len) + "]";

    Reply reply;
    if (r.target != kStation) {
        reply.kind = Reply::kSilent;
        reply.note = "another station";
    } else if (SilencedByImageFault(r)) {
        reply.kind = Reply::kSilent;
        reply.note = "fault: silent since an image frame";
    } else if (options_.fault_silent_nth > 0 && seq == std::uint64_t(options_.fault_silent_nth)) {
        reply.kind = Reply::kSilent;
        reply.note = "fault: silent";
    } else if (options_.fault_refuse ||
               (options_.fault_refuse_nth > 0 && seq == std::uint64_t(options_.fault_refuse_nth))) {
        reply.kind = Reply::kRefusal;
        reply.note = "fault: refused";
    } else if (r.IsRead() && data_len != 0) {
        reply.kind = Reply::kException;
        reply.code = kExIllegalValue;
        reply.note = "read carries data";
    } else if (r.IsWrite() && data_len != r.count) {
        reply.kind = Reply::kException;
        reply.code = kExIllegalValue;
        reply.note = "count does not match the data";
    } else {
        if (r.IsWrite())
            r.data = &body[8];
        reply = state_->Handle(r, now);
        if (r.IsWrite() && reply.kind == Reply::kWriteAck)
            dirty_ = true;
    }

    wire::Bytes answer;
    std::string result;
    switch (reply.kind) {
    case Reply::kRead:
        answer = wire::BuildReadAnswer(kStation, r.function, reply.data.data(),
                                       std::uint16_t(reply.data.size()));
        result = "ok " + std::to_string(reply.data.size()) + " bytes";
        if (!reply.data.empty())
            result += " [" + LoggedBytes(r.address, reply.data.data(), reply.data.size()) + "]";
        break;
    case Reply::kWriteAck:
        answer = wire::BuildWriteAnswer(
            kStation, r.function, reply.echo_address ? reply.echo_address : r.address, r.count);
        result = "ok";
        break;
    case Reply::kException:
        answer = wire::BuildException(kStation, r.function, reply.code);
        result = "exception " + std::to_string(reply.code);
        break;
    case Reply::kRefusal:
        // The refusal in its documented form: a write echo naming address 0xFFFFFFFF, count
        // 0 (":F710FFFFFFFF0000FD").
        answer = wire::BuildWriteAnswer(kStation, 0x10, 0xFFFFFFFF, 0);
        result = "refused";
        break;
    case Reply::kSilent:
        result = "silent";
        break;
    }
    if (faults != nullptr && !answer.empty()) {
        ++answered_;
        faults->corrupt_check =
            options_.fault_bad_check || (options_.fault_bad_check_nth > 0 &&
                                         answered_ == std::uint64_t(options_.fault_bad_check_nth));
        if (options_.fault_drop_after > 0 &&
            answered_ % std::uint64_t(options_.fault_drop_after) == 0) {
            faults->drop_link = true;
            result += ", then the link drops";
        }
        if (faults->corrupt_check)
            result += ", bad check byte";
    }
    if (log_) {
        line += " -> " + result;
        if (!reply.note.empty())
            line += " (" + reply.note + ")";
        log_(line);
    }
    return answer;
}

bool Controller::LoadState(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    wire::Bytes image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::lock_guard<std::mutex> lock(mutex_);
    return state_->Deserialize(image, clock_());
}

bool Controller::SaveState(const std::string& path) const {
    wire::Bytes image;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        image = state_->Serialize(clock_());
    }
    // Write beside and rename, so that a crash never leaves half a state file.
    const std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        out.write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));
        if (!out)
            return false;
    }
    return std::rename(tmp.c_str(), path.c_str()) == 0;
}

bool Controller::SilencedByImageFault(const Request& r) {
    if (options_.fault_silent_image_frame <= 0)
        return false;
    const bool image = r.IsWrite() && ((r.address >= 0x08000000 && r.address < 0x08300000) ||
                                       (r.address >= 0x48000000 && r.address < 0x48118000));
    if (image && ++image_frames_ >= options_.fault_silent_image_frame)
        image_silence_ = true;
    return image_silence_;
}

} // namespace sim
