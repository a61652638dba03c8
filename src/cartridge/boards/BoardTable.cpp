// The board table: one row per supported mapper number, and beside it the
// names of numbers that are known but not supported, which the loading line
// still shows before the refusal.
#include <algorithm>
#include <array>

#include "cartridge/Mapper.h"
#include "cartridge/boards/Boards.h"

namespace {

// One line per supported number. Null means none: the common layout stands,
// writes are ignored, no counter runs, the board keeps no registers of its own.
// Several numbers share a board's handlers and behave exactly as that board.
// The counter of 16, 17 and 23 is clocked, but none of their handlers starts
// it, and installing them stops it.
constexpr auto kDown = &CounterClockDown;
constexpr auto kUp = &CounterClockUp;
constexpr std::array<MapperBoard, 23> kBoards = {{
    // {number, name, initial steps, write handler, interrupt clock, registers}  // $number
    {0, "No Mapper", nullptr, nullptr, nullptr, nullptr},                                // $00
    {1, "Nintendo MMC1", &Mmc1Init, &Mmc1Write, nullptr, &kMmc1StateRules},              // $01
    {2, "74HC161/74HC32", nullptr, &UxRomWrite, nullptr, nullptr},                       // $02
    {3, "VROM Switch", nullptr, &CnRomWrite, nullptr, nullptr},                          // $03
    {4, "Nintendo MMC3", &Mmc3Init, &Mmc3Write, kDown, &kMmc3StateRules},                // $04
    {5, "Nintendo MMC5", nullptr, nullptr, nullptr, nullptr},                            // $05: layout only
    {7, "Rom Switch", &AxRomInit, &AxRomWrite, nullptr, nullptr},                        // $07
    {8, "FFE F3xxxx", &FfeF3Init, &FfeF3Write, nullptr, nullptr},                        // $08
    {9, "Nintendo MMC2", &Mmc2Init, &Mmc2Write, nullptr, nullptr},                       // $09
    {10, "Nintendo MMC4", nullptr, &Mmc4Write, nullptr, nullptr},                        // $0A
    {11, "Color Dreams Mapper", &ColorDreamsInit, &ColorDreamsWrite, nullptr, nullptr},  // $0B
    {15, "100-in-1", &Multicart15Init, &Multicart15Write, nullptr, nullptr},             // $0F
    {16, "Bandai", nullptr, &BandaiWrite, kDown, nullptr},                               // $10
    {17, "", &Ffe17Init, nullptr, kDown, nullptr},                                       // $11: FFE
    {18, "Jaleco SS8806", nullptr, &BandaiWrite, nullptr, nullptr},                      // $12: as 16
    {23, "Konami VRC2a", nullptr, &Konami23Write, kUp, nullptr},                         // $17
    {33, "Taito TC0190/TC0350", nullptr, &TaitoWrite, nullptr, nullptr},                 // $21
    {34, "Nina-1 board", nullptr, &Nina1Write, nullptr, nullptr},                        // $22
    {64, "Tengen RAMBO-1 chip", nullptr, nullptr, nullptr, nullptr},                     // $40: layout only
    {66, "GNROM switch", nullptr, &GnRomWrite, nullptr, nullptr},                        // $42
    {77, "", &Mmc2Init, &Mmc2Write, nullptr, nullptr},                                   // $4D: as 9
    {78, "Irem 74HC161/32-based", nullptr, &Irem78Write, nullptr, nullptr},              // $4E
    {118, "Nintendo MMC3", &Mmc3Init, &Mmc3Write, kDown, &kMmc3StateRules},              // $76: as 4
}};

struct UnsupportedName {
  int Number;
  const char* Name;
};

constexpr UnsupportedName kUnsupportedNames[] = {
    {19, "Namcot 106 chip"},
    {20, "Nintendo DiskSystem"},
    {21, "Konami VRC4a"},
    {22, "Konami VRC2a"},
    {24, "Konami VRC6"},
    {25, "Konami VRC4b"},
    {26, "KONAMI_VRC6B"},
    {32, "Irem G-101 chip"},
    {65, "Irem H-3001 chip"},
    {67, "SunSoft3 chip"},
    {68, "SunSoft4 chip"},
    {69, "SunSoft5 FME-7 chip"},
    {71, "Camerica chip"},
    {79, "AVE Nina-3 board"},
    {81, "AVE Nina-6 board"},
    {91, "Pirate HK-SF3 chip"},
    {242, "pirate wai xing han shi"},
};

}  // namespace

std::span<const MapperBoard> MapperBoards() { return kBoards; }

const MapperBoard* FindMapperBoard(int number) {
  auto it = std::find_if(kBoards.begin(), kBoards.end(),
                         [number](const MapperBoard& b) { return b.Number == number; });
  return it == kBoards.end() ? nullptr : &*it;
}

std::string_view UnsupportedMapperName(int number) {
  for (const UnsupportedName& entry : kUnsupportedNames)
    if (entry.Number == number) return entry.Name;
  return {};
}
