#include "core/ByteRuns.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kShortestRun = 3;
constexpr size_t kLongestRun = 130;
constexpr size_t kLongestLiteral = 128;

size_t RunLength(std::span<const uint8_t> in, size_t at) {
  const size_t end = std::min(in.size(), at + kLongestRun);
  size_t i = at + 1;
  while (i < end && in[i] == in[at]) ++i;
  return i - at;
}

}  // namespace

void PackRuns(std::span<const uint8_t> in, std::vector<uint8_t>& out) {
  size_t literalStart = 0;
  auto flushLiterals = [&](size_t end) {
    while (literalStart < end) {
      const size_t count = std::min(kLongestLiteral, end - literalStart);
      out.push_back(static_cast<uint8_t>(count - 1));
      out.insert(out.end(), in.begin() + static_cast<std::ptrdiff_t>(literalStart),
                 in.begin() + static_cast<std::ptrdiff_t>(literalStart + count));
      literalStart += count;
    }
  };
  size_t at = 0;
  while (at < in.size()) {
    const size_t run = RunLength(in, at);
    if (run < kShortestRun) {
      at += run;
      continue;
    }
    flushLiterals(at);
    out.push_back(static_cast<uint8_t>(run + 125));
    out.push_back(in[at]);
    at += run;
    literalStart = at;
  }
  flushLiterals(in.size());
}

bool UnpackRuns(std::span<const uint8_t> in, std::span<uint8_t> out) {
  size_t from = 0, to = 0;
  while (from < in.size()) {
    const uint8_t control = in[from++];
    if (control < 128) {
      const size_t count = control + 1u;
      if (count > in.size() - from || count > out.size() - to) return false;
      std::memcpy(out.data() + to, in.data() + from, count);
      from += count;
      to += count;
    } else {
      const size_t count = control - 125u;
      if (from == in.size() || count > out.size() - to) return false;
      std::memset(out.data() + to, in[from++], count);
      to += count;
    }
  }
  return to == out.size();
}
