// The program areas of a controller, in the order they are read and stored in a program
// file, and the area size table: four rows (kz9, Pask, Trel, other) of twelve 16-bit slots,
// slots 3 and 5 unused.
//
//   slot  area        kz9     Pask    Trel    other
//    0    Init        0x5000  0x2000  0x1000  12345
//    1    Prog        0xA000  0x4000  0x1000  12345
//    2    Param       0x4000  0x2000  600     12345
//    4    MetierSlot  0x1000  0x9800  0x5000  12345
//    6    Metier      544     304     160     12345
//    7    TabConf     847     847     847     12345
//    8    message     15959   15959   15959   12345
//    9    annuaire    4003    4003    4003    12345
//   10    paramCF     model 0-10: 459 when software V = 1 and I < 9, else 462; 14-16: 0;
//                     other models: 462 (the "other" row: 0)
//   11    label       models 3, 9, 10: 34338, else 15394 (the "other" row: 12345)
#pragma once

#include <array>
#include <cstdint>

namespace transfer {

struct AreaSpec {
    const char* name;
    std::uint32_t address;
    bool base;                  // Dest "Base" (else "CF", the daughter board)
    std::uint32_t eraseAddress; // CMD_Effacement
    const char* eraseContent;   // Bin_Effacement; nullptr: Size bytes of zero, hex-coded
    int slot;                   // slot of the area size table
};

constexpr std::size_t kAreaCount = 10;
constexpr std::size_t kSlotCount = 12;
using AreaSizeTable = std::array<std::uint16_t, kSlotCount>;

// Init, Prog, Param, MetierSlot, Metier, TabConf, message, annuaire, paramCF, label.
const std::array<AreaSpec, kAreaCount>& AreaCatalogue();

enum SizeRow : int { kRowKz9 = 0, kRowPask = 1, kRowTrel = 2, kRowOther = 3 };

// Row of a family index (0 kz9, 1 Pask, 2 Trel, anything else other).
int RowOfFamily(int familyIndex);
// Row of a model index: 0-6 kz9, 7-10 Pask, 14-16 Trel, anything else other.
int RowOfModel(int modelIndex);

// The row's twelve slots for the target's model index and software version V, I.
AreaSizeTable AreaSizes(int row, int modelIndex, std::uint8_t softwareV, std::uint8_t softwareI);

// Sum of the twelve slots.
std::uint32_t TotalSize(const AreaSizeTable& sizes);

// The models whose daughter-board areas are not read over USB/BLE (no communication board):
// 0, 7, 8, 14, 15, 16.
bool SkipsDaughterAreas(int modelIndex);

// The step texts of the program read, by area.
const char* ReadStepText(std::uint32_t address);
// The step texts of the program write, by zone address ("Writing unknown data" elsewhere).
const char* WriteStepText(std::uint32_t address);

} // namespace transfer
