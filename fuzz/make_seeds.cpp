// Writes the seed corpora of the fuzz targets into DIR/<target>/, from the vectors the
// tests use: well-formed answers and datagrams, and the near misses the tests reject.
//   fuzz_make_seeds DIR
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "QRL_protocole.pb.h"
#include "ble/bgapi.h"
#include "ble/spp_ids.h"
#include "discovery/DiscoveryCodec.h"
#include "tests/transfer/datalog_memory.h"
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

void BgapiSeeds() {
    const Bytes data{0x04, 0x01};
    Bytes read{0, 0, 2};
    Append(read, ConnectScript());
    Append(read,
           Notifications(wire::EncodeAscii(wire::BuildReadAnswer(247, 0x03, data.data(), 2))));
    Write("bgapi", "connect_read", read);

    Bytes write{4, 0, 2};
    Append(write, ConnectScript());
    Append(write, Notifications(wire::EncodeAscii(wire::BuildWriteAnswer(247, 0x10, 0xE000, 2))));
    Append(write, Event(bgapi::kClassConnection, bgapi::id::kConnectionDisconnected,
                        Bytes{0, 0x13, 0x02}));
    Write("bgapi", "connect_write_drop", write);

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

void AppendRequest(Bytes& out, const QRL_Request& request) {
    const std::string bytes = request.SerializePartialAsString();
    out.push_back(std::uint8_t(bytes.size() >> 8));
    out.push_back(std::uint8_t(bytes.size()));
    Append(out, bytes);
}

QRL_Request Access(req_Type type, std::uint32_t count, const std::string* buffer) {
    QRL_Request r;
    r.set_reqtype(type);
    Trame* t = r.mutable_trametosend();
    t->set_adress(0x1000);
    t->set_nbdata(count);
    t->set_timeout(100);
    if (buffer != nullptr)
        t->set_buffer(*buffer);
    return r;
}

void RequestSeeds() {
    QRL_Request usb;
    usb.set_reqtype(SET_COMM_PARAM);
    usb.mutable_commparam()->set_comway(PORT_SERIE);
    usb.mutable_commparam()->set_cible(247);
    usb.mutable_commparam()->set_portcom(std::string("ttyS0\0\0\0", 8));
    QRL_Request eth;
    eth.set_reqtype(SET_COMM_PARAM);
    eth.mutable_commparam()->set_comway(ETH);
    eth.mutable_commparam()->set_cible(247);
    eth.mutable_commparam()->set_ipadress(0x0100007F);
    eth.mutable_commparam()->set_tcpport(42424);
    eth.mutable_commparam()->set_sslpeername("00000010000004");
    QRL_Request ble;
    ble.set_reqtype(SET_COMM_PARAM);
    ble.mutable_commparam()->set_comway(BLTH);
    ble.mutable_commparam()->set_cible(247);
    ble.mutable_commparam()->set_portcom("ttyACM1");
    ble.mutable_commparam()->set_ble_mac_adresse("\x11\x22\x33\x44\x55\x66");
    const std::string two("\x14\x00", 2);
    QRL_Request simple;

    Bytes session{3, 0, 1, 5}; // three scripted results
    AppendRequest(session, usb);
    AppendRequest(session, Access(SEND_READ, 21, nullptr));
    AppendRequest(session, Access(SEND_WRITE, 2, &two));
    AppendRequest(session, Access(SEND_READ_EXT, 4, &two));
    simple.set_reqtype(GET_COMM_PARAM);
    AppendRequest(session, simple);
    simple.set_reqtype(START_MONITOR);
    AppendRequest(session, simple);
    simple.set_reqtype(DECONNECT);
    AppendRequest(session, simple);
    Write("request", "usb_session", session);

    Bytes media{0};
    AppendRequest(media, eth);
    AppendRequest(media, Access(SEND_WRITE_CF, 2, &two));
    AppendRequest(media, ble);
    AppendRequest(media, Access(SEND_READ_CF, 0, nullptr));
    AppendRequest(media, Access(SEND_WRITE_EXT, 4, &two)); // claims more than it carries
    AppendRequest(media, Access(SEND_READ, 40001, nullptr));
    simple.set_reqtype(CONNECT);
    AppendRequest(media, simple);
    simple.set_reqtype(QRL_KILL);
    AppendRequest(media, simple);
    Write("request", "media", media);
}

// A program file as the program file tests build it: a kz9 header, then zones.
std::string ProgramFile(const std::vector<std::string>& zoneLines, const char* lineEnd) {
    std::vector<std::string> lines = {"<?xml version='1.0' encoding='utf-8'?>",
                                      "<UserApplication gamme_produit=\"Vellmor Device\">",
                                      "<Code_8>6141003X</Code_8>",
                                      "<Code_8_ext1></Code_8_ext1>",
                                      "<Code_8_ext2></Code_8_ext2>",
                                      "<vir_soft>",
                                      "<boot>2.00.00</boot>",
                                      "<btl>3.00.00</btl>",
                                      "<fw>2.03.07</fw>",
                                      "</vir_soft>",
                                      "<vir_ext1>",
                                      "<boot>X.XX.XX</boot>",
                                      "<btl>0.00.00</btl>",
                                      "<fw>0.00.XX</fw>",
                                      "</vir_ext1>",
                                      "<vir_ext2>",
                                      "<boot>X.XX.XX</boot>",
                                      "<btl>0.00.00</btl>",
                                      "<fw>0.00.XX</fw>",
                                      "</vir_ext2>",
                                      "<Programme>"};
    lines.insert(lines.end(), zoneLines.begin(), zoneLines.end());
    lines.push_back("</Programme>");
    lines.push_back("</UserApplication>");
    std::string text;
    for (const std::string& line : lines)
        text += line + lineEnd;
    return text;
}

std::vector<std::string> Zone(const std::string& name, const std::string& size,
                              const std::string& address, const std::string& content,
                              const std::string& dest) {
    return {"<Zone>",
            "<Name>" + name + "</Name>",
            "<Size>" + size + "</Size>",
            "<Adress>" + address + "</Adress>",
            "<Binaire>" + content + "</Binaire>",
            "<Dest>" + dest + "</Dest>",
            "<CMD_Effacement>00007000</CMD_Effacement>",
            "<Bin_Effacement>0504</Bin_Effacement>",
            "</Zone>"};
}

void VqapSeeds() {
    std::vector<std::string> zones;
    for (int k = 0; k < 3; ++k) {
        auto z = Zone("Param", "00000002", "00080000", "A1F0", "Base");
        zones.insert(zones.end(), z.begin(), z.end());
    }
    auto metier = Zone("Metier", "00000004", "00040000", "0102A0FF", "Ext1");
    zones.insert(zones.end(), metier.begin(), metier.end());
    Bytes trimmed{1};
    Append(trimmed, ProgramFile(zones, "\n"));
    Write("vqap", "three_zones", trimmed);
    Bytes crlf{0};
    Append(crlf, ProgramFile(Zone("Param", "00000003", "00080000", "A1F0", "Base"), "\r\n"));
    Write("vqap", "short_content_crlf", crlf);
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
    return 0;
}
