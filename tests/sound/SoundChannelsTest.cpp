// The channel model driven through the processor's writes, heard through the
// MIDI back end on a recording device: what a synthesiser would be playing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cartridge/Lifecycle.h"
#include "engine/classic/ClassicEngine.h"
#include "engine/classic/video/MemoryMap.h"
#include "engine/classic/video/ScanlineHook.h"
#include "sound/SoundChannels.h"
#include "support/MidiTestSupport.h"
#include "support/TestMachine.h"

namespace {

class ChannelModelTest : public MidiLayerTest {
 protected:
  void SetUp() override {
    MidiLayerTest::SetUp();
    m.SoundVolume = 254;  // MIDI volume 127
    // Channel 4's cache survives restarts; start every test with it silent.
    SoundSetVolume(sound, 4, 0);
  }
  void Write(uint16_t address, uint8_t value) { MemWrite(m, address, value); }
  // Sets a channel's period and length index through its register pair.
  void Play(int channel, int period, int lengthIndex) {
    const uint16_t base = static_cast<uint16_t>(0x4000 + 4 * channel);
    Write(base + 2, static_cast<uint8_t>(period));
    Write(base + 3, static_cast<uint8_t>((lengthIndex << 3) | (period >> 8)));
  }
  int Sounding(int channel) { return SynthView(*recording).note[channel]; }
  int BendOf(int channel) { return SynthView(*recording).bend[channel]; }
};

}  // namespace

TEST_F(ChannelModelTest, PeriodsBecomeFrequenciesOnEveryChannel) {
  struct Case {
    int period;
    int hertz;  // 111860 / (period + 1), 0 where nothing is heard
  };
  // Periods 0-8 lie at 12428 Hz and above (period 0's 111860 Hz keeps 16
  // bits: 46324 Hz), all silent; period 9 is the highest audible pitch.
  const Case cases[] = {{253, 440}, {9, 11186}, {2047, 54}, {0x123, 382}, {8, 0}, {0, 0}};
  for (int channel = 0; channel < 4; ++channel) {
    for (const Case& c : cases) {
      Play(channel, c.period, 1);
      EXPECT_EQ(m.ChannelPeriod[channel], c.period);
      SCOPED_TRACE(testing::Message() << "channel " << channel << " period " << c.period);
      if (c.hertz == 0) {
        EXPECT_EQ(Sounding(channel), 0);
      } else {
        EXPECT_EQ(Sounding(channel), NoteFor(c.hertz).note);
        EXPECT_EQ(BendOf(channel), NoteFor(c.hertz).bend);
      }
    }
  }
}

TEST_F(ChannelModelTest, SweepStepsKeepTenBitsOfTheFrequency) {
  // P = 0: the period stays, but the frequency is re-sent cut to 10 bits.
  Write(0x4001, 0x80);
  Play(0, 0, 1);
  EXPECT_EQ(Sounding(0), 0);
  SoundFrameStep(m);
  EXPECT_EQ(m.ChannelPeriod[0], 0);
  EXPECT_EQ(Sounding(0), NoteFor(244).note);  // 46324 and 1023
  Play(0, 9, 1);
  EXPECT_EQ(Sounding(0), NoteFor(11186).note);
  SoundFrameStep(m);
  EXPECT_EQ(Sounding(0), NoteFor(11186 & 1023).note);
}

TEST_F(ChannelModelTest, SweepMovesThePeriodLinearlyAndWraps) {
  struct Case {
    int channel;
    uint8_t sweep;  // enable, P (bits 4-6), down (bit 3), S (bits 0-2)
    int period;
    int after1, after2;  // period after one and two frame steps
  };
  const Case cases[] = {
      {0, 0x80 | 0x20 | 0x03, 253, 259, 265},           // up 2*3 a frame
      {1, 0x80 | 0x10 | 0x08 | 0x02, 253, 251, 249},    // down 1*2
      {2, 0x80 | 0x20 | 0x08 | 0x03, 2, 65532, 65526},  // down past 0: wraps
      {3, 0x80 | 0x70 | 0x07, 2047, 2096, 2145},        // beyond 11 bits
      {0, 0x00 | 0x20 | 0x03, 253, 253, 253},           // sweep flag clear
      {1, 0x80 | 0x00 | 0x07, 300, 300, 300},           // P = 0
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "channel " << c.channel << " sweep " << int(c.sweep));
    Write(static_cast<uint16_t>(0x4001 + 4 * c.channel), c.sweep);
    Play(c.channel, c.period, 4);
    SoundFrameStep(m);
    EXPECT_EQ(m.ChannelPeriod[c.channel], c.after1);
    SoundFrameStep(m);
    EXPECT_EQ(m.ChannelPeriod[c.channel], c.after2);
    const int hertz = (111860 / (c.after2 + 1)) & 1023;
    EXPECT_EQ(Sounding(c.channel), hertz >= 9 ? NoteFor(hertz).note : 0);
  }
}

