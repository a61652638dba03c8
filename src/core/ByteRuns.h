// Run-length packing for snapshots: a picture is long runs of one palette
// index, so packing it makes a mid-frame snapshot a fraction of its size.
// Control byte c: 0-127 means the next c + 1 bytes are literal; 128-255 means
// the next byte repeats c - 125 times (3 to 130).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

// Appends the packed form of `in` to `out`.
void PackRuns(std::span<const uint8_t> in, std::vector<uint8_t>& out);
// Unpacks `in` into `out`; true only when it fills `out` exactly, with
// nothing left over. `out` may be partly written on false.
bool UnpackRuns(std::span<const uint8_t> in, std::span<uint8_t> out);
