#include "model/ModelTable.h"

#include <cstdio>

namespace model {

namespace {

struct ModelRow {
    long code8;
    int model;
};

// One row per product code.
constexpr ModelRow kModelTable[] = {
    {61410001, 0},  {61410002, 0},  {61410003, 0},  {61410004, 0},  {61410011, 1},
    {61410012, 1},  {61410021, 2},  {61410022, 2},  {61410031, 3},  {61410032, 3},
    {61410041, 4},  {61410042, 4},  {61420001, 7},  {61420002, 8},  {61420011, 9},
    {61420012, 10}, {61430001, 14}, {61430002, 15}, {61430003, 16},
};

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int ReadBootIdentity(std::array<std::uint8_t, kBootIdentitySize>& area,
                     comm::IControllerLink& reader) {
    return reader.Read(area.data(), kBootIdentityAddress, kBootIdentitySize,
                       reader.LinkTimeoutMs()) == 0
               ? 0
               : comm::kTargetNotAnswering;
}

} // namespace

long ParseCode8(const char* chars) {
    std::size_t i = 0;
    while (i < kCode8Size && IsSpace(chars[i]))
        ++i;
    bool negative = false;
    if (i < kCode8Size && (chars[i] == '+' || chars[i] == '-')) {
        negative = chars[i] == '-';
        ++i;
    }
    long value = 0;
    for (; i < kCode8Size && chars[i] >= '0' && chars[i] <= '9'; ++i)
        value = value * 10 + (chars[i] - '0');
    return negative ? -value : value;
}

int ModelFromCode8Any(long code8) {
    for (const ModelRow& row : kModelTable) {
        if (row.code8 == code8)
            return row.model;
    }
    return kUnknownModel;
}

int ModelFromCode8T71(long code8) {
    int model = ModelFromCode8Any(code8);
    return (model >= 0 && model <= 4) || (model >= 7 && model <= 10) ? model : kUnknownModel;
}

int ModelFromCode8Trel(long code8) {
    int model = ModelFromCode8Any(code8);
    return model >= 14 && model <= 16 ? model : kUnknownModel;
}

bool FamilyFromModel(int modelIndex, int& family) {
    if (modelIndex >= 0 && modelIndex <= 6)
        family = kFamilyKz9;
    else if (modelIndex >= 7 && modelIndex <= 10)
        family = kFamilyPask;
    else if (modelIndex >= 14 && modelIndex <= 16)
        family = kFamilyTrel;
    else {
        family = kUnknownFamily;
        return false;
    }
    return true;
}

bool ModelHasGprs(int m) {
    return m == 1 || m == 2;
}
bool ModelHasTcpIp(int m) {
    return m == 3 || m == 4 || m == 9 || m == 10;
}
bool ModelIsCommunicating(int m) {
    return ModelHasGprs(m) || ModelHasTcpIp(m);
}
bool ModelHasNoCommModule(int m) {
    return m == 0 || m == 7 || m == 8;
}

int FamilyFromFamilyCode(std::uint8_t code) {
    switch (code) {
    case kFamilyCodeKz9:
        return kFamilyKz9;
    case kFamilyCodePask:
        return kFamilyPask;
    case kFamilyCodeTrel:
        return kFamilyTrel;
    default:
        return kUnknownFamily;
    }
}

const char* FamilyName(int familyIndex) {
    switch (familyIndex) {
    case kFamilyKz9:
        return "kz9";
    case kFamilyPask:
        return "Pask";
    case kFamilyTrel:
        return "Trel";
    default:
        return "unknown";
    }
}

int ReadFamilyCode(int& familyIndex, comm::IControllerLink& reader) {
    std::array<std::uint8_t, kBootIdentitySize> area{};
    if (ReadBootIdentity(area, reader) != 0) {
        familyIndex = kUnknownFamily;
        return comm::kTargetNotAnswering;
    }
    familyIndex = FamilyFromFamilyCode(area[0]);
    return 0;
}

int ReadBootModel(int& modelIndex, comm::IControllerLink& reader) {
    std::array<std::uint8_t, kBootIdentitySize> area{};
    if (ReadBootIdentity(area, reader) != 0)
        return comm::kTargetNotAnswering;
    char code[kCode8Size];
    for (std::size_t i = 0; i < kCode8Size; ++i)
        code[i] = char(area[1 + i]);
    modelIndex = ModelFromCode8Any(ParseCode8(code));
    return 0;
}

int ReadBootCode8(std::array<char, kCode8Size>& code8, comm::IControllerLink& reader) {
    std::array<std::uint8_t, kBootIdentitySize> area{};
    if (ReadBootIdentity(area, reader) != 0)
        return comm::kTargetNotAnswering;
    for (std::size_t i = 0; i < kCode8Size; ++i)
        code8[i] = char(area[1 + i]);
    return 0;
}

bool SoftwareOffersServices(int familyIndex, int v, int i, int r) {
    if (familyIndex == kFamilyKz9 || familyIndex == kFamilyPask)
        return !(v == 0 || i < 6 || (v == 1 && i == 6 && r <= 20));
    if (familyIndex == kFamilyTrel)
        return !(v == 0 || (v == 1 && i == 0 && r == 0));
    return false;
}

std::string FormatVir(std::uint8_t v, std::uint8_t i, std::uint8_t r) {
    char text[16];
    std::snprintf(text, sizeof text, "%d.%02d.%02d", v, i, r);
    return text;
}

} // namespace model
