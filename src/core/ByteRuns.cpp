#include "core/ByteRuns.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kShortestRun = 3;
constexpr size_t kLongestRun = 130;
constexpr size_t kLongestLiteral = 128;

}  // namespace

void PackRuns(std::span<const uint8_t> in, std::vector<uint8_t>& out) {
  // At worst every 128 bytes take one control byte more: room for that up
  // front, so the loop writes through a pointer.
  const size_t start = out.size();
  out.resize(start + in.size() + in.size() / kLongestLiteral + 1);
  uint8_t* to = out.data() + start;
  const uint8_t* const begin = in.data();
  const uint8_t* const end = begin + in.size();
  const uint8_t* literal = begin;
  auto flushLiterals = [&](const uint8_t* upTo) {
    while (literal < upTo) {
      const size_t count = std::min<size_t>(kLongestLiteral, static_cast<size_t>(upTo - literal));
      *to++ = static_cast<uint8_t>(count - 1);
      std::memcpy(to, literal, count);
      to += count;
      literal += count;
    }
  };
  for (const uint8_t* at = begin; at < end;) {
    const uint8_t* const runEnd = at + std::min<size_t>(kLongestRun, static_cast<size_t>(end - at));
    const uint8_t* next = at + 1;
    // Runs are what pictures are made of: eight bytes compared at a time.
    const uint64_t same = 0x0101010101010101ull * *at;
    for (uint64_t word; runEnd - next >= 8; next += 8) {
      std::memcpy(&word, next, 8);
      if (word != same) break;
    }
    while (next < runEnd && *next == *at) ++next;
    const auto run = static_cast<size_t>(next - at);
    if (run >= kShortestRun) {
      flushLiterals(at);
      *to++ = static_cast<uint8_t>(run + 125);
      *to++ = *at;
      literal = next;
    }
    at = next;
  }
  flushLiterals(end);
  out.resize(static_cast<size_t>(to - out.data()));
}

bool RunsFill(std::span<const uint8_t> in, size_t size) {
  size_t from = 0, filled = 0;
  while (from < in.size()) {
    const uint8_t control = in[from++];
    const size_t count = control < 128 ? control + 1u : control - 125u;
    const size_t operand = control < 128 ? count : 1;
    if (operand > in.size() - from || count > size - filled) return false;
    from += operand;
    filled += count;
  }
  return filled == size;
}

bool UnpackRuns(std::span<const uint8_t> in, std::span<uint8_t> out) {
  if (!RunsFill(in, out.size())) return false;
  uint8_t* to = out.data();
  for (size_t from = 0; from < in.size();) {
    const uint8_t control = in[from++];
    if (control < 128) {
      std::memcpy(to, in.data() + from, control + 1u);
      from += control + 1u;
      to += control + 1u;
    } else {
      std::memset(to, in[from++], control - 125u);
      to += control - 125u;
    }
  }
  return true;
}
