// A short tune on all five channels, measured as a listener's tools would,
// and the voice's state copied mid-frame as a snapshot does: the copy must
// continue sample for sample.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#include "voice/VoiceSignal.h"

namespace {

constexpr int kRate = 48000;
constexpr int kFrames = 120;

// Chords of melody (pulse 1), harmony (pulse 2) and bass (triangle) by
// period, one every 30 frames; a noise hit every 8 frames and a looping
// sample underneath.
struct Chord {
  int Melody, Harmony, Bass;
};
constexpr Chord kChords[4] = {{253, 169, 507}, {225, 189, 451}, {213, 142, 427}, {253, 169, 507}};

std::vector<ApuWrite> TuneFrame(int frame) {
  std::vector<ApuWrite> w;
  auto put = [&](uint32_t cycle, uint16_t address, int value) {
    w.push_back({cycle, address, static_cast<uint8_t>(value)});
  };
  if (frame == 0) {
    put(0, 0x4015, 0x1F);
    put(0, 0x4000, 0xBA);  // 50 %, held, volume 10
    put(0, 0x4004, 0x78);  // 25 %, held, volume 8
    put(0, 0x4008, 0xFF);
    put(0, 0x4010, 0x4E);  // looping, 72 cycles a bit
    put(0, 0x4012, 0x00);
    put(0, 0x4013, 0x02);
  }
  if (frame % 30 == 0) {
    const Chord& c = kChords[frame / 30];
    put(100, 0x4002, c.Melody & 0xFF);
    put(104, 0x4003, c.Melody >> 8 | 0x08);
    put(200, 0x4006, c.Harmony & 0xFF);
    put(204, 0x4007, c.Harmony >> 8 | 0x08);
    put(300, 0x400A, c.Bass & 0xFF);
    put(304, 0x400B, c.Bass >> 8 | 0x08);
  }
  if (frame % 8 == 0) {
    put(5000, 0x400C, 0x02);  // decaying hit
    put(5004, 0x400E, frame % 16 == 0 ? 0x0A : 0x03);
    put(5008, 0x400F, 0x08);
  }
  if (frame == 60) put(15000, 0x4011, 0x40);  // a direct load mid-frame
  return w;
}

// The sample: a soft ramp of ones and zeros.
VoiceMemory TuneMemory() {
  VoiceMemory m;
  m.Read = [](const void*, uint16_t address) -> uint8_t { return (address & 4) ? 0xF7 : 0x10; };
  return m;
}

TEST(VoiceTuneTest, TheTuneSoundsItsChordsUnclipped) {
  VoiceRender r;
  r.Memory = TuneMemory();
  for (int f = 0; f < kFrames; ++f) r.Run(TuneFrame(f));
  int peak = 0;
  for (int16_t s : r.Out) peak = std::max(peak, std::abs(int{s}));
  EXPECT_LT(peak, 32767);
  EXPECT_GT(peak, 20000);
  // Every channel near its loudest, and yet the limiter only rounds off a
  // few peaks (game music, quieter, gives it a tenth of this).
  EXPECT_LT(LimitedShare(r.Tail(0)), 0.005);

  // Each chord's three notes stand far above the rest of the spectrum (the
  // noise and sample channels included).
  for (int chord = 0; chord < 3; ++chord) {
    const size_t from = static_cast<size_t>((chord * 30 + 5) * kRate / 60.0988);
    std::vector<double> stretch(r.Out.begin() + from, r.Out.begin() + from + 16384);
    std::vector<double> power = PowerSpectrum(stretch);
    std::vector<double> sorted = power;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    const double median = sorted[sorted.size() / 2];
    const double binHz = kRate / (2.0 * (power.size() - 1));
    const Chord& c = kChords[chord];
    for (double hz : {kNtscCpuHz / (16.0 * (c.Melody + 1)), kNtscCpuHz / (16.0 * (c.Harmony + 1)),
                      kNtscCpuHz / (32.0 * (c.Bass + 1))}) {
      SCOPED_TRACE(testing::Message() << "chord " << chord << " note " << hz << " Hz");
      size_t low = static_cast<size_t>(hz * 0.97 / binHz), high = static_cast<size_t>(hz * 1.03 / binHz);
      size_t best = static_cast<size_t>(std::max_element(power.begin() + low, power.begin() + high + 1) -
                                        power.begin());
      EXPECT_NEAR(best * binHz, hz, 1.5 * binHz);
      EXPECT_GT(power[best], 1000 * median);
    }
  }
}

TEST(VoiceTuneTest, AStateCopiedMidFrameContinuesSampleForSample) {
  VoiceRender original;
  original.Memory = TuneMemory();
  for (int f = 0; f < 60; ++f) original.Run(TuneFrame(f));

  // Frame 60 up to its middle, then the copy, taken as bytes.
  std::vector<ApuWrite> frame = TuneFrame(60);
  auto middle =
      std::partition_point(frame.begin(), frame.end(), [](const ApuWrite& w) { return w.Cycle < 10000; });
  for (auto w = frame.begin(); w != middle; ++w)
    VoiceWrite(original.Voice, w->Cycle, w->Address, w->Value, original.Memory);
  VoiceRunTo(original.Voice, 10000, original.Memory);
  std::vector<uint8_t> bytes(sizeof(ConsoleVoice));
  std::memcpy(bytes.data(), &original.Voice, bytes.size());

  VoiceRender copy;
  copy.Memory = original.Memory;
  std::memcpy(&copy.Voice, bytes.data(), bytes.size());
  for (VoiceRender* r : {&original, &copy}) {
    r->Out.clear();
    r->Run(std::vector<ApuWrite>(middle, frame.end()));
    for (int f = 61; f < kFrames; ++f) r->Run(TuneFrame(f));
  }
  ASSERT_GT(RootMeanSquare(original.Tail(0)), 1000);
  EXPECT_EQ(original.Out, copy.Out);
}

// A chip read back from a snapshot runs only when every field that indexes
// a table or a buffer is in range and every level is a number.
TEST(VoiceTuneTest, OnlyAPlausibleStateIsTakenBack) {
  VoiceRender playing;
  playing.Memory = TuneMemory();
  for (int f = 0; f < 60; ++f) playing.Run(TuneFrame(f));
  ASSERT_TRUE(VoicePlausible(playing.Voice));
  const std::vector<std::pair<const char*, void (*)(ConsoleVoice&)>> damages = {
      {"duty", [](ConsoleVoice& v) { v.Pulse[1].Duty = 4; }},
      {"pulse step", [](ConsoleVoice& v) { v.Pulse[0].Step = 8; }},
      {"pulse timer", [](ConsoleVoice& v) { v.Pulse[0].StepCycles = 1; }},
      {"triangle step", [](ConsoleVoice& v) { v.Triangle.Step = 32; }},
      {"noise period", [](ConsoleVoice& v) { v.Noise.PeriodIndex = 16; }},
      {"noise register", [](ConsoleVoice& v) { v.Noise.Shift = 0; }},
      {"sample rate", [](ConsoleVoice& v) { v.Sample.RateIndex = 200; }},
      {"sample level", [](ConsoleVoice& v) { v.Sample.Level = 128; }},
      {"sequencer step", [](ConsoleVoice& v) { v.Frame.Step = 9; }},
      {"ready count", [](ConsoleVoice& v) { v.ReadyCount = kStepRing + 1; }},
      {"step origin", [](ConsoleVoice& v) { v.Steps.Origin = -1; }},
      {"filter", [](ConsoleVoice& v) { v.Filters.Stage[1].PreviousOut = std::nan(""); }},
      {"pending", [](ConsoleVoice& v) { v.Steps.Pending[7] = std::numeric_limits<float>::infinity(); }},
      {"mixer level", [](ConsoleVoice& v) { v.Levels[2] = 31; }},
      {"pace trim", [](ConsoleVoice& v) { v.PaceTrim = std::nan(""); }},
  };
  for (const auto& [what, damage] : damages) {
    ConsoleVoice copy = playing.Voice;
    damage(copy);
    EXPECT_FALSE(VoicePlausible(copy)) << what;
  }
}

// The buffers are sized for the longest frame at the highest rate, stretched
// as far as the caller may steer: every sample of such a frame arrives, and a
// rate asked beyond the highest is held to it.
TEST(VoiceTuneTest, TheLongestFramesAtTheHighestRatesLoseNoSample) {
  struct Case {
    uint32_t Rate;
    double Ratio;
    uint32_t FrameCycles;
    double Samples;  // per frame
  };
  const Case cases[] = {{48000, 1.02, kVoiceMaxFrameCycles, 32768 * 48000 * 1.02 / kNtscCpuHz},
                        {96000, 1.02, kVoiceMaxFrameCycles, 32768 * 48000 * 1.02 / kNtscCpuHz},
                        {8000, 0.98, 29781, 29781 * 8000 * 0.98 / kNtscCpuHz},
                        {44100, 1.0, 29768, 29768 * 44100 / kNtscCpuHz}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Rate << " Hz x " << c.Ratio << ", " << c.FrameCycles << " cycles");
    ConsoleVoice v;
    VoiceInit(v, c.Rate);
    VoiceSetRatio(v, c.Ratio);
    VoiceMemory memory = TuneMemory();
    VoiceEndFrame(v, 1, memory);  // the ratio takes effect from the next frame
    int16_t buffer[kStepRing];
    VoiceTakeSamples(v, buffer, kStepRing);
    size_t taken = 0;
    for (int f = 0; f < 10; ++f) {
      VoiceRunFrame(v, f == 0 ? TuneFrame(0) : std::vector<ApuWrite>{}, c.FrameCycles, memory);
      taken += VoiceTakeSamples(v, buffer, kStepRing);
    }
    EXPECT_NEAR(static_cast<double>(taken), 10 * c.Samples, 1.0);
    EXPECT_EQ(v.Dropped, 0u);
  }
}

