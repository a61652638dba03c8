// The sample channel: bytes fetched through the cartridge's bank tables at
// the rate table's speed, fetch timing and address wrap as an engine that
// steals cycles sees them, the end-of-sample interrupt, and the output
// level's direct load and saturation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "cartridge/Mapper.h"
#include "support/TestMachine.h"
#include "voice/VoiceSignal.h"

namespace {

constexpr int kRate = 48000;

// A 32 KB cartridge whose first 16 KB bank holds $55 and second $33.
struct SampleCartridge {
  TestMachine t;
  SampleCartridge() {
    InstallCartridge(t.m, 2, 1);
    std::fill_n(t.m.PrgRom.begin(), 0x4000, 0x55);
    std::fill_n(t.m.PrgRom.begin() + 0x4000, 0x4000, 0x33);
  }
};

TEST(VoiceSampleTest, PlaysAtTheRateTableSpeedFromTheBankMappedWhenItFetches) {
  for (int rate : {0, 6, 13}) {
    SCOPED_TRACE(rate);
    SampleCartridge cart;
    VoiceRender r;
    r.Memory = VoiceMemoryOf(cart.t.m);
    // $55 moves the level up and down every bit: a square at half the bit
    // rate. $33 holds each direction two bits: half that again.
    MapPrg16(cart.t.m, 0xC000, 0);
    r.Run({{0, 0x4010, static_cast<uint8_t>(0x40 | rate)},
           {0, 0x4012, 0x00},
           {0, 0x4013, 0x01},
           {0, 0x4015, 0x10}},
          30);
    const double bitHz = kNtscCpuHz / kSampleRateTable[rate];
    EXPECT_NEAR(CrossingFrequency(r.Tail(kRate / 10), kRate), bitHz / 2, bitHz / 2 * 0.001);

    MapPrg16(cart.t.m, 0xC000, 1);
    size_t second = r.Out.size();
    r.Run({{0, 0x4015, 0x00}, {100, 0x4015, 0x10}}, 30);
    EXPECT_NEAR(CrossingFrequency(r.Tail(second + kRate / 10), kRate), bitHz / 4, bitHz / 4 * 0.001);
  }
}

TEST(VoiceSampleTest, FetchesAreHeardAtTheirCycleWrapToTheLowBankAndEndWithTheInterrupt) {
  SampleCartridge cart;
  std::vector<std::pair<uint16_t, uint32_t>> fetches;
  VoiceMemory memory = VoiceMemoryOf(cart.t.m);
  memory.FetchContext = &fetches;
  memory.Fetched = [](void* context, uint16_t address, uint32_t cycle) {
    static_cast<std::vector<std::pair<uint16_t, uint32_t>>*>(context)->push_back({address, cycle});
  };
  ConsoleVoice v;
  VoiceInit(v);
  VoiceWrite(v, 0, 0x4010, 0x8F, memory);  // interrupt at the end, 54 cycles a bit
  VoiceWrite(v, 0, 0x4012, 0xFF, memory);  // $FFC0
  VoiceWrite(v, 0, 0x4013, 0x04, memory);  // 65 bytes
  VoiceWrite(v, 100, 0x4015, 0x10, memory);

  // The first byte is fetched at once; each later one when the previous
  // byte's eight bits start playing.
  VoiceRunTo(v, 100 + 63 * 432, memory);
  EXPECT_EQ(VoiceReadStatus(v, 100 + 63 * 432, memory) & 0x90, 0x10);
  EXPECT_FALSE(VoiceIrqLine(v));
  VoiceRunTo(v, 40000, memory);
  ASSERT_EQ(fetches.size(), 65u);
  EXPECT_EQ(fetches[0], std::make_pair(uint16_t{0xFFC0}, uint32_t{100}));
  for (size_t i = 1; i < fetches.size(); ++i) {
    EXPECT_EQ(fetches[i].first, i < 64 ? 0xFFC0 + i : 0x8000 + (i - 64)) << i;
    if (i >= 2) {
      EXPECT_EQ(fetches[i].second - fetches[i - 1].second, 8u * 54) << i;
    }
  }
  // The interrupt stays until $4015 is written; reading does not clear it.
  EXPECT_TRUE(VoiceIrqLine(v));
  EXPECT_EQ(VoiceReadStatus(v, 40000, memory) & 0x90, 0x80);
  EXPECT_TRUE(VoiceIrqLine(v));
  VoiceWrite(v, 40001, 0x4015, 0x00, memory);
  EXPECT_FALSE(VoiceIrqLine(v));
}

TEST(VoiceSampleTest, DirectLoadSetsTheLevelAndBitsMoveItByTwoWithinRange) {
  struct Case {
    uint8_t Load, Byte, After;
  };
  const Case cases[] = {
      {0x7F, 0x00, 0x7F - 16}, {0x7D, 0xFF, 0x7F}, {0x7E, 0xFF, 0x7E},  // a step past 127 is dropped
      {0x01, 0x00, 0x01},      {0x05, 0x00, 0x01}, {0x40, 0x55, 0x40},  // and so is one below 0
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int{c.Load} << " then " << int{c.Byte});
    VoiceMemory memory;
    memory.Context = &c.Byte;
    memory.Read = [](const void* context, uint16_t) { return *static_cast<const uint8_t*>(context); };
    ConsoleVoice v;
    VoiceInit(v);
    VoiceWrite(v, 0, 0x4011, c.Load, memory);
    EXPECT_EQ(v.Sample.Level, c.Load);
    VoiceWrite(v, 0, 0x4010, 0x0F, memory);
    VoiceWrite(v, 0, 0x4013, 0x00, memory);  // one byte
    VoiceWrite(v, 0, 0x4015, 0x10, memory);
    // The rate set above starts when the power-on bit period ends; then up
    // to eight silent bits, then the byte's eight.
    VoiceRunTo(v, 428 + 16 * 54, memory);
    EXPECT_EQ(v.Sample.Level, c.After);
  }

  // Heard through the mixer: a direct load is a step of the height the
  // console's resistor network gives (the triangle resting at 15 beside it),
  // which the 440 Hz high-pass has taken a fifth off by the time the 14 kHz
  // low-pass lets it rise. A quarter of the range, so the output's limiter
  // stays out of it.
  VoiceRender r;
  r.Run({{1000, 0x4011, 0x20}});
  double peak = *std::max_element(r.Out.begin(), r.Out.end());
  auto network = [](double t, double d) { return 159.79 / (1 / (t / 8227 + d / 22638) + 100); };
  double step = (network(15, 32) - network(15, 0)) * kVoiceOutputGain;
  EXPECT_GT(peak, step * 0.7);
  EXPECT_LT(peak, step * 0.95);
}

}  // namespace
