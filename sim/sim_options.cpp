#include "sim/sim_options.h"

#include <array>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>

#include "sim/datalog.h"

namespace sim {

namespace {

// Decimal, leading zeros included (codes and product ids are often written zero-padded), or
// hexadecimal after "0x".
bool ParseInt(const std::string& s, long min, long max, long* out) {
    if (s.empty())
        return false;
    const bool hex = s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X');
    char* end = nullptr;
    long v = std::strtol(s.c_str(), &end, hex ? 16 : 10);
    if (*end != '\0' || v < min || v > max)
        return false;
    *out = v;
    return true;
}

bool ParseVersion(const std::string& s, Version* v) {
    unsigned a = 0, b = 0, c = 0;
    char tail = 0;
    if (std::sscanf(s.c_str(), "%u.%u.%u%c", &a, &b, &c, &tail) != 3 || a > 255 || b > 255 ||
        c > 255)
        return false;
    *v = Version{std::uint8_t(a), std::uint8_t(b), std::uint8_t(c)};
    return true;
}

// "1,2,9" → one bit per number in [1, 8 * ranges], bit (n-1)%8 of byte (n-1)/8.
bool ParseBitList(const std::string& s, int max, std::array<std::uint8_t, 3>* out) {
    *out = {0, 0, 0};
    std::size_t at = 0;
    while (at < s.size()) {
        std::size_t comma = s.find(',', at);
        if (comma == std::string::npos)
            comma = s.size();
        long n = 0;
        if (!ParseInt(s.substr(at, comma - at), 1, max, &n))
            return false;
        (*out)[std::size_t(n - 1) / 8] |= std::uint8_t(1u << ((n - 1) % 8));
        at = comma + 1;
    }
    return true;
}

// "N:NAME[:UNIT[:DECIMALS]]"
bool ParseDatalogLabel(const std::string& s, DatalogLabelOption* l) {
    std::vector<std::string> parts;
    std::size_t at = 0;
    for (std::size_t colon; (colon = s.find(':', at)) != std::string::npos; at = colon + 1)
        parts.push_back(s.substr(at, colon - at));
    parts.push_back(s.substr(at));
    long channel = 0, decimals = 0;
    if (parts.size() < 2 || parts.size() > 4 || !ParseInt(parts[0], 1, 24, &channel) ||
        Utf8ToAnsi(parts[1]).size() > 24 || (parts.size() > 2 && Utf8ToAnsi(parts[2]).size() > 4) ||
        (parts.size() > 3 && !ParseInt(parts[3], 0, 9, &decimals)))
        return false;
    l->channel = int(channel);
    l->name = parts[1];
    l->unit = parts.size() > 2 ? parts[2] : "";
    l->decimals = std::uint8_t(decimals);
    return true;
}

} // namespace

const char* SimUsage() {
    return "usage: quorvel-sim [options]\n"
           "Plays one controller on a USB pseudo-terminal, a TCP listener and (on request)\n"
           "the UDP discovery responder. Prints \"READY usb=<dev-dir>/<name> tcp=<port>\" once\n"
           "every link is up.\n"
           "\n"
           "Controller:\n"
           "  --code8 N              product code (default 61410031, kz9 TCP/IP)\n"
           "  --label TEXT           controller label at 0x0F00 (at most 18 characters)\n"
           "  --product-id N         discovery product id (default 1)\n"
           "  --software V.I.R       software version (default: the model's profile)\n"
           "  --xt1 CODE8, --xt2 CODE8  expansion modules\n"
           "  --inputs N, --outputs N   digital input and relay output counts\n"
           "  --no-program           start without an application\n"
           "  --stopped              start stopped\n"
           "  --remote-password TEXT remote lock password (locks each session)\n"
           "  --lock-unavailable     lock state byte 0 = 0 (cannot be unlocked from the PC)\n"
           "  --lock-needs-firmware  lock state byte 2 = 0 (update the firmware first)\n"
           "  --strict-lock          also refuse writes while locked\n"
           "  --strict-run           refuse program-area writes while running\n"
           "  --app-password TEXT    application password (6 characters)\n"
           "  --no-chord             0x5900 = 0 (parameter access by one Esc click)\n"
           "  --state-word N         starting 0x5000 (0x400001F5 = loader without firmware)\n"
           "  --datalog-period S     seconds between datalog records while running (10)\n"
           "  --datalog-channels L   channels logged, e.g. 1,2,3,9 (1-24; own memory 1-16)\n"
           "  --datalog-wide L       ranges of 32-bit values, e.g. 2 (1-3; channels 8r+1..8r+4)\n"
           "  --datalog-label N:NAME[:UNIT[:DECIMALS]]  label of channel N (communication\n"
           "                         board; repeatable; replaces the built-in labels)\n"
           "  --datalog FILE         prepared datalog memory (own: records from byte 0;\n"
           "                         board: with its 4-byte record count)\n"
           "  --reboot-ms N          silence after a restart (default 0)\n"
           "  --clock-start S        clock start, seconds since 2000-01-01 (default: now, UTC)\n"
           "\n"
           "Links:\n"
           "  --dev-dir DIR          device folder for the USB port (default /tmp/quorvel-dev)\n"
           "  --usb-name NAME        USB port name in DIR (default ttySIM0; \"\" = none)\n"
           "  --tcp-port N           Ethernet port (42424; 0 = a free port; -1 = none)\n"
           "  --bind ADDR            address of the TCP listener and discovery (127.0.0.1)\n"
           "  --baud N               emulated serial line speed (default: unthrottled)\n"
           "  --eth-rate N           Ethernet answers at N bytes per second, request and\n"
           "                         answer frames counted (default: unthrottled)\n"
           "  --discovery            answer discovery on UDP port 35007\n"
           "  --discovery-port N     answer discovery on port N (0 = off, the default)\n"
           "  --notify-to ADDR       NOTIFY destination (default 255.255.255.255; from a\n"
           "                         loopback --bind, the bind address itself)\n"
           "  --notify-period S      seconds between NOTIFY datagrams (default 5)\n"
           "\n"
           "Files:\n"
           "  --state FILE           keep the memory image across runs\n"
           "  --log FILE             readable log of every request served\n"
           "\n"
           "Faults:\n"
           "  --fault-silent-nth N   no answer to the Nth request\n"
           "  --fault-bad-check      wrong check byte on every serial answer\n"
           "  --fault-bad-check-nth N  wrong check byte on the Nth answer only\n"
           "  --fault-refuse         refuse every request\n"
           "  --fault-refuse-nth N   refuse the Nth request only\n"
           "  --fault-drop-after N   drop the connection after every N answered frames\n"
           "  --fault-hello-busy     answer the hello at 0x7100\n"
           "  --fault-silent-image-frame N  silent for good from the Nth firmware image frame\n"
           "  --help                 this text\n";
}

bool ParseSimOptions(const std::vector<std::string>& args, SimOptions* o, std::string* error,
                     const ExtraOptionParser& extra) {
    ControllerOptions& c = o->controller;
    using Setter = std::function<bool(const std::string&)>;
    auto integer = [](long min, long max, auto assign) {
        return Setter([=](const std::string& s) {
            long v = 0;
            if (!ParseInt(s, min, max, &v))
                return false;
            assign(v);
            return true;
        });
    };
    auto text = [](std::string* dst, std::size_t max) {
        return Setter([=](const std::string& s) {
            if (s.size() > max)
                return false;
            *dst = s;
            return true;
        });
    };
    const std::map<std::string, Setter> with_value = {
        {"--code8", integer(0, 99999999, [&](long v) { c.code8 = std::uint32_t(v); })},
        {"--label", text(&c.label, 18)},
        {"--product-id", integer(0, 0xFFFFFFFFL, [&](long v) { c.product_id = std::uint32_t(v); })},
        {"--software", Setter([&](const std::string& s) {
             Version v;
             if (!ParseVersion(s, &v))
                 return false;
             c.software = v;
             return true;
         })},
        {"--xt1", integer(0, 99999999, [&](long v) { c.xt_code8[0] = std::uint32_t(v); })},
        {"--xt2", integer(0, 99999999, [&](long v) { c.xt_code8[1] = std::uint32_t(v); })},
        {"--inputs", integer(0, 255, [&](long v) { c.inputs = std::uint8_t(v); })},
        {"--outputs", integer(0, 255, [&](long v) { c.outputs = std::uint8_t(v); })},
        {"--remote-password", text(&c.remote_password, 10)},
        {"--app-password", text(&c.app_password, 6)},
        {"--state-word", integer(0, 0xFFFFFFFFL, [&](long v) { c.state_word = std::uint32_t(v); })},
        {"--datalog-period", integer(0, 86400, [&](long v) { c.datalog_period_s = int(v); })},
        {"--datalog-channels", Setter([&](const std::string& s) {
             std::array<std::uint8_t, 3> m{};
             if (!ParseBitList(s, 24, &m))
                 return false;
             c.datalog_masks = m;
             return true;
         })},
        {"--datalog-wide", Setter([&](const std::string& s) {
             std::array<std::uint8_t, 3> bits{};
             if (!s.empty() && !ParseBitList(s, 3, &bits))
                 return false;
             c.datalog_wide = std::array<std::uint8_t, 3>{};
             for (std::size_t r = 0; r < 3; ++r)
                 (*c.datalog_wide)[r] = std::uint8_t(bits[0] >> r & 1);
             return true;
         })},
        {"--datalog-label", Setter([&](const std::string& s) {
             DatalogLabelOption l;
             if (!ParseDatalogLabel(s, &l))
                 return false;
             c.datalog_labels.push_back(l);
             return true;
         })},
        {"--datalog", text(&o->datalog_file, 4000)},
        {"--reboot-ms", integer(0, 600000, [&](long v) { c.reboot_ms = int(v); })},
        {"--clock-start", integer(0, 0x7FFFFFFFL, [&](long v) { c.clock_start = v; })},
        {"--dev-dir", text(&o->dev_dir, 4000)},
        {"--usb-name", text(&o->usb_name, 7)},
        {"--tcp-port", integer(-1, 65535, [&](long v) { o->tcp_port = int(v); })},
        {"--bind", text(&o->bind, 64)},
        {"--baud", integer(0, 10000000, [&](long v) { o->baud = int(v); })},
        {"--eth-rate", integer(0, 100000000, [&](long v) { o->eth_rate = int(v); })},
        {"--discovery-port", integer(0, 65535, [&](long v) { o->discovery_port = int(v); })},
        {"--notify-to", text(&o->discovery_notify_to, 64)},
        {"--notify-period", integer(1, 3600, [&](long v) { o->notify_period_s = int(v); })},
        {"--state", text(&o->state_file, 4000)},
        {"--log", text(&o->log_file, 4000)},
        {"--fault-silent-nth", integer(0, 1L << 30, [&](long v) { c.fault_silent_nth = int(v); })},
        {"--fault-silent-image-frame",
         integer(0, 1L << 30, [&](long v) { c.fault_silent_image_frame = int(v); })},
        {"--fault-bad-check-nth",
         integer(0, 1L << 30, [&](long v) { c.fault_bad_check_nth = int(v); })},
        {"--fault-refuse-nth", integer(0, 1L << 30, [&](long v) { c.fault_refuse_nth = int(v); })},
        {"--fault-drop-after", integer(0, 1L << 30, [&](long v) { c.fault_drop_after = int(v); })},
    };
    const std::map<std::string, std::function<void()>> flags = {
        {"--no-program", [&] { c.with_application = false; }},
        {"--stopped", [&] { c.running = false; }},
        {"--lock-unavailable", [&] { c.lock_available = false; }},
        {"--lock-needs-firmware", [&] { c.lock_unlockable = false; }},
        {"--strict-lock", [&] { c.strict_lock_writes = true; }},
        {"--strict-run", [&] { c.strict_run_writes = true; }},
        {"--no-chord", [&] { c.parameter_chord = false; }},
        {"--discovery", [&] { o->discovery_port = 35007; }},
        {"--fault-bad-check", [&] { c.fault_bad_check = true; }},
        {"--fault-refuse", [&] { c.fault_refuse = true; }},
        {"--fault-hello-busy", [&] { c.fault_hello_busy = true; }},
        {"--help", [&] { o->help = true; }},
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (extra) {
            error->clear();
            if (extra(args, &i, error))
                continue;
            if (!error->empty())
                return false;
        }
        if (auto f = flags.find(a); f != flags.end()) {
            f->second();
            continue;
        }
        auto s = with_value.find(a);
        if (s == with_value.end()) {
            *error = "unknown option " + a;
            return false;
        }
        if (i + 1 >= args.size()) {
            *error = a + " needs a value";
            return false;
        }
        if (!s->second(args[++i])) {
            *error = "bad value for " + a + ": " + args[i];
            return false;
        }
    }
    if (c.datalog_masks && c.datalog_wide) {
        for (std::size_t r = 0; r < 3; ++r) {
            if ((*c.datalog_wide)[r] != 0 && ((*c.datalog_masks)[r] & 0xF0) != 0) {
                *error = "a 32-bit datalog range logs its first four channels only";
                return false;
            }
        }
    }
    if (o->usb_name.find('/') != std::string::npos) {
        *error = "--usb-name is a plain name";
        return false;
    }
    return true;
}

} // namespace sim
