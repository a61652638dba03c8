// An unheard voice (the chip that only answers the processor) against a
// heard one fed the same writes: $4015 and the interrupt line must agree at
// every cycle checked, across both sequencer modes, halts, a sweep, the
// sample channel's fetches and interrupt, and frame ends.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "voice/ConsoleVoice.h"

namespace {

struct Step {
  uint32_t Cycle;
  uint16_t Address;
  uint8_t Value;
};

// Sample bytes of all ones, so the level climbs while the fetches run.
VoiceMemory Ones() {
  VoiceMemory memory;
  memory.Read = [](const void*, uint16_t) -> uint8_t { return 0xFF; };
  return memory;
}

TEST(VoiceUnheardTest, AnswersTheProcessorAsTheHeardVoiceDoes) {
  const std::vector<Step> script = {
      {0, 0x4015, 0x1F},     {2, 0x4000, 0x1F},     {4, 0x4003, 0x08},   // pulse 1: length 254
      {6, 0x4004, 0x3F},     {8, 0x4007, 0x18},                          // pulse 2 halted
      {10, 0x4005, 0x87},    {12, 0x4006, 0x40},                         // and sweeping up
      {14, 0x4008, 0x05},    {16, 0x400B, 0x28},                         // triangle
      {18, 0x400C, 0x10},    {20, 0x400F, 0x10},                         // noise
      {22, 0x4010, 0x8F},    {24, 0x4013, 0x02},    {26, 0x4015, 0x1F},  // 33 bytes, interrupt at the end
      {9000, 0x4017, 0x00},  {40000, 0x4004, 0x1F},                      // pulse 2 unhalted
      {52001, 0x4017, 0x80}, {70000, 0x4015, 0x0F},                      // 5-step; sample stopped
      {80000, 0x4017, 0x40},                                             // 4-step, no interrupt
  };
  ConsoleVoice heard, unheard;
  VoiceInit(heard);
  VoiceInit(unheard);
  VoiceSetUnheard(unheard);
  const VoiceMemory memory = Ones();
  size_t next = 0;
  uint32_t frameStart = 0;
  std::set<int> statuses;  // the script must reach a variety of them
  bool interrupted = false;
  for (uint32_t cycle = 1; cycle < 120000; cycle += 97) {
    for (; next < script.size() && script[next].Cycle <= cycle; ++next) {
      const Step& s = script[next];
      VoiceWrite(heard, s.Cycle - frameStart, s.Address, s.Value, memory);
      VoiceWrite(unheard, s.Cycle - frameStart, s.Address, s.Value, memory);
    }
    ASSERT_EQ(VoiceIrqLine(unheard), VoiceIrqLine(heard)) << "cycle " << cycle;
    interrupted |= VoiceIrqLine(heard);
    // Every third check reads $4015, which also clears the frame interrupt.
    if (cycle % 3 == 0) {
      const uint8_t status = VoiceReadStatus(heard, cycle - frameStart, memory);
      ASSERT_EQ(VoiceReadStatus(unheard, cycle - frameStart, memory), status) << "cycle " << cycle;
      statuses.insert(status);
    }
    if (cycle - frameStart >= 29781) {
      VoiceEndFrame(heard, cycle - frameStart, memory);
      VoiceEndFrame(unheard, cycle - frameStart, memory);
      frameStart = cycle;
    }
  }
  EXPECT_TRUE(interrupted);
  EXPECT_GE(statuses.size(), 5u);
  int16_t out[kStepRing];
  EXPECT_GT(VoiceTakeSamples(heard, out, kStepRing), 0u);
  EXPECT_EQ(VoiceTakeSamples(unheard, out, kStepRing), 0u);
}

}  // namespace
