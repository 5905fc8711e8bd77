// The product table: which model and family an 8-digit product code (code8) names, the
// capability groups of the models, and the reads of the boot identity area (0xE000).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "comm/ControllerLink.h"

namespace model {

// Model index of an unrecognised code8; family index of an unrecognised family.
constexpr int kUnknownModel = 255;
constexpr int kUnknownFamily = 255;

// Family indices.
constexpr int kFamilyKz9 = 0;
constexpr int kFamilyPask = 1;
constexpr int kFamilyTrel = 2;

// Family codes as the controller stores them (boot identity byte 0, identity record byte 26).
constexpr std::uint8_t kFamilyCodeKz9 = 4;
constexpr std::uint8_t kFamilyCodePask = 5;
constexpr std::uint8_t kFamilyCodeTrel = 7;

// The boot identity area: family code, then code8 as eight ASCII digits.
constexpr std::uint32_t kBootIdentityAddress = 0xE000;
constexpr std::uint32_t kBootIdentitySize = 21;
constexpr std::size_t kCode8Size = 8;

// The 8 characters read as a decimal integer the way a standard text-to-integer conversion
// does: leading white space skipped, an optional sign, then digits up to the first non-digit.
long ParseCode8(const char* chars);

// Model index of a code8 over the whole table (all families); kUnknownModel when absent.
int ModelFromCode8Any(long code8);
// Model index restricted to one family's rows (kz9 and Pask together, or Trel alone).
int ModelFromCode8T71(long code8);
int ModelFromCode8Trel(long code8);

// Family index of a model index: 0-6 kz9, 7-10 Pask, 14-16 Trel. For any other index
// `family` is set to kUnknownFamily and the result is false.
bool FamilyFromModel(int modelIndex, int& family);

// Capability groups of the model indices.
bool ModelHasGprs(int modelIndex);         // 1, 2
bool ModelHasTcpIp(int modelIndex);        // 3, 4, 9, 10
bool ModelIsCommunicating(int modelIndex); // GPRS or TCP/IP
bool ModelHasNoCommModule(int modelIndex); // 0, 7, 8

// Family index of a family code as ReadFamilyCode maps it: 4 kz9, 5 Pask, 7 Trel, else 255.
int FamilyFromFamilyCode(std::uint8_t code);

// Display name of a family index ("kz9", "Pask", "Trel"), "unknown" for any other value.
const char* FamilyName(int familyIndex);

// Reads of the boot identity area, with the reader's link time-out. Each returns 0, or
// comm::kTargetNotAnswering when the read fails.
// Family index from byte 0; 255 on failure.
int ReadFamilyCode(int& familyIndex, comm::IControllerLink& reader = comm::ComClientLink());
// ModelFromCode8Any of bytes 1-8; `modelIndex` untouched on failure.
int ReadBootModel(int& modelIndex, comm::IControllerLink& reader = comm::ComClientLink());
// Bytes 1-8 copied raw; nothing copied on failure.
int ReadBootCode8(std::array<char, kCode8Size>& code8,
                  comm::IControllerLink& reader = comm::ComClientLink());

// Whether a controller software version offers the services (program, datalogs, diagnostics,
// parameter access). kz9 and Pask: not V 0, not I below 6, not 1.6.R with R up to 20.
// Trel: not V 0, not 1.0.0. Any other family index: no.
bool SoftwareOffersServices(int familyIndex, int v, int i, int r);

// A V.I.R triple: V as "%d", I and R as "%02d", joined by ".".
std::string FormatVir(std::uint8_t v, std::uint8_t i, std::uint8_t r);

} // namespace model
