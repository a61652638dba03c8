// The console voice's pacing against a device whose clock is not the
// display's: the chip's frames arrive at 60.0988 Hz with jitter, the device
// takes its buffers at its own 48 kHz, and the queue between them (the live
// device's own) must neither run dry nor wander off its aim. Simulated time,
// so an hour of play takes seconds and every run is the same.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <random>
#include <vector>

#include "engine/classic/video/ScanlineHook.h"
#include "sound/VoiceOutput.h"
#include "sound/devices/SdlPcmOut.h"
#include "voice/ConsoleVoice.h"

namespace {

constexpr double kDisplayHz = 60.0988;
constexpr size_t kDeviceBuffer = 256;  // what the live device asks for at a time

// The live device's queue, played by a simulated clock instead of SDL's thread.
class SimulatedDevice final : public PcmOut {
 public:
  bool Open(int) override { return true; }
  void Queue(const int16_t* samples, size_t count) override { queue.Push(samples, count); }
  size_t Queued() const override { return queue.Queued(); }
  void Close() override {}
  PcmQueue queue;
};

// A steady A4 on pulse 1 (length counter halted), so a gap would be heard.
const std::vector<ApuWrite> kToneStart = {
    {0, 0x4015, 0x01}, {4, 0x4000, 0xB8}, {8, 0x4002, 0xFD}, {12, 0x4003, 0x00}};

// The chip, the pacing decision and the device, in simulated seconds.
struct PacedPlay {
  ConsoleVoice Voice;
  SimulatedDevice Device;
  VoiceMemory Memory;
  double Now = 0;  // the device's clock: when it asks for its next buffer
  double PullGap;  // seconds between its buffers
  std::vector<int16_t> Heard;
  size_t Underruns = 0;  // buffers the queue could not fill once the voice had begun
  bool Begun = false;
  int Frame = 0;

  explicit PacedPlay(double drift) : PullGap(kDeviceBuffer / (kVoiceRate * (1 + drift))) { VoiceInit(Voice); }

