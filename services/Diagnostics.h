// "Controller diagnostics": what each page of the sheet shows, read live from the controller
// and formatted, with nothing to change. The dialog draws these pages; the diag command
// prints them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "comm/ControllerLink.h"

class CFctTabConfT71;
class CFctTabIdentiteT71;

namespace services {

enum class DiagColour { Normal, Orange, Red };

// One labelled value of a page. Check boxes and radio buttons carry their state too.
struct DiagField {
    std::string label;
    std::string value;
    DiagColour colour = DiagColour::Normal;
    std::optional<bool> checked;
};

// A table with a header row and a header column.
struct DiagGrid {
    std::string title;
    std::vector<std::string> columns; // headers of the value columns
    std::vector<std::string> rows;    // row headers
    std::vector<std::vector<std::string>> cells;
};

enum class DiagPageKind { Hardware, Application, Network, ConnectionParameters };

struct DiagPage {
    DiagPageKind kind = DiagPageKind::Hardware;
    std::string title;
    std::vector<DiagField> fields;
    std::optional<DiagGrid> grid;
    // The application page of a controller whose configuration reads without a program.
    bool noProgram = false;
};

inline constexpr const char* kDiagTitle = "Controller diagnostics";
inline constexpr const char* kTextNoProgram = "The target does not contain a program";
inline constexpr const char* kTextUnknown = "Unknown";
inline constexpr const char* kTextNone = "None";
inline constexpr const char* kNoAddress = "000.000.000.000";
// Shown in the "Available" column when the family code cannot be read or is not known.
constexpr long kUnknownAvailable = 12345;

// The pages the sheet shows for the connected controller, in order: Hardware, Application,
// then Network for GPRS models and Connection parameters for TCP/IP models.
std::vector<DiagPageKind> DiagPageKinds(comm::IControllerLink& reader, int familyIndex);
std::string DiagPageTitle(DiagPageKind kind);

DiagPage ReadDiagPage(DiagPageKind kind, comm::IControllerLink& link, int familyIndex);
DiagPage ReadHardwarePage(comm::IControllerLink& link, int familyIndex);
DiagPage ReadApplicationPage(comm::IControllerLink& reader, int familyIndex);
DiagPage ReadNetworkPage(comm::IControllerLink& reader);
DiagPage ReadConnectionPage(comm::IControllerLink& reader);

// The texts shared with the identity and status reports.
// "8 DI / 4 ANA"; "4 RELAY / PWM / 2 PWM".
std::string InputsText(int digital, int analog);
std::string OutputsText(int relays, int pwm);
// The error code of a state word and the colour it is drawn on.
struct ErrorCode {
    std::string text;
    DiagColour colour = DiagColour::Normal;
};
ErrorCode ErrorCodeOf(std::uint32_t stateWord);

// The memory rows of the application page and what each family offers.
inline constexpr std::array<const char*, 5> kMemoryRows = {
    "Parameters zone (bytes)", "Zone for Digital data, SFC token and Boolean (number)",
    "Other data zones (bytes)", "Program zone (bytes)",
    "Zone for application-specific functions (slots)"};
// By family code (4 kz9, 5 Pask, 7 Trel); 12345 in every row for any other code.
std::array<long, 5> AvailableMemory(int familyCode);

// Reads shared with the configuration report, each with the reader's link time-out.
// The controller label at 0x0F00 (trailing white space removed), "Unknown" when it fails.
std::string ReadControllerLabel(comm::IControllerLink& reader);
// The application-specific function slots used (0x5200, big-endian), 0 when it fails.
long ReadSlotsUsed(comm::IControllerLink& reader);
// The family code byte at 0xE000, -1 when it fails.
int ReadFamilyCodeByte(comm::IControllerLink& reader);

// The expansion query: for expansion n (1 = XT1, 2 = XT2), a pass-through session that makes
// the identity record carry the expansion's real boot version. The version ("%d.%d.%02d"),
// or nothing when a step before it failed.
std::optional<std::string> QueryExpansionBoot(int n, comm::IControllerLink& link);

// The GPRS and TCP/IP views of a T71 configuration, as the Network and Connection
// parameters pages show them.
struct GprsView {
    std::string activePlmn, power, imei, msisdn;
};
struct NetworkView {
    std::string ipAddress, subnetMask, gateway, reservedAddress;
    bool hasReservedAddress = false;
    int serverTimeout = 0;
    bool dynamicAddressing = false;
};
GprsView MakeGprsView(CFctTabConfT71& conf, CFctTabIdentiteT71& identity);
NetworkView MakeNetworkView(CFctTabConfT71& conf);

} // namespace services