// The voice's buffers hold one frame of the engines' length; a longer one (a
// debugger holding the frame open) is finished in pieces as it runs, and
// sounds as the same time in frames of the usual length.
TEST(VoiceTuneTest, AFrameLongerThanTheBuffersSoundsAsUsualFrames) {
  VoiceRender frames;
  frames.Memory = TuneMemory();
  frames.Run(TuneFrame(0), 4);

  VoiceRender one;
  one.Memory = TuneMemory();
  for (const ApuWrite& w : TuneFrame(0)) VoiceWrite(one.Voice, w.Cycle, w.Address, w.Value, one.Memory);
  int16_t buffer[kStepRing];
  for (uint32_t cycle = 5000; cycle < 4 * kTestFrameCycles; cycle += 5000) {
    VoiceRunTo(one.Voice, cycle, one.Memory);
    size_t n = VoiceTakeSamples(one.Voice, buffer, kStepRing);
    one.Out.insert(one.Out.end(), buffer, buffer + n);
  }
  VoiceEndFrame(one.Voice, 4 * kTestFrameCycles, one.Memory);
  one.Out.insert(one.Out.end(), buffer, buffer + VoiceTakeSamples(one.Voice, buffer, kStepRing));

  ASSERT_EQ(one.Out.size(), frames.Out.size());
  ASSERT_GT(RootMeanSquare(frames.Tail(0)), 1000);
  EXPECT_EQ(one.Voice.Dropped, 0u);
  // Positions are reckoned from different origins, so rounding may differ
  // in the last bit.
  int worst = 0;
  for (size_t i = 0; i < one.Out.size(); ++i) worst = std::max(worst, std::abs(one.Out[i] - frames.Out[i]));
  EXPECT_LE(worst, 1);
}

}  // namespace
