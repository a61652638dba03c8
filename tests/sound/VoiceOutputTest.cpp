// The console voice as the player hears it: the chip joins a game already
// playing from the registers as they stand, its samples go to the PCM
// device each frame, and the device's fill paces it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

#include "cartridge/Lifecycle.h"
#include "sound/RecordingPcmOut.h"
#include "sound/Sound.h"
#include "sound/VoiceOutput.h"
#include "support/FrameBudgetHost.h"

namespace {

class SoundOnHost : public FrameBudgetHost {
 public:
  bool SoundEnabled() const override { return true; }
};

int Peak(const std::vector<int16_t>& samples, size_t from) {
  int peak = 0;
  for (size_t i = from; i < samples.size(); ++i) peak = std::max(peak, std::abs(int{samples[i]}));
  return peak;
}

TEST(VoiceOutput, SwitchingToTheConsoleVoiceMidGameIsHeardAtOnce) {
  SoundOnHost host;
  Machine m;
  m.host = &host;
  host.machine = &m;
  auto samples = std::make_shared<std::vector<int16_t>>();
  SoundDeviceFactory devices;
  devices.pcm = [samples] { return std::make_unique<RecordingPcmOut>(samples); };
  SetSoundDevices(*m.Sound, devices);
  ASSERT_TRUE(StartCartridge(m, VIREL_DEMO_ROM));

  // The MIDI voice plays: the chip stands aside and nothing reaches the device.
  host.budget = 120;
  RunOrContinue(m);
  EXPECT_TRUE(samples->empty());
  EXPECT_FALSE(m.ChipInStep);

  // Chosen mid-tune, the chip starts from the registers the program last
  // wrote, so the note already sounding is heard without waiting for the next.
  m.Voice = SoundVoice::Console;
  host.frames = 0;
  host.budget = 1;
  RunOrContinue(m);
  ASSERT_TRUE(m.ChipInStep);
  EXPECT_NEAR(static_cast<double>(samples->size()), kVoiceRate / 60.0988, 3);
  EXPECT_GT(Peak(*samples, samples->size() / 2), 1000);

  // The channel switches and the volume slider silence it as they do the
  // notes (the filters' last swing dies away within a few frames), and a
  // channel switched back on is heard again at once. Peaks of 30 frames and
  // of their second half:
  const auto run30 = [&] {
    host.frames = 0;
    host.budget = 30;
    const size_t from = samples->size();
    RunOrContinue(m);
    const size_t half = from + (samples->size() - from) / 2;
    return std::pair{Peak(*samples, from), Peak(*samples, half)};
  };
  m.ChannelEnabled.fill(false);
  EXPECT_EQ(run30().second, 0) << "channel switches";
  m.ChannelEnabled.fill(true);
  EXPECT_GT(run30().first, 1000);
  m.SoundVolume = 0;
  EXPECT_EQ(run30().second, 0) << "volume";
  SoundStop(*m.Sound);
}

TEST(VoiceOutput, TheQueuesFillStepsThePaceByAtMostHalfAPercent) {
  const size_t target = kVoiceQueueTarget;
  struct Case {
    size_t queued;
    double ratio;
  };
  for (const Case& c : {Case{0, 1.005}, Case{target / 2, 1.0025}, Case{target, 1.0}, Case{target * 2, 0.995},
                        Case{target * 50, 0.995}}) {
    SCOPED_TRACE(c.queued);
    EXPECT_NEAR(VoicePaceRatio(c.queued), c.ratio, 1e-9);
  }
}

// The volume setting follows the MIDI voice's law, 12 dB down at half, so
// the two voices stay as loud as each other at every setting.
TEST(VoiceOutput, TheVolumeSettingScalesByTheMidiVoicesLaw) {
  for (const auto& [volume, gainDb] : {std::pair{255, 0.0}, {128, -12.0}, {64, -24.0}}) {
    int16_t sample = 20000;
    VoiceApplyVolume(&sample, 1, volume);
    EXPECT_NEAR(20 * std::log10(sample / 20000.0), gainDb, 0.1) << volume;
  }
  int16_t sample = -20000;
  VoiceApplyVolume(&sample, 1, 0);
  EXPECT_EQ(sample, 0);
  // At the top of the slider every sample passes untouched, extremes included.
  for (const int16_t loud : {int16_t{-32768}, int16_t{-1}, int16_t{1}, int16_t{12345}, int16_t{32767}}) {
    int16_t kept = loud;
    VoiceApplyVolume(&kept, 1, 255);
    EXPECT_EQ(kept, loud);
  }
}

// A device whose queue has run dry (the start, after a pause) gets the
// queue's aim of silence first, then the frame.
TEST(VoiceOutput, ADryQueueIsCushionedWithSilenceFirst) {
  SoundOnHost host;
  Machine m;
  m.host = &host;
  host.machine = &m;
  m.Voice = SoundVoice::Console;
  auto samples = std::make_shared<std::vector<int16_t>>();
  SoundDeviceFactory devices;
  devices.pcm = [samples] { return std::make_unique<RecordingPcmOut>(samples, 0); };
  SetSoundDevices(*m.Sound, devices);
  ASSERT_TRUE(StartCartridge(m, VIREL_DEMO_ROM));
  host.budget = 2;
  RunOrContinue(m);
  const size_t cushion = kVoiceQueueTarget;
  const size_t frame = static_cast<size_t>(kVoiceRate / 60.0988);
  ASSERT_NEAR(static_cast<double>(samples->size()), 2.0 * (cushion + frame), 4);
  EXPECT_EQ(Peak(std::vector<int16_t>(samples->begin(), samples->begin() + cushion), 0), 0);
  SoundStop(*m.Sound);
}

}  // namespace
