// Writes the seed corpora of the fuzz targets into DIR/<target>/, from the vectors the
// tests use: well-formed answers and datagrams, and the near misses the tests reject.
//   fuzz_make_seeds DIR
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "QRL_protocole.pb.h"
#include "ble/bgapi.h"
#include "ble/spp_ids.h"
#include "discovery/DiscoveryCodec.h"
#include "firmware/FirmwarePackageWriter.h"
#include "program/ProgramFile.h"
#include "tests/datalog/datalog_memory.h"
#include "wire/frame_codec.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

fs::path g_root;

void Write(const std::string& target, const std::string& name, const Bytes& bytes) {
    fs::create_directories(g_root / target);
    std::ofstream out(g_root / target / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void Append(Bytes& out, const std::string& s) {
    out.insert(out.end(), s.begin(), s.end());
}
void Append(Bytes& out, const Bytes& b) {
    out.insert(out.end(), b.begin(), b.end());
}

// Header of the frame targets: command choice, count, piece size.
Bytes FrameHeader(std::uint8_t choice, std::uint16_t count, std::uint8_t piece) {
    return Bytes{choice, std::uint8_t(count >> 8), std::uint8_t(count), piece};
}

void FrameSeeds() {
    const Bytes data{0x04, 0x01};
    const Bytes read = wire::BuildReadAnswer(247, 0x03, data.data(), 2);
    const Bytes write = wire::BuildWriteAnswer(247, 0x10, 0x1000, 2);
    const Bytes hello = wire::BuildWriteAnswer(247, 0x10, 0x7100, 4);
    const Bytes refusal = wire::BuildRefusal(247);
    const Bytes exception = wire::BuildException(247, 0x10, 2);
    struct Case {
        const char* name;
        std::uint8_t choice; // 0 read, 1 write (first kind); 0x80: at the command address
        std::uint16_t count;
        Bytes body;
    };
    const std::vector<Case> cases = {
        {"read", 0, 2, read},       {"write", 1, 2, write},         {"hello_busy", 0x81, 4, hello},
        {"refusal", 0, 2, refusal}, {"exception", 1, 2, exception},
    };
    for (const Case& c : cases) {
        Bytes ascii = FrameHeader(c.choice, c.count, 7);
        Append(ascii, "noise" + wire::EncodeAscii(c.body));
        Write("frame_ascii", c.name, ascii);
        Bytes binary = FrameHeader(c.choice, c.count, 5);
        // A late answer of an older transaction first, then the one awaited.
        Append(binary, wire::EncodeTcp(0, c.body));
        Append(binary, wire::EncodeTcp(1, c.body));
        Write("frame_binary", c.name, binary);
    }
    Bytes bad = FrameHeader(0, 2, 64);
    Append(bad, ":F7030000E00000022\r\n:f7030000e000000224\r\n");
    Write("frame_ascii", "malformed", bad);
    Bytes badHeader = FrameHeader(0, 2, 64);
    Append(badHeader, Bytes{0, 1, 0, 1, 0, 8, 0xF7, 0x03});
    Write("frame_binary", "bad_protocol", badHeader);

    // A read of 2 bytes answered with 4: the whole line in one piece (longer than the
    // answer can be), and as a frame whose body is longer than the answer can be.
    const Bytes four{0x04, 0x01, 0x00, 0x2A};
    const Bytes longRead = wire::BuildReadAnswer(247, 0x03, four.data(), 4);
    Bytes longLine = FrameHeader(0, 2, 63);
    Append(longLine, wire::EncodeAscii(longRead));
    Write("frame_ascii", "read_too_long", longLine);
    Bytes longFrame = FrameHeader(0, 2, 63);
    Append(longFrame, wire::EncodeTcp(1, longRead));
    Write("frame_binary", "read_too_long", longFrame);

    // Whole lines that are no frame, each in one piece of 21 characters (a write answer's
    // length): a write answer in lower-case hex, and a line holding the target alone.
    Bytes unreadable = FrameHeader(1, 2, 20);
    std::string lower = wire::EncodeAscii(write);
    for (char& ch : lower)
        ch = char(std::tolower(static_cast<unsigned char>(ch)));
    Append(unreadable, lower);
    Append(unreadable, ":F7\r\n");
    Write("frame_ascii", "write_unreadable", unreadable);

    // One read after another on the same link, the bytes arriving one at a time: the
    // answer, a refusal, an exception, a late answer then the awaited one, and an answer
    // longer than asked; the transaction id grows by one for each request.
    Bytes session = FrameHeader(0, 2, 0);
    const Bytes readException = wire::BuildException(247, 0x03, 2);
    Append(session, wire::EncodeTcp(1, read));
    Append(session, wire::EncodeTcp(2, refusal));
    Append(session, wire::EncodeTcp(3, readException));
    Append(session, wire::EncodeTcp(3, read));
    Append(session, wire::EncodeTcp(4, read));
    Append(session, wire::EncodeTcp(5, longRead));
    Write("frame_binary", "read_session", session);
    // Writes answered in pieces of 2 bytes (a request empties what was received before
    // it, so each answer ends with its last piece): the answer, a refusal, the exception.
    Bytes writes = FrameHeader(1, 2, 1);
    Append(writes, wire::EncodeTcp(1, write));
    Append(writes, wire::EncodeTcp(2, refusal));
    Append(writes, wire::EncodeTcp(3, exception));
    Write("frame_binary", "write_session", writes);
}

Bytes Event(std::uint8_t cls, std::uint8_t id, const Bytes& payload) {
    return bgapi::EncodePacket(bgapi::kTypeEvent, cls, id, payload);
}

Bytes WithArray(Bytes head, const Bytes& array) {
    head.push_back(std::uint8_t(array.size()));
    Append(head, array);
    return head;
}

// What the simulated dongle says while a connection is made and the service found.
Bytes ConnectScript() {
    using namespace bgapi;
    Bytes s;
    Append(s, Event(kClassConnection, id::kConnectionStatus,
                    Bytes{0, 0x05, 1, 2, 3, 4, 5, 6, 0, 6, 0, 0x40, 1, 0, 0, 0}));
    Append(s, Event(kClassAttClient, id::kAttClientGroupFound,
                    WithArray(Bytes{0, 0x10, 0, 0x20, 0}, hb30::UuidBytes(hb30::kSppServiceUuid))));
    Append(s, Event(kClassAttClient, id::kAttClientProcedureCompleted, Bytes{0, 0, 0, 0, 0}));
    Append(s, Event(kClassAttClient, id::kAttClientFindInformationFound,
                    WithArray(Bytes{0, 0x12, 0}, hb30::UuidBytes(hb30::kSppDataUuid))));
    Append(s, Event(kClassAttClient, id::kAttClientFindInformationFound,
                    WithArray(Bytes{0, 0x13, 0}, hb30::UuidBytes(hb30::kCccUuid))));
    Append(s, Event(kClassAttClient, id::kAttClientProcedureCompleted, Bytes{0, 0, 0, 0, 0}));
    return s;
}

// An answer as notifications of at most 20 characters.
Bytes Notifications(const std::string& text) {
    Bytes s;
    for (std::size_t i = 0; i < text.size(); i += 20) {
        Bytes piece(text.begin() + long(i), text.begin() + long(std::min(text.size(), i + 20)));
        Append(s, Event(bgapi::kClassAttClient, bgapi::id::kAttClientAttributeValue,
                        WithArray(Bytes{0, 0x12, 0, 1}, piece)));
    }
    return s;
}

// Before each request the link takes the packets already queued: each behind a byte that
// is not 0, then a 0 byte; what follows is what the dongle says once the request is out.
Bytes Queued(const std::vector<Bytes>& packets = {}) {
    Bytes s;
    for (const Bytes& p : packets) {
        s.push_back(1);
        Append(s, p);
    }
    s.push_back(0);
    return s;
}

// The line of `body` with a check byte that does not add up.
std::string WrongCheck(const Bytes& body) {
    std::string line = wire::EncodeAscii(body);
    char& last = line[line.size() - 3]; // last hex digit of the check byte
    last = last == '0' ? '1' : '0';
    return line;
}

Bytes Disconnected() {
    return Event(bgapi::kClassConnection, bgapi::id::kConnectionDisconnected, Bytes{0, 0x13, 0x02});
}

// A connected controller's session: plan and count, the connection, then each request's
// queued packets and answer.
Bytes BgapiSession(std::uint8_t plan, std::uint16_t count, const std::vector<Bytes>& exchanges) {
    Bytes s{plan, std::uint8_t(count >> 8), std::uint8_t(count)};
    Append(s, ConnectScript());
    for (const Bytes& e : exchanges)
        Append(s, e);
    return s;
}

Bytes Then(Bytes queued, const Bytes& answer) {
    Append(queued, answer);
    return queued;
}

void BgapiSeeds() {
    const Bytes data{0x04, 0x01};
    const Bytes readAnswer = wire::BuildReadAnswer(247, 0x03, data.data(), 2);
    const std::string readLine = wire::EncodeAscii(readAnswer);
    // The answer of an earlier request, queued before this one, then this one's; a
    // disconnection already queued before the next request.
    Write("bgapi", "connect_read",
          BgapiSession(0, 2,
                       {Then(Queued(), Notifications(readLine)),
                        Then(Queued({Notifications(readLine)}), Notifications(readLine)),
                        Queued({Disconnected()})}));

    // Reads of 2 bytes answered with a refusal, an exception, a wrong check byte, another
    // target's answer, 1 byte, an empty line, a line cut after the function code, the link's
    // status again while the answer arrives, and nothing.
    const Bytes one{0x04};
    Bytes status = Event(bgapi::kClassConnection, bgapi::id::kConnectionStatus,
                         Bytes{0, 0x05, 1, 2, 3, 4, 5, 6, 0, 6, 0, 0x40, 1, 0, 0, 0});
    Append(status, Notifications(readLine));
    Write("bgapi", "read_answers",
          BgapiSession(
              0, 2,
              {Then(Queued(), Notifications(wire::EncodeAscii(wire::BuildRefusal(247)))),
               Then(Queued(), Notifications(wire::EncodeAscii(wire::BuildException(247, 0x03, 2)))),
               Then(Queued(), Notifications(WrongCheck(readAnswer))),
               Then(Queued(), Notifications(wire::EncodeAscii(
                                  wire::BuildReadAnswer(1, 0x03, data.data(), 2)))),
               Then(Queued(), Notifications(wire::EncodeAscii(
                                  wire::BuildReadAnswer(247, 0x03, one.data(), 1)))),
               Then(Queued(), Notifications("\r\n")), Then(Queued(), Notifications(":F703\r\n")),
               Then(Queued(), status), Queued()}));

    // Writes of 2 bytes answered with the answer, an empty line, a line too long for a
    // write answer, a line holding the target alone, a refusal, a wrong check byte, an
    // exception.
    const Bytes writeAnswer = wire::BuildWriteAnswer(247, 0x10, 0xE000, 2);
    const Bytes five{1, 2, 3, 4, 5};
    Write("bgapi", "write_answers",
          BgapiSession(4, 2,
                       {Then(Queued(), Notifications(wire::EncodeAscii(writeAnswer))),
                        Then(Queued(), Notifications("\r\n")),
                        Then(Queued(), Notifications(wire::EncodeAscii(
                                           wire::BuildReadAnswer(247, 0x03, five.data(), 5)))),
                        Then(Queued(), Notifications(":F7\r\n")),
                        Then(Queued(), Notifications(wire::EncodeAscii(wire::BuildRefusal(247)))),
                        Then(Queued(), Notifications(WrongCheck(writeAnswer))),
                        Then(Queued(), Notifications(wire::EncodeAscii(
                                           wire::BuildException(247, 0x10, 2))))}));

    // The hello (0x14 at the command address) taken, then answered at 0x7100: busy.
    Write("bgapi", "hello_busy",
          BgapiSession(6, 1,
                       {Then(Queued(), Notifications(wire::EncodeAscii(
                                           wire::BuildWriteAnswer(247, 0x10, 0x7000, 1)))),
                        Then(Queued(), Notifications(wire::EncodeAscii(
                                           wire::BuildWriteAnswer(247, 0x10, 0x7100, 1))))}));

    // The write's answer, then the connection lost while the next answer is awaited.
    Write("bgapi", "connect_write_drop",
          BgapiSession(4, 2,
                       {Then(Queued(), Notifications(wire::EncodeAscii(writeAnswer))),
                        Then(Queued(), Disconnected())}));

    // Counts the request buffer cannot carry: refused before anything is sent.
    Write("bgapi", "read_count_refused", BgapiSession(0, 2200, {Queued()}));
    Write("bgapi", "write_count_refused", BgapiSession(4, 2200, {Queued()}));

    Bytes scan{1, 0, 0};
    Append(scan, bgapi::EncodePacket(bgapi::kTypeCommand, bgapi::kClassGap, bgapi::id::kGapDiscover,
                                     Bytes{0, 0}));
    Bytes name{0x04, 0x09, 'P', 'L', 'C'};
    Append(scan, Event(bgapi::kClassGap, bgapi::id::kGapScanResponse,
                       WithArray(Bytes{0xC0, 0, 1, 2, 3, 4, 5, 6, 0, 0xFF}, name)));
    Append(scan, Event(9, 0, Bytes{1, 2, 3})); // a message of the protocol the library ignores
    Append(scan, Event(0x20, 0x30, Bytes{}));  // an unknown message
    Write("bgapi", "scan", scan);
}

std::string ControllerDatagram(bool notify, const std::string& label, std::uint32_t code8) {
    discovery::PcIdentity controller;
    controller.host = 0x0A4D0002;
    controller.code8 = code8;
    controller.productId = 4;
    controller.label = label;
    controller.type = KZ9;
    return discovery::EncodeDatagram(notify ? discovery::MakeNotify(controller)
                                            : discovery::MakeSearchResp(controller));
}

void DiscoverySeeds() {
    Bytes notify{0};
    Append(notify, ControllerDatagram(true, "ABCDEFGHIJKLMNOPQRSTUVWXYZ", 61410031));
    Write("discovery", "notify", notify);
    Bytes resp{2};
    Append(resp, ControllerDatagram(false, "PUMP & STATION \xE2\x97\x9B", 61420001));
    Write("discovery", "search_resp_manual", resp);
    discovery::PcIdentity pc;
    const std::string label = "ATELIER";
    Bytes search{1};
    Append(search, discovery::EncodeDatagram(discovery::MakeSearch(pc, KZ9, &label)));
    Write("discovery", "search", search);
    // Several datagrams, each behind its length.
    Bytes several{4};
    for (const std::string& d : {ControllerDatagram(true, "A", 1),
                                 ControllerDatagram(false, "B", 1), std::string("Dkz9")}) {
        several.push_back(std::uint8_t(d.size() >> 8));
        several.push_back(std::uint8_t(d.size()));
        Append(several, d);
    }
    Write("discovery", "several", several);
}

// One request of a seed session: its kind, the link parameters it sets, or the memory
// access it makes (count, and the bytes a write carries).
struct Step {
    Step(req_Type t, const ComType* p = nullptr, std::uint32_t n = 0,
         std::optional<std::string> bytes = std::nullopt)
        : type(t), params(p), count(n), carried(std::move(bytes)) {}
    req_Type type;
    const ComType* params;
    std::uint32_t count;
    std::optional<std::string> carried;
};

bool IsAccess(req_Type type) {
    return type == SEND_READ || type == SEND_READ_CF || type == SEND_READ_EXT ||
           type == SEND_WRITE || type == SEND_WRITE_CF || type == SEND_WRITE_EXT;
}

// A session: the count of scripted transport results and the results, then each request
// behind its 2-byte length.
Bytes Session(const Bytes& results, const std::vector<Step>& steps) {
    Bytes out{std::uint8_t(results.size())};
    Append(out, results);
    for (const Step& step : steps) {
        QRL_Request request;
        request.set_reqtype(step.type);
        if (step.params != nullptr)
            *request.mutable_commparam() = *step.params;
        if (IsAccess(step.type)) {
            Trame& trame = *request.mutable_trametosend();
            trame.set_adress(0x6000);
            trame.set_timeout(250);
            trame.set_nbdata(step.count);
            if (step.carried)
                trame.set_buffer(*step.carried);
        }
        const std::string bytes = request.SerializePartialAsString();
        out.push_back(std::uint8_t(bytes.size() >> 8));
        out.push_back(std::uint8_t(bytes.size()));
        Append(out, bytes);
    }
    return out;
}

ComType Medium(MoyenCom medium) {
    ComType c;
    c.set_comway(medium);
    c.set_cible(247);
    return c;
}

// The requests of the dispatch tests: each medium's parameters, accesses of every kind,
// and the refusals (a write claiming more than it carries, a count over the channel's).
void RequestSeeds() {
    ComType usb = Medium(PORT_SERIE);
    usb.set_portcom(std::string("ttyS0\0\0\0", 8));
    ComType eth = Medium(ETH);
    eth.set_ipadress(0x0100007F);
    eth.set_tcpport(42424);
    eth.set_sslpeername("00000010000004");
    ComType ble = Medium(BLTH);
    ble.set_portcom("ttyACM1");
    ble.set_ble_mac_adresse("\x11\x22\x33\x44\x55\x66");
    const std::string two("\x14\x00", 2);

    Write("request", "usb_session",
          Session({0, 1, 5}, {{SET_COMM_PARAM, &usb},
                              {SEND_READ, nullptr, 21},
                              {SEND_WRITE, nullptr, 2, two},
                              {SEND_READ_EXT, nullptr, 4, two},
                              {GET_COMM_PARAM},
                              {START_MONITOR},
                              {DECONNECT}}));
    Write("request", "media",
          Session({}, {{SET_COMM_PARAM, &eth},
                       {SEND_WRITE_CF, nullptr, 2, two},
                       {SET_COMM_PARAM, &ble},
                       {SEND_READ_CF, nullptr, 0},
                       {SEND_WRITE_EXT, nullptr, 4, two},
                       {SEND_READ, nullptr, 40001},
                       {CONNECT},
                       {QRL_KILL}}));
}

// The bytes of a file, or nothing when it cannot be read.
Bytes FileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Program files written by the program read's own writer: a kz9 with three Param zones and a
// Metier zone, and one whose content is shorter than its size says.
void VqapSeeds() {
    model::IdentitySummary kz9;
    kz9.code8 = "61410031";
    kz9.boot = "2.00.00";
    kz9.bootloader = "3.00.00";
    kz9.software = "2.03.07";
    struct Zone {
        const char *name, *size, *address, *content, *dest;
    };
    const std::vector<Zone> three = {{"Param", "00000002", "00080000", "A1F0", "Base"},
                                     {"Param", "00000002", "00080002", "0000", "Base"},
                                     {"Param", "00000002", "00080004", "FFFF", "Base"},
                                     {"Metier", "00000004", "00040000", "0102A0FF", "Ext1"}};
    const std::vector<Zone> shortContent = {{"Param", "00000003", "00080000", "A1F0", "Base"}};
    const fs::path scratch = g_root / "seed.vqap";
    for (const auto& [name, zones, trim] :
         {std::tuple{"three_zones", three, 1}, std::tuple{"short_content", shortContent, 0}}) {
        transfer::CBaseFile file;
        file.Create(scratch.string());
        file.WriteHeader(kz9);
        file.BeginProgram();
        for (const Zone& z : zones)
            file.WriteZone(z.name, z.size, z.address, z.content, z.dest, "00007000", "0504");
        file.EndProgram();
        if (!file.Commit())
            continue;
        Bytes seed{std::uint8_t(trim)};
        Append(seed, FileBytes(scratch));
        fs::remove(scratch);
        Write("vqap", name, seed);
    }
}

void DatalogSeeds() {
    using datalogtest::MemoryBuilder;
    // Own memory with 16-bit ranges; one record of 32-bit values (its own marker), a damaged
    // stretch, and a record after it.
    Bytes own{0x00};
    Append(own, MemoryBuilder(false)
                    .Record({1, 1, 26, 0, 0, 1}, {0x03, 0x01}, {{1, 2}, {-2, 2}, {5, 2}})
                    .Record({2, 1, 26, 0, 0, 2}, {0x01, 0x00}, {{3, 4}}, 0x09)
                    .Raw({0x00, 0x11})
                    .Record({3, 1, 26, 0, 0, 3}, {0x80, 0x00}, {{-1, 2}})
                    .Frames());
    Write("datalog", "own", own);
    // Board memory, its third range of 32-bit values.
    Bytes board{0x09};
    Append(board, MemoryBuilder(true)
                      .Record({1, 2, 26, 3, 4, 5}, {0x01, 0x00, 0x81}, {{250, 2}, {70000, 4}})
                      .Fill(20, 0)
                      .Record({1, 2, 26, 3, 4, 6}, {0x00, 0x02, 0x00}, {{9, 2}})
                      .Frames());
    Write("datalog", "board", board);
}

// Packages as the firmware package tests write them: one per layout (base only, with a
// daughter board, Trel), small images.
void VqfwSeeds() {
    struct Case {
        int model;
        const char* code8;
        std::size_t images;
    } cases[] = {{0, "61410001", 2}, {3, "61410031", 5}, {14, "61430001", 2}};
    for (const Case& c : cases) {
        transfer::fw::PackageContents contents{c.model, c.code8, "X", "1.02.03", "Notes", {}};
        for (std::size_t k = 0; k < c.images; ++k)
            contents.images.push_back(Bytes(40 + 17 * k, std::uint8_t(k * 13 + 1)));
        Bytes seed{std::uint8_t(c.model)};
        Append(seed, transfer::fw::WritePackage(contents));
        Write("vqfw", "model_" + std::to_string(c.model), seed);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_make_seeds DIR\n");
        return 2;
    }
    g_root = argv[1];
    FrameSeeds();
    BgapiSeeds();
    DiscoverySeeds();
    RequestSeeds();
    VqapSeeds();
    DatalogSeeds();
    VqfwSeeds();
    return 0;
}
