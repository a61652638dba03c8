// The supported mapper boards: for each number its initial steps (run after
// CommonLayout) and its write handler. MapperInit consults this table.
#pragma once

#include <span>

#include "core/Machine.h"

struct MapperBoard {
  int Number;
  void (*Init)(Machine&);  // null: no initial steps of its own
  MapperWriteFn Write;     // null: writes are ignored
};

// Every supported number, in ascending order.
std::span<const MapperBoard> MapperBoards();
const MapperBoard* FindMapperBoard(int number);
