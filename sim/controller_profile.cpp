#include "sim/controller_profile.h"

namespace sim {

namespace {

struct ModelRow {
    std::uint32_t code8;
    int model;
};

constexpr ModelRow kModels[] = {
    {61410001, 0},  {61410002, 0},  {61410003, 0},  {61410004, 0},  {61410011, 1},
    {61410012, 1},  {61410021, 2},  {61410022, 2},  {61410031, 3},  {61410032, 3},
    {61410041, 4},  {61410042, 4},  {61420001, 7},  {61420002, 8},  {61420011, 9},
    {61420012, 10}, {61430001, 14}, {61430002, 15}, {61430003, 16},
};

Family FamilyOfModel(int model) {
    if (model >= 7 && model <= 10)
        return Family::kPask;
    if (model >= 14 && model <= 16)
        return Family::kTrel;
    return Family::kKz9;
}

// Default software per model group: the suggested test profiles (TCP/IP kz9 1.09.03, GPRS
// kz9 1.08.05, Pask 1.07.02, Trel 1.01.00, plain kz9 1.06.20).
Version DefaultSoftware(int model) {
    switch (model) {
    case 0:
        return {1, 6, 20};
    case 1:
    case 2:
        return {1, 8, 5};
    case 7:
    case 8:
        return {1, 7, 2};
    case 14:
    case 15:
    case 16:
        return {1, 1, 0};
    default:
        return {1, 9, 3};
    }
}

const char* TypeText(int model) {
    switch (model) {
    case 0:
        return "KZ9 BASE";
    case 1:
    case 2:
        return "KZ9 GPRS";
    case 3:
    case 4:
        return "KZ9 TCP/IP";
    case 7:
    case 8:
        return "PASK";
    case 9:
    case 10:
        return "PASK TCP/IP";
    case 14:
    case 15:
    case 16:
        return "TREL";
    default:
        return "UNKNOWN";
    }
}

} // namespace

int ModelFromCode8(std::uint32_t code8) {
    for (const ModelRow& row : kModels)
        if (row.code8 == code8)
            return row.model;
    return kUnknownModel;
}

bool IsKnownCode8(std::uint32_t code8) {
    return ModelFromCode8(code8) != kUnknownModel;
}

bool Profile::ParamCfShort() const {
    return software.v == 1 && software.i < 9;
}
bool Profile::DatalogConfigLong() const {
    return software.v == 1 && software.i > 8;
}
std::uint16_t Profile::ParamCfSize() const {
    if (family == Family::kTrel)
        return 0;
    return ParamCfShort() ? 459 : 462;
}

const char* FamilyName(Family family) {
    switch (family) {
    case Family::kKz9:
        return "kz9";
    case Family::kPask:
        return "Pask";
    case Family::kTrel:
        return "Trel";
    }
    return "kz9";
}

Profile MakeProfile(const ControllerOptions& options) {
    Profile p;
    p.code8 = options.code8;
    p.model = ModelFromCode8(options.code8);
    p.family = FamilyOfModel(p.model);
    p.family_code = p.family == Family::kKz9 ? 4 : p.family == Family::kPask ? 5 : 7;
    const int m = p.model;
    p.communicating = m == 1 || m == 2 || m == 3 || m == 4 || m == 9 || m == 10;
    p.gprs = m == 1 || m == 2;
    p.tcpip = m == 3 || m == 4 || m == 9 || m == 10;
    p.own_datalogs = m == 7 || m == 8 || m == 14 || m == 15 || m == 16;
    p.type_text = TypeText(m);

    p.hardware = {1, 2, 0};
    p.boot = {1, 0, 4};
    p.bootloader = {1, 5, 1};
    p.software = options.software.value_or(DefaultSoftware(m));
    if (p.communicating) {
        p.module_boot = {1, 0, 2};
        p.module_bootloader = {1, 1, 0};
        p.module_software = {2, 3, 7};
        p.module_text = p.gprs ? "356938035643809" : "ETH MODULE";
    }

    switch (p.family) {
    case Family::kKz9:
        p.digital_inputs = 16;
        p.relay_outputs = 10;
        p.analog_inputs = 4;
        p.pwm_outputs = 2;
        p.init_size = 0x5000;
        p.prog_size = 0xA000;
        p.param_size = 0x4000;
        p.slot_size = 0x1000;
        p.metier_size = 544;
        p.slots_max = 272;
        break;
    case Family::kPask:
        p.digital_inputs = 8;
        p.relay_outputs = 6;
        p.analog_inputs = 2;
        p.pwm_outputs = 1;
        p.init_size = 0x2000;
        p.prog_size = 0x4000;
        p.param_size = 0x2000;
        p.slot_size = 0x9800;
        p.metier_size = 304;
        p.slots_max = 152;
        p.key_minus = 0x04;
        p.key_plus = 0x02;
        p.key_esc = 0x08;
        break;
    case Family::kTrel:
        p.digital_inputs = 6;
        p.relay_outputs = 4;
        p.analog_inputs = 2;
        p.pwm_outputs = 0;
        p.init_size = 0x1000;
        p.prog_size = 0x1000;
        p.param_size = 600;
        p.slot_size = 0x5000;
        p.metier_size = 160;
        p.slots_max = 80;
        p.config_size = 707;
        p.key_minus = 0x04;
        p.key_plus = 0x02;
        p.key_esc = 0x08;
        break;
    }
    if (m == kUnknownModel) {
        // "other": every area of the catalogue has the placeholder size.
        p.init_size = p.prog_size = p.param_size = p.slot_size = p.metier_size = 12345;
    }
    for (int x = 0; x < 2; ++x) {
        p.xt_code8[x] = options.xt_code8[x];
        p.xt_boot[x] = {1, 0, 3};
        p.xt_software[x] = {1, 2, 4};
    }
    if (options.inputs)
        p.digital_inputs = *options.inputs;
    if (options.outputs)
        p.relay_outputs = *options.outputs;
    return p;
}

} // namespace sim
