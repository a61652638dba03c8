// The mixer cartridges, judged by ear on the console and here by measure:
// each beeps, plays a sound whose inverse the sample channel's DAC plays at
// the same time, and beeps again. Rendered through the console engine and
// the console voice, the test sound must cancel to near silence between
// the beeps, and the noise cartridge's hiss must fade in and out with no
// tone left in it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "sound/VoiceOutput.h"
#include "support/AudioAnalysis.h"
#include "support/TestCartridges.h"

namespace {

// Every sound in these cartridges, the beeps included, repeats every 1,792
// processor cycles: a residue of the cancelled sound is heard at this pitch.
constexpr double kToneHz = 1789773.0 / 1792;
// The test sound lasts at least this many 100 ms windows in every cartridge.
constexpr size_t kLeastBetween = 40;

struct MixerRow {
  const char* Path;
  long Frames;
  double MostTone;   // the tone between the beeps, as a share of the beeps' tone
  double MostLevel;  // the whole level between the beeps, as a share of theirs; 0 for the noise, which fades
};

void PrintTo(const MixerRow& row, std::ostream* out) { *out << row.Path; }

class MixerCartridge : public testing::TestWithParam<MixerRow> {};

TEST_P(MixerCartridge, CancelsItsSoundBetweenTheBeeps) {
  const MixerRow& row = GetParam();
  const std::string path = TestRomPath(row.Path);
  if (path.empty()) GTEST_SKIP() << "The public test cartridges are not here (" << VIREL_TESTROM_DIR << ")";
  const std::vector<int16_t> samples = RenderTestCartridgeVoice(path, "console", row.Frames);
  // The tone's level and the whole level in 100 ms windows.
  const size_t window = kVoiceRate / 10;
  std::vector<double> tone, level;
  for (size_t at = 0; at + window <= samples.size(); at += window) {
    const std::vector<double> stretch(samples.begin() + at, samples.begin() + at + window);
    tone.push_back(ToneLevel(stretch, kVoiceRate, kToneHz));
    level.push_back(Rms(stretch));
  }
  ASSERT_FALSE(tone.empty());
  // The beeps are the windows where the tone is at least half its loudest
  // (the result's own beeps after them are lower); between them lie the
  // test sound and the silences either side of it, less the window on each
  // side that a beep starts or ends in.
  const double beepTone = *std::max_element(tone.begin(), tone.end());
  std::vector<size_t> beep;
  for (size_t i = 0; i < tone.size(); ++i)
    if (tone[i] >= beepTone / 2) beep.push_back(i);
  size_t first = 0;
  while (first + 1 < beep.size() && beep[first + 1] == beep[first] + 1) ++first;
  ASSERT_LT(first + 1, beep.size()) << "one beep only: the test sound was as loud as a beep";
  const size_t from = beep[first] + 2, to = beep[first + 1] - 1;
  ASSERT_GE(to - from, kLeastBetween) << "the second beep came too soon";
  const double beepLevel = level[beep[first]];

  const auto loudest = [&](const std::vector<double>& v) {
    return *std::max_element(v.begin() + from, v.begin() + to);
  };
  EXPECT_LE(loudest(tone), row.MostTone * beepTone) << "a tone is left between the beeps";
  if (row.MostLevel > 0) {
    EXPECT_LE(loudest(level), row.MostLevel * beepLevel);
  } else {
    // The hiss swells as the sample channel lets it through, then fades
    // with the noise's volume to nothing.
    const auto peak = std::max_element(level.begin() + from, level.begin() + to);
    const double start = level[from + 3], end = level[to - 3];
    EXPECT_GE(*peak, 1.5 * start);
    EXPECT_LE(end, *peak / 4);
  }
}

// The noise cartridge cancels the noise's mean with a sample level rounded
// to a whole step, a residue the others do not have.
INSTANTIATE_TEST_SUITE_P(Mixer, MixerCartridge,
                         testing::Values(MixerRow{"apu_mixer/dmc.nes", 760, 0.025, 0.05},
                                         MixerRow{"apu_mixer/square.nes", 1000, 0.025, 0.05},
                                         MixerRow{"apu_mixer/triangle.nes", 640, 0.025, 0.05},
                                         MixerRow{"apu_mixer/noise.nes", 1200, 0.045, 0}),
                         [](const testing::TestParamInfo<MixerRow>& info) {
                           return std::filesystem::path(info.param.Path).stem().string();
                         });

}  // namespace
