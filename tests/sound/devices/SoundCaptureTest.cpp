// The runner's capture: the MIDI log's lines and the rendered WAV file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "core/Machine.h"
#include "sound/Sound.h"
#include "sound/devices/SoundCapture.h"
#include "sound/devices/WavFile.h"
#include "support/AudioAnalysis.h"
#include "support/ScratchFolder.h"

namespace {

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace

TEST(SoundCapture, WritesTheLogAndRendersTheRun) {
  ScratchFolder scratch;
  SoundCapture capture(scratch.file("run.midi"), scratch.file("run.wav"));
  ASSERT_TRUE(capture.Active());
  int64_t frame = 0;
  Machine m;
  SoundLayer& sound = *m.Sound;
  capture.Install(sound, [&frame] { return frame; });
  SoundStart(sound, nullptr, 22, 255);
  frame = 3;
  SoundSetFrequency(sound, 2, 220);
  SoundSetVolume(sound, 2, 255);
  frame = 60;
  SoundSetVolume(sound, 2, 0);
  SoundStop(sound);
  SetSoundDevices(sound, {});

  std::string error;
  ASSERT_TRUE(capture.Finish(90, &error)) << error;
  EXPECT_THAT(Lines(scratch.file("run.midi")),
              ::testing::ElementsAre("0 C0 50", "0 C1 50", "0 C2 50", "0 C3 50", "3 B2 07 7F", "3 E2 00 40",
                                     "3 92 39 7F", "60 82 39 7F"));
  WavData wav;
  ASSERT_TRUE(ReadWav16(scratch.file("run.wav"), &wav));
  EXPECT_EQ(wav.channels, 2);
  EXPECT_EQ(wav.rate, 44100);
  EXPECT_EQ(wav.samples.size(), 2u * 66041);  // 90 frames at 60.0988 a second
  const std::vector<double> held = MonoStretch(wav.samples, 10000, 16384);
  EXPECT_GT(Rms(held), 300);
  EXPECT_NEAR(DominantFrequency(held, wav.rate), 220, 220 * 0.03);
  EXPECT_LT(Rms(MonoStretch(wav.samples, 60000, 4096)), 30);
}

TEST(SoundCapture, AnUnwritableFileIsReportedAndLeavesNothingBehind) {
  ScratchFolder scratch;
  SoundCapture capture(scratch.file("missing/run.midi"), "");
  Machine m;
  capture.Install(*m.Sound, [] { return int64_t{0}; });
  std::string error;
  EXPECT_FALSE(capture.Finish(10, &error));
  EXPECT_NE(error.find("run.midi"), std::string::npos);

  EXPECT_FALSE(WriteWav16(scratch.file("missing/a.wav"), {1, 2}, 2, 44100, &error));
  EXPECT_NE(error.find("a.wav"), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_empty(scratch.path()));
  EXPECT_FALSE(SoundCapture("", "").Active());
}
