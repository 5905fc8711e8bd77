#include "transfer/AreaCatalogue.h"

namespace transfer {

const std::array<AreaSpec, kAreaCount>& AreaCatalogue() {
    static const std::array<AreaSpec, kAreaCount> catalogue = {{
        {"Init", 0x00060000, true, 0x00007000, "0501", 0},
        {"Prog", 0x00070000, true, 0x00007000, "0502", 1},
        {"Param", 0x00080000, true, 0x00007000, "0504", 2},
        {"MetierSlot", 0x00090000, true, 0x00007000, "0505", 4},
        {"Metier", 0x000B0000, true, 0x000B0000, nullptr, 6},
        {"TabConf", 0x00040000, true, 0x00007000, "0503", 7},
        {"message", 0x4811E000, false, 0x47000002, "04", 8},
        {"annuaire", 0x48118000, false, 0x47000002, "04", 9},
        {"paramCF", 0x48119000, false, 0x47000002, "04", 10},
        {"label", 0x48123000, false, 0x47000002, "04", 11},
    }};
    return catalogue;
}

int RowOfFamily(int familyIndex) {
    return familyIndex >= 0 && familyIndex <= 2 ? familyIndex : kRowOther;
}

int RowOfModel(int modelIndex) {
    if (modelIndex >= 0 && modelIndex <= 6)
        return kRowKz9;
    if (modelIndex >= 7 && modelIndex <= 10)
        return kRowPask;
    if (modelIndex >= 14 && modelIndex <= 16)
        return kRowTrel;
    return kRowOther;
}

AreaSizeTable AreaSizes(int row, int modelIndex, std::uint8_t softwareV, std::uint8_t softwareI) {
    static const AreaSizeTable kRows[4] = {
        {0x5000, 0xA000, 0x4000, 0, 0x1000, 0, 544, 847, 15959, 4003, 0, 0},
        {0x2000, 0x4000, 0x2000, 0, 0x9800, 0, 304, 847, 15959, 4003, 0, 0},
        {0x1000, 0x1000, 600, 0, 0x5000, 0, 160, 847, 15959, 4003, 0, 0},
        {12345, 12345, 12345, 0, 12345, 0, 12345, 12345, 12345, 12345, 0, 12345},
    };
    if (row < 0 || row > kRowOther)
        row = kRowOther;
    AreaSizeTable sizes = kRows[row];
    if (row == kRowOther)
        return sizes; // daughter-board parameters: 0, a size this row never had
    if (modelIndex >= 0 && modelIndex <= 10)
        sizes[10] = softwareV == 1 && softwareI < 9 ? 459 : 462;
    else if (modelIndex >= 14 && modelIndex <= 16)
        sizes[10] = 0;
    else
        sizes[10] = 462;
    sizes[11] = modelIndex == 3 || modelIndex == 9 || modelIndex == 10 ? 34338 : 15394;
    return sizes;
}

std::uint32_t TotalSize(const AreaSizeTable& sizes) {
    std::uint32_t total = 0;
    for (std::uint16_t s : sizes)
        total += s;
    return total;
}

bool SkipsDaughterAreas(int modelIndex) {
    switch (modelIndex) {
    case 0:
    case 7:
    case 8:
    case 14:
    case 15:
    case 16:
        return true;
    default:
        return false;
    }
}

const char* ReadStepText(std::uint32_t address) {
    switch (address) {
    case 0x00060000:
        return "Reading init area";
    case 0x00070000:
        return "Reading program area";
    case 0x00080000:
        return "Reading parameters area";
    case 0x00090000:
        return "Reading specific function location area";
    case 0x000B0000:
        return "Reading specific function area";
    case 0x00040000:
        return "Reading configuration structure area";
    case 0x4811E000:
        return "Reading message area";
    case 0x48118000:
        return "Reading directory area";
    case 0x48119000:
        return "Reading daughter board parameters area";
    case 0x48123000:
        return "Reading label area";
    default:
        return "";
    }
}

const char* WriteStepText(std::uint32_t address) {
    switch (address) {
    case 0x00040000:
        return "Writing configuration structure area";
    case 0x00060000:
        return "Writing init area";
    case 0x00070000:
        return "Writing program area";
    case 0x00080000:
        return "Writing parameters area";
    case 0x00090000:
        return "Writing specific function location area";
    case 0x000B0000:
        return "Writing specific function area";
    case 0x48118000:
        return "Writing directory area";
    case 0x48119000:
        return "Writing daughter board parameters area";
    case 0x4811E000:
        return "Writing message area";
    case 0x48123000:
        return "Writing label area";
    default:
        return "Writing unknown data";
    }
}

} // namespace transfer
