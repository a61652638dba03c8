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
// Whether `in` unpacks to exactly `size` bytes, with nothing left over.
bool RunsFill(std::span<const uint8_t> in, size_t size);
// Unpacks `in` into `out` when it fills `out` exactly (RunsFill); otherwise
// false, and `out` is untouched.
bool UnpackRuns(std::span<const uint8_t> in, std::span<uint8_t> out);
