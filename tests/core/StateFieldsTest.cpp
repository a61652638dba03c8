// Field lists: one list saves and loads a struct; a section is taken only as
// the list that reads it describes it.
#include <gtest/gtest.h>

#include "core/StateFields.h"

namespace {

enum class Mode : uint8_t { Off, On };
struct Voice {
  uint16_t Period = 0;
  bool Gate = false;
};
struct Chip {
  uint8_t A = 0;
  int32_t B = 0;
  std::array<uint8_t, 3> Ram{};
  Mode M = Mode::Off;
  std::array<Voice, 2> Voices{};
  uint64_t Cycle = 0;
};

template <class Io, class V>
void VoiceFields(Io& io, V& v) {
  io(v.Period, v.Gate);
}
// This build's list.
template <class Io, class C>
void ChipFields(Io& io, C& c) {
  io(c.A, c.B, c.Ram, c.M);
  state::Each(io, c.Voices, [](Io& i, auto& v) { VoiceFields(i, v); });
  io(c.Cycle);
}
// A later build's list that grew B without bumping the version.
template <class Io, class C>
void WidenedFields(Io& io, C& c) {
  io(c.A, c.Cycle, c.Ram, c.M);
  state::Each(io, c.Voices, [](Io& i, auto& v) { VoiceFields(i, v); });
  io(c.Cycle);
}
constexpr uint32_t kTag = 'T' | 'E' << 8 | 'S' << 16 | 'T' << 24;
const auto kList = [](auto& io, auto& c) { ChipFields(io, c); };

Chip Sample() {
  Chip c;
  c.A = 7;
  c.B = -123456;
  c.Ram = {1, 2, 3};
  c.M = Mode::On;
  c.Voices[1] = {0x7FF, true};
  c.Cycle = 0x123456789ull;
  return c;
}

bool Same(const Chip& a, const Chip& b) {
  return a.A == b.A && a.B == b.B && a.Ram == b.Ram && a.M == b.M && a.Cycle == b.Cycle &&
         a.Voices[1].Period == b.Voices[1].Period && a.Voices[1].Gate == b.Voices[1].Gate;
}

std::span<const uint8_t> Contents(const std::vector<uint8_t>& section) {
  return std::span<const uint8_t>(section).subspan(8);
}

TEST(StateFields, ASectionReadsBackWhatWasSavedPackedAndLittleEndian) {
  std::vector<uint8_t> out;
  state::WriteSection(out, kTag, 3, Sample(), kList);
  // tag, length, version, shape, check, then 1+4+3+1+2*(2+1)+8 bytes of fields.
  ASSERT_EQ(out.size(), 8u + 12u + 23u);
  uint32_t length = 0;
  std::memcpy(&length, out.data() + 4, 4);
  EXPECT_EQ(length, out.size() - 8);
  EXPECT_EQ(out[20], 7);
  Chip back;
  ASSERT_EQ(state::ReadSection(Contents(out), 3, back, kList), state::SectionVerdict::Read);
  EXPECT_TRUE(Same(back, Sample()));
}

TEST(StateFields, AnotherVersionOrListIsRefusedAndAShortOrLongSectionIsDamage) {
  std::vector<uint8_t> out;
  state::WriteSection(out, kTag, 3, Sample(), kList);
  const auto refused = [&](std::span<const uint8_t> contents, uint32_t version, auto list) {
    Chip target;
    target.A = 99;
    const state::SectionVerdict v = state::ReadSection(contents, version, target, list);
    EXPECT_EQ(target.A, 99) << "a refused section changed the state";
    return v;
  };
  EXPECT_EQ(refused(Contents(out), 4, kList), state::SectionVerdict::OtherLayout);
  EXPECT_EQ(refused(Contents(out), 3, [](auto& io, auto& c) { WidenedFields(io, c); }),
            state::SectionVerdict::OtherLayout);
  EXPECT_EQ(refused(Contents(out).first(Contents(out).size() - 1), 3, kList), state::SectionVerdict::Damaged);
  std::vector<uint8_t> longer = out;
  longer.push_back(0);
  EXPECT_EQ(refused(Contents(longer), 3, kList), state::SectionVerdict::Damaged);
  EXPECT_EQ(refused(Contents(out).first(4), 3, kList), state::SectionVerdict::Damaged);
  // A flipped byte fails the check, a bool other than 0 or 1 is never taken.
  for (const size_t at : {size_t{21}, size_t{40}}) {
    std::vector<uint8_t> flipped = out;
    flipped[at] ^= 0x10;
    EXPECT_EQ(refused(Contents(flipped), 3, kList), state::SectionVerdict::Damaged) << at;
  }
  std::vector<uint8_t> badBool = out;
  badBool[34] = 2;  // the second voice's gate
  const uint32_t check = Crc32(badBool.data() + 20, badBool.size() - 20);
  std::memcpy(badBool.data() + 16, &check, 4);
  EXPECT_EQ(refused(Contents(badBool), 3, kList), state::SectionVerdict::Damaged);
}

}  // namespace