  // The device plays up to `until`; `keep` keeps what it played.
  void PlayUntil(double until, bool keep) {
    std::array<int16_t, kDeviceBuffer> buffer;
    for (; Now < until; Now += PullGap) {
      if (Device.queue.Pull(buffer.data(), buffer.size()) < buffer.size() && Begun) ++Underruns;
      if (keep) Heard.insert(Heard.end(), buffer.begin(), buffer.end());
    }
  }
  // One frame of the chip handed over as the engine's frame end does.
  void DeliverFrame() {
    VoiceRunFrame(Voice, Frame++ == 0 ? kToneStart : std::vector<ApuWrite>{}, kCyclesPerFrame, Memory);
    std::array<int16_t, kStepRing> samples;
    const size_t count = VoiceTakeSamples(Voice, samples.data(), samples.size());
    VoiceDeliver(Device, Voice, samples.data(), count);
    Begun = true;
  }
};

struct Range {
  double low = 1e300, high = -1e300;
  void Add(double x) { low = std::min(low, x), high = std::max(high, x); }
};

// An hour of frames (216,000), each arriving up to `jitterMs` late within its
// display period, against a device off the nominal rate by `drift`.
TEST(VoicePacing, AnHourAgainstADriftingDeviceNeverRunsDryAndHoldsItsAim) {
  struct Case {
    double drift;
    double jitterMs;
  };
  for (const Case& c : {Case{+0.001, 8}, Case{-0.001, 8}}) {
    SCOPED_TRACE(testing::Message() << "drift " << c.drift << ", jitter " << c.jitterMs << " ms");
    PacedPlay play(c.drift);
    // A silent chip makes the same samples per frame as a playing one, at a
    // smaller cost, which the sanitizer runs feel most.
    play.Frame = 1;
    std::mt19937 random(25);
    std::uniform_real_distribution<double> late(0, c.jitterMs / 1000);
    Range fill, ratio, settled, before;
    constexpr int kHour = 216000;
    for (int frame = 1; frame <= kHour; ++frame) {
      play.PlayUntil(frame / kDisplayHz + late(random), false);
      if (frame > 3600) before.Add(static_cast<double>(play.Device.Queued()));
      play.DeliverFrame();
      fill.Add(static_cast<double>(play.Device.Queued()));
      ratio.Add(play.Voice.Ratio);
      // Past the first minute the pace has taken up the drift.
      if (frame > 3600) settled.Add(static_cast<double>(play.Device.Queued()));
    }
    std::printf(
        "drift %+.1f %%, jitter %.0f ms: fill %.0f-%.0f samples (settled %.0f-%.0f, before a frame "
        "%.0f-%.0f), "
        "ratio %.5f-%.5f\n",
        c.drift * 100, c.jitterMs, fill.low, fill.high, settled.low, settled.high, before.low, before.high,
        ratio.low, ratio.high);
    EXPECT_EQ(play.Underruns, 0u);
    // Settled, even just before a frame at its latest more than 10 ms waits...
    EXPECT_GT(before.low, kVoiceRate / 100.0);
    // ...and the start's cushion and an early frame on top are the most.
    EXPECT_LT(fill.high, kVoiceQueueTarget + 2 * kVoiceRate / kDisplayHz);
    // Settled, the queue keeps to its aim whatever the drift, give or take
    // the jitter: no standing offset, no slow wander toward either end.
    EXPECT_GT(settled.low, kVoiceQueueTarget * 0.7);
    EXPECT_LT(settled.high, kVoiceQueueTarget * 1.3);
    EXPECT_GE(ratio.low, 0.995);
    EXPECT_LE(ratio.high, 1.005);
    EXPECT_EQ(play.Voice.Dropped, 0u);
  }
}

// A pause (or a dialog, or the debugger) stops the frames while the device
// plays on: it hears the queue out, a short fade and then silence, never the
// last buffer again; when frames come back the queue is at its aim at once
// and the tone rises from silence instead of jumping to its level.
TEST(VoicePacing, APauseFadesToSilenceAndTheReturnRisesFromIt) {
  PacedPlay play(0);
  const auto playFrames = [&](int frames) {
    for (int i = 0; i < frames; ++i) {
      play.PlayUntil((play.Frame + 1) / kDisplayHz, true);
      play.DeliverFrame();
    }
  };
  const auto largestJump = [&](size_t from, size_t to) {
    int jump = 0;
    for (size_t i = from + 1; i < to; ++i) jump = std::max(jump, std::abs(play.Heard[i] - play.Heard[i - 1]));
    return jump;
  };
  playFrames(120);
  const size_t pauseAt = play.Heard.size();
  const int toneJump = largestJump(pauseAt / 2, pauseAt);
  ASSERT_GT(toneJump, 1000);

  // Two seconds of pause: the device keeps asking and is never refused.
  const size_t queuedAtPause = play.Device.Queued();
  const size_t underrunsBefore = play.Underruns;
  play.PlayUntil(play.Now + 2.0, true);
  EXPECT_GT(play.Underruns, underrunsBefore);  // it ran dry, as it must
  const size_t dryAt = pauseAt + queuedAtPause;
  ASSERT_LT(dryAt + PcmQueue::kFadeSamples, play.Heard.size());
  EXPECT_LT(largestJump(dryAt - 1, dryAt + PcmQueue::kFadeSamples + 1), toneJump / 8);
  for (size_t i = dryAt + PcmQueue::kFadeSamples; i < play.Heard.size(); ++i)
    ASSERT_EQ(play.Heard[i], 0) << "sample " << i - dryAt << " after the queue ran dry";

  // Frames again: the first one finds the queue dry and fills it to its aim.
  const size_t resumeAt = play.Heard.size();
  play.Frame = static_cast<int>(play.Now * kDisplayHz);
  play.DeliverFrame();
  EXPECT_GE(play.Device.Queued(), kVoiceQueueTarget);
  EXPECT_LT(play.Device.Queued(), kVoiceQueueTarget * 1.5);
  const size_t underrunsAfter = play.Underruns;
  playFrames(60);
  EXPECT_EQ(play.Underruns, underrunsAfter);
  // The cushion's silence, then a rise over the first milliseconds.
  const auto sound = std::find_if(play.Heard.begin() + static_cast<ptrdiff_t>(resumeAt), play.Heard.end(),
                                  [](int16_t s) { return s != 0; });
  ASSERT_NE(sound, play.Heard.end());
  const size_t riseAt = static_cast<size_t>(sound - play.Heard.begin());
  EXPECT_GE(riseAt - resumeAt, kVoiceQueueTarget);
  EXPECT_LT(largestJump(riseAt - 1, riseAt + kVoiceFadeIn / 4), toneJump / 3);
  EXPECT_GT(largestJump(riseAt + kVoiceFadeIn, riseAt + 4 * kVoiceFadeIn), toneJump / 2);
}

}  // namespace
