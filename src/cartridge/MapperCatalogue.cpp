#include "cartridge/MapperCatalogue.h"

#include <algorithm>
#include <array>

#include "cartridge/MapperBoards.h"

namespace {

// One line per supported number: initial steps after CommonLayout, then the
// write handler. Null means none: the common layout stands, writes are ignored.
// Several numbers share a board's handler and behave exactly as that board.
constexpr std::array<MapperBoard, 23> kBoards = {{
    // {number, initial steps, write handler}  // $number: board
    {0, nullptr, nullptr},                      // $00: no mapper
    {1, &Mmc1Init, &Mmc1Write},                 // $01: MMC1
    {2, nullptr, &UxRomWrite},                  // $02: 16 KB at $8000
    {3, nullptr, &CnRomWrite},                  // $03: 8 KB pattern
    {4, &Mmc3Init, &Mmc3Write},                 // $04: MMC3
    {5, nullptr, nullptr},                      // $05: MMC5: layout only
    {7, &AxRomInit, &AxRomWrite},               // $07: 32 KB, single screen
    {8, &FfeF3Init, &FfeF3Write},               // $08: FFE F3xxxx
    {9, &Mmc2Init, &Mmc2Write},                 // $09: MMC2
    {10, nullptr, &Mmc4Write},                  // $0A: MMC4
    {11, &ColorDreamsInit, &ColorDreamsWrite},  // $0B: Color Dreams
    {15, &Multicart15Init, &Multicart15Write},  // $0F: 100-in-1
    {16, nullptr, &BandaiWrite},                // $10: Bandai
    {17, &Ffe17Init, nullptr},                  // $11: FFE, registers off the port
    {18, nullptr, &BandaiWrite},                // $12: as 16
    {23, nullptr, &Konami23Write},              // $17: Konami VRC2
    {33, nullptr, &TaitoWrite},                 // $21: Taito
    {34, nullptr, &Nina1Write},                 // $22: Nina-1, 32 KB
    {64, nullptr, nullptr},                     // $40: RAMBO-1: layout only
    {66, nullptr, &GnRomWrite},                 // $42: GNROM
    {77, &Mmc2Init, &Mmc2Write},                // $4D: as 9
    {78, nullptr, &Irem78Write},                // $4E: Irem 74HC161/32
    {118, &Mmc3Init, &Mmc3Write},               // $76: as 4
}};

}  // namespace

std::span<const MapperBoard> MapperBoards() { return kBoards; }

const MapperBoard* FindMapperBoard(int number) {
  auto it = std::find_if(kBoards.begin(), kBoards.end(),
                         [number](const MapperBoard& b) { return b.Number == number; });
  return it == kBoards.end() ? nullptr : &*it;
}