TEST_F(ChannelModelTest, LengthCountersLoadPerChannel) {
  struct Case {
    int channel, index, counter;
  };
  const Case cases[] = {{0, 0, 8}, {0, 5, 48},  {1, 31, 256}, {1, 1, 16}, {2, 0, 2},
                        {2, 5, 7}, {2, 31, 33}, {3, 0, 0},    {3, 5, 5},  {3, 31, 31}};
  for (const Case& c : cases) {
    Play(c.channel, 100, c.index);
    EXPECT_EQ(m.LengthCounter[c.channel], c.counter) << c.channel << " " << c.index;
  }
  // A write to the low register reloads from the stored high byte.
  Play(0, 100, 2);
  SoundFrameStep(m);
  EXPECT_EQ(m.LengthCounter[0], 23);
  Write(0x4002, 50);
  EXPECT_EQ(m.LengthCounter[0], 24);
}

TEST_F(ChannelModelTest, ARunOutCounterSilencesAndClearsItsStatusBit) {
  Write(0x4015, 0x1F);
  Play(2, 253, 0);  // triangle: 2 frames
  Play(0, 253, 0);  // square: 8 frames
  SoundFrameStep(m);
  EXPECT_NE(Sounding(2), 0);
  SoundFrameStep(m);
  EXPECT_EQ(Sounding(2), 0);
  EXPECT_EQ(m.LengthCounter[2], 0);
  EXPECT_EQ(MemRead(m, 0x4015), 0x1B);
  // A disabled channel is not counted: it keeps sounding with its counter held.
  m.ChannelEnabled[0] = false;
  for (int i = 0; i < 20; ++i) SoundFrameStep(m);
  EXPECT_EQ(m.LengthCounter[0], 6);
  EXPECT_NE(Sounding(0), 0);
  m.ChannelEnabled[0] = true;
  for (int i = 0; i < 6; ++i) SoundFrameStep(m);
  EXPECT_EQ(Sounding(0), 0);
  EXPECT_EQ(MemRead(m, 0x4015), 0x1A);
}

TEST_F(ChannelModelTest, StatusWriteStopsClearedChannelsAndStartsNothing) {
  for (int channel = 0; channel < 4; ++channel) Play(channel, 253, 3);
  Write(0x4015, 0x1E);  // channel 0 off
  EXPECT_EQ(Sounding(0), 0);
  EXPECT_EQ(m.LengthCounter[0], 0);
  EXPECT_NE(Sounding(1), 0);
  EXPECT_EQ(m.LengthCounter[1], 32);
  Write(0x4015, 0x1F);  // set bits start nothing
  EXPECT_EQ(Sounding(0), 0);
  Write(0x4015, 0x00);
  for (int channel = 0; channel < 5; ++channel) {
    EXPECT_EQ(Sounding(channel), 0) << channel;
    EXPECT_EQ(m.LengthCounter[channel], 0) << channel;
  }
}

TEST_F(ChannelModelTest, NoiseFollowsItsOwnSwitchingRules) {
  // L = 0: on (switch on), never counted, so it sounds on and on.
  Play(3, 0x100, 0);
  EXPECT_EQ(m.LengthCounter[3], 0);
  for (int i = 0; i < 50; ++i) SoundFrameStep(m);
  EXPECT_EQ(Sounding(3), NoteFor(111860 / 0x101).note);
  // L = 0 with the switch off: off.
  m.ChannelEnabled[3] = false;
  Play(3, 0x100, 0);
  EXPECT_EQ(Sounding(3), 0);
  // L != 0 sounds even with the switch off, and the frame step leaves it be...
  Play(3, 0x100, 2);
  for (int i = 0; i < 10; ++i) SoundFrameStep(m);
  EXPECT_EQ(m.LengthCounter[3], 2);
  EXPECT_NE(Sounding(3), 0);
  // ...until $4015 clears its bit.
  Write(0x4015, 0x17);
  EXPECT_EQ(Sounding(3), 0);
}

