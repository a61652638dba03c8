// The frame sequencer's clocks as the channels feel them: envelope decay
// on quarter frames and sweep steps on half frames in both modes, the
// sweep unit's muting, and $4015's length and frame-interrupt bits.
#include <gtest/gtest.h>

#include <vector>

#include "voice/VoiceSignal.h"

namespace {

struct Expect {
  uint32_t Cycle;
  int Value;
};

// Writes at cycle 0 of a fresh voice; $4017 last, so the sequence restarts
// 3 cycles later (cycle 0 falls on the chip's own clock).
ConsoleVoice Started(const std::vector<ApuWrite>& writes, uint8_t frameMode) {
  ConsoleVoice v;
  VoiceInit(v);
  for (const ApuWrite& w : writes) VoiceWrite(v, 0, w.Address, w.Value, {});
  VoiceWrite(v, 0, 0x4017, frameMode, {});
  return v;
}

// Runs to each listed cycle and checks the value just before and at it.
template <typename Read>
void CheckSteps(ConsoleVoice& v, const std::vector<Expect>& steps, int before, Read read) {
  for (const Expect& e : steps) {
    VoiceRunTo(v, e.Cycle - 1, {});
    EXPECT_EQ(read(v), before) << "before cycle " << e.Cycle;
    VoiceRunTo(v, e.Cycle, {});
    EXPECT_EQ(read(v), e.Value) << "at cycle " << e.Cycle;
    before = e.Value;
  }
}

TEST(VoiceSequencerTest, EnvelopeDecaysOnQuarterFramesInBothModes) {
  // Decay with the shortest divider: one level per quarter frame.
  const std::vector<ApuWrite> note = {{0, 0x4015, 0x01}, {0, 0x4000, 0x00}, {0, 0x4003, 0x08}};
  auto decay = [](const ConsoleVoice& v) { return int{v.Pulse[0].Env.Decay}; };
  ConsoleVoice four = Started(note, 0x00);
  CheckSteps(four,
             {{3 + 7457, 15}, {3 + 14913, 14}, {3 + 22371, 13}, {3 + 29829, 12}, {3 + 29830 + 7457, 11}}, 0,
             decay);
  // Entering 5-step mode clocks at once; its fourth step is silent.
  ConsoleVoice five = Started(note, 0x80);
  CheckSteps(
      five,
      {{3, 15}, {3 + 7457, 14}, {3 + 14913, 13}, {3 + 22371, 12}, {3 + 37281, 11}, {3 + 37282 + 7457, 10}}, 0,
      decay);
}

TEST(VoiceSequencerTest, LengthCountersRunOutOnHalfFramesInBothModes) {
  // Length 2, not halted.
  const std::vector<ApuWrite> note = {{0, 0x4015, 0x01}, {0, 0x4000, 0x0F}, {0, 0x4003, 0x18}};
  auto length = [](const ConsoleVoice& v) { return int{v.Pulse[0].Length.Count}; };
  ConsoleVoice four = Started(note, 0x00);
  CheckSteps(four, {{3 + 14913, 1}, {3 + 29829, 0}}, 2, length);
  ConsoleVoice five = Started(note, 0x80);
  CheckSteps(five, {{3, 1}, {3 + 14913, 0}}, 2, length);
}

TEST(VoiceSequencerTest, SweepStepsOnHalfFramesAndNegatesPerChannel) {
  // Period $100, shift 1, divider 0: every half frame adds half the period.
  const std::vector<ApuWrite> note = {
      {0, 0x4015, 0x03}, {0, 0x4000, 0x3F}, {0, 0x4001, 0x81}, {0, 0x4002, 0x00}, {0, 0x4003, 0x09}};
  auto period = [](const ConsoleVoice& v) { return int{v.Pulse[0].Period}; };
  ConsoleVoice four = Started(note, 0x00);
  CheckSteps(four, {{3 + 14913, 0x180}, {3 + 29829, 0x240}, {3 + 29830 + 14913, 0x360}}, 0x100, period);
  ConsoleVoice five = Started(note, 0x80);
  CheckSteps(five, {{3, 0x180}, {3 + 14913, 0x240}, {3 + 37281, 0x360}}, 0x100, period);

  // Downwards the first channel subtracts one more than the second.
  ConsoleVoice down = Started(
      {{0, 0x4015, 0x03}, {0, 0x4001, 0x89}, {0, 0x4003, 0x09}, {0, 0x4005, 0x89}, {0, 0x4007, 0x09}}, 0x80);
  VoiceRunTo(down, 3, {});
  EXPECT_EQ(down.Pulse[0].Period, 0x100 - 0x80 - 1);
  EXPECT_EQ(down.Pulse[1].Period, 0x100 - 0x80);
}

TEST(VoiceSequencerTest, SweepMutesShortPeriodsAndOverflowingTargets) {
  struct Case {
    int Period;
    uint8_t Sweep;  // $4001, mostly disabled: muting does not need the sweep on
    bool Heard;
  };
  const Case cases[] = {
      {7, 0x00, false},     {8, 0x00, true},       // below 8 is muted
      {0x3FF, 0x00, true},  {0x400, 0x00, false},  // shift 0: the target is twice the period
      {0x600, 0x01, false}, {0x600, 0x09, true},   // $900 overflows; downwards $2FF does not
      {0x556, 0x02, true},  {0x700, 0x83, true},   // $6AB fits; $7E0 fits, and sweeps on to overflow
  };
  for (const Case& c : cases) {
    VoiceRender r;
    r.Run({{0, 0x4015, 0x01},
           {0, 0x4000, 0xBF},
           {0, 0x4001, c.Sweep},
           {0, 0x4002, static_cast<uint8_t>(c.Period & 0xFF)},
           {0, 0x4003, static_cast<uint8_t>(c.Period >> 8)}},
          2);
    SCOPED_TRACE(testing::Message() << "period " << c.Period << " sweep " << int{c.Sweep});
    EXPECT_EQ(RootMeanSquare(r.Tail(0)) > 100, c.Heard);
  }
}

TEST(VoiceSequencerTest, StatusReadsLengthsAndTheFrameInterrupt) {
  struct Case {
    uint8_t FrameMode;
    uint32_t WriteCycle;  // an odd cycle delays the restart by one more
    bool Interrupt;
  };
  const Case cases[] = {
      {0x00, 0, true}, {0x00, 1, true}, {0x40, 0, false}, {0x80, 0, false}, {0xC0, 0, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << int{c.FrameMode} << " at " << c.WriteCycle);
    ConsoleVoice v;
    VoiceInit(v);
    // Every channel's shortest length but the triangle's: 2 half frames.
    for (uint16_t a : {0x4003, 0x4007, 0x400F}) VoiceWrite(v, 0, a, 0x18, {});
    VoiceWrite(v, 0, 0x4015, 0x0F, {});
    for (uint16_t a : {0x4003, 0x4007, 0x400F}) VoiceWrite(v, 0, a, 0x18, {});
    VoiceWrite(v, 0, 0x400B, 0x08, {});
    VoiceWrite(v, c.WriteCycle, 0x4017, c.FrameMode, {});
    EXPECT_EQ(VoiceReadStatus(v, c.WriteCycle, {}), 0x0F);

    const uint32_t start = c.WriteCycle + 3 + (c.WriteCycle & 1);
    const uint32_t irqAt = start + 29828;
    VoiceRunTo(v, irqAt - 1, {});
    EXPECT_FALSE(VoiceIrqLine(v));
    VoiceRunTo(v, irqAt, {});
    EXPECT_EQ(VoiceIrqLine(v), c.Interrupt);
    // The short lengths have run out by now; the triangle's 254 runs on.
    uint8_t status = VoiceReadStatus(v, irqAt + 10, {});
    EXPECT_EQ(status & 0x0F, 0x04);
    // A pending interrupt is seen once: the read clears it.
    EXPECT_EQ((status & 0x40) != 0, c.Interrupt);
    EXPECT_FALSE(VoiceIrqLine(v));
    EXPECT_EQ(VoiceReadStatus(v, irqAt + 11, {}) & 0x40, 0);
    // Disabling a channel zeroes its length.
    VoiceWrite(v, irqAt + 12, 0x4015, 0x00, {});
    EXPECT_EQ(VoiceReadStatus(v, irqAt + 13, {}) & 0x1F, 0);
  }
}

// The triangle's timer counts while the channel is shut: a note opened by
// the linear counter's first load (the quarter frame at 7,460) steps on
// the timer's next expiry, which the period's write set going (an expiry
// every 256 cycles from the cycle after it), not a whole period later.
TEST(VoiceSequencerTest, TheTriangleStepsOnItsTimersNextExpiryWhenOpened) {
  struct Row {
    uint32_t PeriodWrittenAt;
    uint32_t FirstStep;  // the first expiry after 7,460
  };
  for (const Row& row : {Row{10, 11 + 30 * 256}, Row{100, 101 + 29 * 256}, Row{200, 201 + 29 * 256}}) {
    SCOPED_TRACE(row.PeriodWrittenAt);
    ConsoleVoice v = Started({{0, 0x4015, 0x04}, {0, 0x4008, 0xFF}, {0, 0x400B, 0x00}}, 0x00);
    VoiceWrite(v, row.PeriodWrittenAt, 0x400A, 0xFF, {});
    CheckSteps(v, {{row.FirstStep, 1}, {row.FirstStep + 256, 2}}, 0,
               [](const ConsoleVoice& c) { return int{c.Triangle.Step}; });
  }
}

}  // namespace
