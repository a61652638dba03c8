// The wave back end: its worker thread, the buffers it feeds the device and
// the mixing of the square channels, seen through a recording wave device.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "sound/Sound.h"
#include "sound/SoundChannels.h"
#include "support/RecordingWaveOut.h"
#include "support/TestMachine.h"

using ::testing::Each;

namespace {

constexpr int kRate = 22050;

class WaveLayerTest : public ::testing::Test {
 protected:
  TestMachine t;
  SoundLayer& sound = *t.m.Sound;
  std::shared_ptr<WaveRecording> wave = std::make_shared<WaveRecording>();

  void SetUp() override {
    SoundDeviceFactory factory;
    factory.wave = [this] { return std::make_unique<RecordingWaveOut>(wave); };
    SetSoundDevices(sound, factory);
  }
  void TearDown() override {
    SoundStop(sound);
    SetSoundDevices(sound, {});
  }
  // Starts at `rate` and waits for the primed buffers.
  void Start(int rate = kRate, int buffers = 255) {
    SoundStart(sound, nullptr, rate, buffers);
    ASSERT_TRUE(wave->WaitForWrites(std::min(std::max(buffers, 2), 31)));
  }
  // Plays buffer `index` and returns what the worker refilled it with.
  std::vector<uint8_t> Replay(int index) {
    const size_t before = wave->WriteCount();
    wave->Complete(index);
    EXPECT_TRUE(wave->WaitForWrites(before + 1));
    const WaveRecording::Written w = wave->Write(before);
    EXPECT_EQ(w.index, index);
    return w.bytes;
  }
};

// How often the level changes between neighbouring samples.
int LevelChanges(const std::vector<uint8_t>& samples) {
  int changes = 0;
  for (size_t i = 1; i < samples.size(); ++i) changes += samples[i] != samples[i - 1];
  return changes;
}

}  // namespace

TEST_F(WaveLayerTest, OpensMonoAndPrimesThirtyOneBuffersOfSilence) {
  Start();
  EXPECT_EQ(wave->opens, 1);
  EXPECT_EQ(wave->rate, kRate);
  // The held channel count is 0; the stream still gets one channel.
  EXPECT_EQ(wave->channels, 1);
  ASSERT_EQ(wave->WriteCount(), 31u);
  for (int j = 0; j < 31; ++j) {
    const WaveRecording::Written w = wave->Write(j);
    EXPECT_EQ(w.index, j);
    ASSERT_EQ(w.bytes.size(), 255u);
    EXPECT_THAT(w.bytes, Each(128));
  }
}

TEST_F(WaveLayerTest, BufferCountIsClampedToTwoThroughThirtyOne) {
  Start(kRate, 1);
  EXPECT_EQ(wave->WriteCount(), 2u);
  SoundStop(sound);
  wave->writes.clear();
  Start(kRate, 5);
  EXPECT_EQ(wave->WriteCount(), 5u);
}

TEST_F(WaveLayerTest, SquareChannelsMixAtTheirFrequencyAndVolume) {
  Start();
  SoundSetFrequency(sound, 0, 1000);
  SoundSetVolume(sound, 0, 255);
  std::vector<uint8_t> one = Replay(0);
  // One channel at full volume swings the byte by a quarter of its range (four
  // together fill it); 1000 Hz at 22050 Hz changes level every 11 samples or
  // so: 23 changes in 255 samples.
  EXPECT_EQ(*std::max_element(one.begin(), one.end()), 128 + 31);
  EXPECT_EQ(*std::min_element(one.begin(), one.end()), 128 - 31);
  EXPECT_NEAR(LevelChanges(one), 23, 1);

  // Half volume halves the swing; a second channel adds to the first.
  SoundSetVolume(sound, 0, 128);
  SoundSetFrequency(sound, 1, 500);
  SoundSetVolume(sound, 1, 128);
  std::vector<uint8_t> two = Replay(1);
  EXPECT_EQ(*std::max_element(two.begin(), two.end()), 128 + 32);
  EXPECT_EQ(*std::min_element(two.begin(), two.end()), 128 - 32);
  EXPECT_TRUE(std::count(two.begin(), two.end(), 128) > 0);  // the two squares cancel in places

  // The phase runs on across buffers: the next buffer continues the square.
  SoundSetVolume(sound, 1, 0);
  std::vector<uint8_t> next = Replay(2);
  EXPECT_NEAR(LevelChanges(next), 23, 1);
}

TEST_F(WaveLayerTest, SilentChannelsAndUnplayableFrequenciesAddNothing) {
  Start();
  struct Case {
    int hertz, volume;
  };
  // Switched off; at half the rate; far above it (the register's period 0).
  for (const Case& c : {Case{440, 0}, Case{kRate / 2, 255}, Case{46324, 255}, Case{0, 255}}) {
    SoundSetFrequency(sound, 2, c.hertz);
    SoundSetVolume(sound, 2, c.volume);
    EXPECT_THAT(Replay(3), Each(128)) << c.hertz;
  }
  // Channel 4 has no wave of its own.
  SoundSetFrequency(sound, 4, 440);
  SoundSetVolume(sound, 4, 255);
  EXPECT_THAT(Replay(4), Each(128));
  SoundSetFrequency(sound, 2, kRate / 2 - 1);
  EXPECT_GT(LevelChanges(Replay(5)), 200);
}

TEST_F(WaveLayerTest, StopEndsTheWorkerAndClosesTheDeviceOnceDrained) {
  Start();
  wave->refuseCloses = 2;
  SoundStop(sound);
  // Still playing: handed back by a reset, then closed.
  EXPECT_EQ(wave->closeAttempts, 2);
  EXPECT_EQ(wave->resets, 1);
  EXPECT_EQ(wave->closes, 1);
  // Nothing is written after the stop, and the calls do nothing.
  const size_t written = wave->WriteCount();
  SoundSetFrequency(sound, 0, 440);
  SoundSetVolume(sound, 0, 255);
  wave->Complete(0);
  EXPECT_EQ(wave->WriteCount(), written);
}

TEST_F(WaveLayerTest, ResetHandsBuffersBackToBeRefilled) {
  Start();
  SoundReset(sound);
  // Every queued buffer comes back and goes out again.
  EXPECT_TRUE(wave->WaitForWrites(62));
  EXPECT_EQ(wave->resets, 1);
}

TEST_F(WaveLayerTest, RegisterWriteKeepsSixteenBitsOfTheFrequency) {
  // At 96 kHz, period 0's 16-bit frequency (46324 Hz) is below half the rate
  // and sounds; its uncut 111860 Hz would not.
  Start(96000);
  t.m.SoundVolume = 255;
  SoundRegisterWrite(t.m, 0x4002, 0);
  SoundRegisterWrite(t.m, 0x4003, 0);
  EXPECT_GT(LevelChanges(Replay(0)), 200);
}

TEST(WaveBackEnd, WithoutADeviceTheWorkerStillRunsAndStops) {
  Machine m;
  SoundLayer& sound = *m.Sound;
  SetSoundDevices(sound, {});
  SoundStart(sound, nullptr, 44100, 255);
  SoundSetFrequency(sound, 0, 440);
  SoundSetVolume(sound, 0, 255);
  SoundSetChannels(sound, 1);
  SoundStop(sound);
  SoundStart(sound, nullptr, 44100, 255);
  SoundStop(sound);
}
