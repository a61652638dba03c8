// The tone channels as heard: pitch and duty of the pulses, pitch of the
// triangle, the triangle parked at an ultrasonic period, the noise
// channel's two modes, and how far a high note's aliases stay below it.
#include <gtest/gtest.h>

#include <cmath>

#include "voice/VoiceSignal.h"

namespace {

constexpr int kRate = 48000;

// A held note: constant volume 15, length counter halted.
std::vector<ApuWrite> PulseNote(int duty, int period) {
  return {{0, 0x4015, 0x01},
          {0, 0x4000, static_cast<uint8_t>(duty << 6 | 0x3F)},
          {0, 0x4002, static_cast<uint8_t>(period & 0xFF)},
          {0, 0x4003, static_cast<uint8_t>(period >> 8)}};
}

std::vector<ApuWrite> TriangleNote(int period) {
  return {{0, 0x4015, 0x04},
          {0, 0x4008, 0xFF},
          {0, 0x400A, static_cast<uint8_t>(period & 0xFF)},
          {0, 0x400B, static_cast<uint8_t>(period >> 8)}};
}

TEST(VoiceToneTest, PulsePitchAndDutyFollowThePeriodAndTheDutyTable) {
  const double shares[4] = {0.125, 0.25, 0.5, 0.75};
  for (int period : {30, 60, 100, 253}) {
    for (int duty = 0; duty < 4; ++duty) {
      VoiceRender r;
      r.Run(PulseNote(duty, period), 60);
      std::vector<double> s = r.Tail(kRate / 10);  // past the filters' settling
      double expected = kNtscCpuHz / (16.0 * (period + 1));
      SCOPED_TRACE(testing::Message() << "period " << period << " duty " << duty);
      EXPECT_NEAR(CrossingFrequency(s, kRate), expected, expected * 0.001);
      // Edges blur the levels of the shortest periods and the high-pass
      // filters tilt the longest; in between the levels give the duty.
      if (period == 60 || period == 100) {
        EXPECT_NEAR(DutyFromLevels(s), shares[duty], 0.03);
      }
    }
  }
}

TEST(VoiceToneTest, TrianglePitchFollowsThePeriod) {
  for (int period : {30, 100, 200, 700}) {
    VoiceRender r;
    r.Run(TriangleNote(period), 60);
    double expected = kNtscCpuHz / (32.0 * (period + 1));
    SCOPED_TRACE(period);
    EXPECT_NEAR(CrossingFrequency(r.Tail(kRate / 10), kRate), expected, expected * 0.001);
  }
}

TEST(VoiceToneTest, TriangleParkedAtAnUltrasonicPeriodFallsQuietWithoutAClick) {
  for (int period : {0, 1}) {
    VoiceRender r;
    r.Run(TriangleNote(100), 30);
    double playing = RootMeanSquare(r.Tail(r.Out.size() - kRate / 10));
    size_t parked = r.Out.size();
    r.Run({{0, 0x400A, static_cast<uint8_t>(period)}, {0, 0x400B, 0}}, 30);
    std::vector<double> after = r.Tail(parked);
    double peak = 0;
    for (double x : after) peak = std::max(peak, std::abs(x));
    SCOPED_TRACE(period);
    // One step to the mean level, never more than the tone's own swing, and
    // nothing sustained after it.
    EXPECT_LT(peak, playing * 1.5);
    EXPECT_LT(RootMeanSquare(std::vector<double>(after.begin() + kRate / 10, after.end())), playing * 0.01);
  }
}

// How much of the noise's power lies on the harmonics of the short mode's
// 93-step loop at the given period.
double ShareOnLoopHarmonics(bool shortMode, int periodIndex) {
  VoiceRender r;
  r.Run({{0, 0x4015, 0x08},
         {0, 0x400C, 0x3F},
         {0, 0x400E, static_cast<uint8_t>((shortMode ? 0x80 : 0) | periodIndex)},
         {0, 0x400F, 0}},
        60);
  std::vector<double> power = PowerSpectrum(r.Tail(kRate / 10));
  double binHz = kRate / (2.0 * (power.size() - 1));
  double loopHz = kNtscCpuHz / (93.0 * kNoisePeriodTable[periodIndex]);
  double total = 0, onLines = 0;
  for (size_t k = 1; k < power.size(); ++k) {
    total += power[k];
    double harmonic = k * binHz / loopHz;
    if (std::abs(harmonic - std::round(harmonic)) * loopHz <= 2 * binHz) onLines += power[k];
  }
  return onLines / total;
}

TEST(VoiceToneTest, ShortNoiseIsA93StepToneAndLongNoiseIsBroadband) {
  struct Case {
    bool ShortMode;
    int PeriodIndex;
    double AtLeast, AtMost;
  };
  const Case cases[] = {{true, 8, 0.95, 1.0},
                        {true, 11, 0.95, 1.0},
                        {false, 8, 0.0, 0.2},
                        {false, 11, 0.0, 0.2},
                        // The fastest periods change several times an output sample: the
                        // loop's tone keeps its partials clean, the hiss (averaged over each
                        // sample) stays broadband.
                        {true, 0, 0.95, 1.0},
                        {true, 3, 0.95, 1.0},
                        {false, 0, 0.0, 0.2},
                        {false, 3, 0.0, 0.2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.ShortMode ? "short" : "long") << " index " << c.PeriodIndex);
    double share = ShareOnLoopHarmonics(c.ShortMode, c.PeriodIndex);
    EXPECT_GE(share, c.AtLeast);
    EXPECT_LE(share, c.AtMost);
  }
}

TEST(VoiceToneTest, AHighPulseKeepsItsAliases60DbBelowTheTone) {
  for (int duty : {1, 2}) {
    VoiceRender r;
    r.Run(PulseNote(duty, 8), 60);  // 12,429 Hz
    std::vector<double> power = PowerSpectrum(r.Tail(kRate / 10));
    double binHz = kRate / (2.0 * (power.size() - 1));
    size_t tone = static_cast<size_t>(std::round(kNtscCpuHz / (16.0 * 9) / binHz));
    double tonePower = 0, worst = 0;
    for (size_t k = tone - 4; k <= tone + 4; ++k) tonePower += power[k];
    // Every other bin of the audible band holds only what folded back.
    for (size_t k = static_cast<size_t>(20 / binHz); k < 20000 / binHz; ++k)
      if (k + 8 < tone || k > tone + 8) worst = std::max(worst, power[k]);
    SCOPED_TRACE(duty);
    EXPECT_LT(10 * std::log10(worst / tonePower), -60.0);
  }
}

}  // namespace
