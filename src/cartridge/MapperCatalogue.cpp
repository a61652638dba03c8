#include "cartridge/MapperCatalogue.h"

#include <algorithm>
#include <array>

namespace {

// Until the boards' registers are built, every supported number behaves as
// mapper 0: the common layout, writes ignored.
constexpr std::array<MapperBoard, 23> kBoards = {{
    {0, nullptr, nullptr},   {1, nullptr, nullptr},   {2, nullptr, nullptr},  {3, nullptr, nullptr},
    {4, nullptr, nullptr},   {5, nullptr, nullptr},   {7, nullptr, nullptr},  {8, nullptr, nullptr},
    {9, nullptr, nullptr},   {10, nullptr, nullptr},  {11, nullptr, nullptr}, {15, nullptr, nullptr},
    {16, nullptr, nullptr},  {17, nullptr, nullptr},  {18, nullptr, nullptr}, {23, nullptr, nullptr},
    {33, nullptr, nullptr},  {34, nullptr, nullptr},  {64, nullptr, nullptr}, {66, nullptr, nullptr},
    {77, nullptr, nullptr},  {78, nullptr, nullptr},  {118, nullptr, nullptr},
}};

}  // namespace

std::span<const MapperBoard> MapperBoards() { return kBoards; }

const MapperBoard* FindMapperBoard(int number) {
  auto it = std::find_if(kBoards.begin(), kBoards.end(), [number](const MapperBoard& b) { return b.Number == number; });
  return it == kBoards.end() ? nullptr : &*it;
}
