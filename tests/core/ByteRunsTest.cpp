// Run-length packing of snapshot pictures: every input comes back exactly,
// across the boundaries of the run and literal lengths, and packed bytes
// that do not make exactly the expected size are refused untouched.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "core/ByteRuns.h"

namespace {

std::vector<uint8_t> Repeat(size_t count, uint8_t value) { return std::vector<uint8_t>(count, value); }
std::vector<uint8_t> Counting(size_t count) {
  std::vector<uint8_t> v(count);
  for (size_t i = 0; i < count; ++i) v[i] = static_cast<uint8_t>(i * 7 + 1);
  return v;
}
std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

TEST(ByteRuns, EveryInputComesBackExactly) {
  std::mt19937 random(1);
  std::vector<uint8_t> noise(61440);
  for (uint8_t& b : noise) b = static_cast<uint8_t>(random() & 3);
  const std::vector<std::vector<uint8_t>> inputs = {
      {},
      {9},
      Repeat(2, 5),
      Repeat(3, 5),
      Repeat(130, 0),
      Repeat(131, 0),
      Repeat(1000, 0x3F),
      Counting(128),
      Counting(129),
      Join({Counting(127), Repeat(3, 1), Counting(200), Repeat(260, 2), {4, 4}}),
      noise,
  };
  for (size_t i = 0; i < inputs.size(); ++i) {
    SCOPED_TRACE(i);
    std::vector<uint8_t> packed = {0xEE};  // packing appends
    PackRuns(inputs[i], packed);
    const std::span<const uint8_t> body(packed.data() + 1, packed.size() - 1);
    std::vector<uint8_t> back(inputs[i].size(), 0xAA);
    ASSERT_TRUE(UnpackRuns(body, back));
    EXPECT_EQ(back, inputs[i]);
    EXPECT_LE(body.size(), inputs[i].size() + inputs[i].size() / 128 + 1);
  }
  // A picture of large areas packs to a small part of itself.
  std::vector<uint8_t> packed;
  PackRuns(Repeat(61440, 0x0F), packed);
  EXPECT_LT(packed.size(), 1000u);
}

TEST(ByteRuns, PackedBytesThatDoNotFillExactlyAreRefusedUntouched) {
  const std::vector<std::vector<uint8_t>> bad = {
      {0x02, 1, 2},     // a literal of three with two bytes
      {0x80},           // a run without its byte
      {0x81, 7},        // four bytes into three
      {0x00, 1},        // one byte short of three
      {0x80, 7, 0x00},  // a literal without its byte
  };
  for (size_t i = 0; i < bad.size(); ++i) {
    SCOPED_TRACE(i);
    std::vector<uint8_t> out(3, 0xAA);
    EXPECT_FALSE(UnpackRuns(bad[i], out));
    EXPECT_EQ(out, Repeat(3, 0xAA));
  }
}

}  // namespace