TEST_F(ChannelModelTest, DisabledToneChannelsAreSwitchedOffByTheirWrites) {
  Play(1, 253, 3);
  ASSERT_NE(Sounding(1), 0);
  // Clearing the switch leaves the sounding channel alone until its next write.
  m.ChannelEnabled[1] = false;
  EXPECT_NE(Sounding(1), 0);
  Write(0x4006, 100);
  EXPECT_EQ(Sounding(1), 0);
  EXPECT_EQ(m.LengthCounter[1], 32);  // still loaded, but the frame step skips it
}

TEST_F(ChannelModelTest, PcmChannelTakesItsPeriodFromTheRateAndLengthBytes) {
  Write(0x4010, 0x0A);  // high part: 0x0A and 7 = 2
  Write(0x4013, 0x10);  // low part 0x10, length index 2
  EXPECT_EQ(m.ChannelPeriod[4], 0x210);
  EXPECT_EQ(Sounding(4), NoteFor(111860 / 0x211).note);
  Write(0x4011, 0x7F);  // the level byte changes nothing
  Write(0x4012, 0x55);
  EXPECT_EQ(m.ChannelPeriod[4], 0x210);
  EXPECT_EQ(m.LengthCounter[4], 0);
  // Length index 0 with the switch off: off; with it on: on.
  m.ChannelEnabled[4] = false;
  Write(0x4013, 0x07);
  EXPECT_EQ(Sounding(4), 0);
  m.ChannelEnabled[4] = true;
  Write(0x4012, 0x00);
  EXPECT_EQ(Sounding(4), NoteFor(111860 / 0x208).note);
  // The frame step never touches it.
  for (int i = 0; i < 10; ++i) SoundFrameStep(m);
  EXPECT_NE(Sounding(4), 0);
}

TEST_F(ChannelModelTest, FrameCountdownStepsOnTheFirstCallAndEvery244th) {
  Play(0, 253, 31);  // 256 frames
  m.SoundFrameCountdown = 0;
  SoundFrameTick(m);
  EXPECT_EQ(m.LengthCounter[0], 255);
  for (int i = 0; i < 243; ++i) SoundFrameTick(m);
  EXPECT_EQ(m.LengthCounter[0], 255);
  SoundFrameTick(m);
  EXPECT_EQ(m.LengthCounter[0], 254);
  EXPECT_EQ(m.SoundFrameCountdown, 244);
}

TEST_F(ChannelModelTest, MachineResetClearsOnlyTheFirstFifteenBytes) {
  ASSERT_TRUE(InstallCartridge(m, 1, 1));
  Write(0x4001, 0x85);
  Play(0, 253, 3);
  Play(3, 40, 3);
  Write(0x4010, 0x0F);
  Write(0x4015, 0x0F);
  const auto periods = m.ChannelPeriod;
  const auto counters = m.LengthCounter;
  const int sounding = Sounding(0);
  ResetMachine(m);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(m.IoRegs[i], 0) << i;
  EXPECT_EQ(m.IoRegs[0x0F], 3 << 3);
  EXPECT_EQ(m.IoRegs[0x10], 0x0F);
  EXPECT_EQ(m.IoRegs[0x15], 0x0F);
  EXPECT_EQ(m.ChannelPeriod, periods);
  EXPECT_EQ(m.LengthCounter, counters);
  EXPECT_TRUE(m.SweepFlag[0]);
  EXPECT_EQ(Sounding(0), sounding);
}

TEST_F(ChannelModelTest, TheHookSilencesEveryChannelWhenItStops) {
  ASSERT_TRUE(InstallCartridge(m, 1, 1));
  for (int channel = 0; channel < 4; ++channel) Play(channel, 253, 3);
  Write(0x4013, 0x10);
  m.Running = false;
  Classic(m).ScanlineCounter = 242;
  EXPECT_EQ(ScanlineHook(m), intNone);  // line 243: nothing stops mid-frame
  for (int channel = 0; channel < 5; ++channel) EXPECT_NE(Sounding(channel), 0) << channel;
  EXPECT_EQ(ScanlineHook(m), intStop);  // line 0
  for (int channel = 0; channel < 5; ++channel) EXPECT_EQ(Sounding(channel), 0) << channel;
}
