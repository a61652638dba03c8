// The runner's sound options on the demo cartridge: the MIDI log follows the
// demo's tune, and the rendered WAV is loud and sounds the tune's pitches at
// the moments the log gives.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <sstream>

#include "sound/devices/OfflineRender.h"
#include "support/AudioAnalysis.h"
#include "support/ScratchFolder.h"

namespace {

int RunVirel(const ScratchFolder& cwd, const std::string& args) {
  const std::string command = "cd '" + cwd.path().string() + "' && '" VIREL_RUN_EXE "' " + args + " >'" +
                              cwd.file("out.txt") + "' 2>'" + cwd.file("err.txt") + "'";
  const int raw = std::system(command.c_str());
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

struct LoggedNote {
  long frame;
  int note;
};

// The note-ons of one MIDI channel in a --midi-log file.
std::vector<LoggedNote> NoteOns(const std::string& path, int channel) {
  const std::vector<uint8_t> bytes = ReadAll(path);
  std::stringstream lines(std::string(bytes.begin(), bytes.end()));
  std::vector<LoggedNote> notes;
  for (std::string line; std::getline(lines, line);) {
    std::stringstream words(line);
    long frame = 0;
    unsigned status = 0, note = 0;
    words >> frame >> std::hex >> status >> note;
    if (status == 0x90u + channel) notes.push_back({frame, static_cast<int>(note)});
  }
  return notes;
}

double MidiNoteHertz(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

// The demo's melody for its first 300 frames, as MIDI notes:
// E5 G5 C6 B5 C6 D6 C6 G5 E5 G5, F5 A5 C6 B5 A5 G5 E5 F5 G5 D5.
const std::vector<int> kMelody = {76, 79, 84, 83, 84, 86, 84, 79, 76, 79,
                                  77, 81, 84, 83, 81, 79, 76, 77, 79, 74};

}  // namespace

TEST(DemoAudio, TheRenderedRunIsLoudAndFollowsTheTune) {
  ScratchFolder dir;
  ASSERT_EQ(RunVirel(dir, "--frames 300 --audio demo.wav --midi-log demo.midi '" VIREL_DEMO_ROM "'"), 0);

  const std::vector<LoggedNote> melody = NoteOns(dir.file("demo.midi"), 0);
  std::vector<int> notes;
  for (const LoggedNote& n : melody) notes.push_back(n.note);
  EXPECT_EQ(notes, kMelody);
  EXPECT_FALSE(NoteOns(dir.file("demo.midi"), 2).empty());  // the bass on the triangle

  WavData wav;
  ASSERT_TRUE(ReadWav16(dir.file("demo.wav"), &wav));
  ASSERT_EQ(wav.channels, 2);
  ASSERT_EQ(wav.rate, 44100);
  const size_t length = static_cast<size_t>(std::llround(300 * 44100 / kConsoleFrameRate));
  ASSERT_EQ(wav.samples.size(), 2 * length);
  // Clearly above silence over the whole run, with the tune under way.
  EXPECT_GT(Rms(MonoStretch(wav.samples, 0, length)), 1000);

  // Each melody note, measured from one frame after its note-on for 4096
  // samples (under six frames; the shortest note lasts eight), sounds within
  // a semitone of the tune's pitch. The band keeps the bass below out; notes
  // that share their moment with the ship's chime on square 2 are left out.
  const std::vector<LoggedNote> chime = NoteOns(dir.file("demo.midi"), 1);
  int checked = 0;
  for (size_t i = 0; i < melody.size() && i < kMelody.size(); ++i) {
    const long f = melody[i].frame;
    if (std::any_of(chime.begin(), chime.end(),
                    [f](const LoggedNote& c) { return c.frame > f - 10 && c.frame < f + 8; }))
      continue;
    const size_t at = static_cast<size_t>(std::llround((f + 1) * 44100 / kConsoleFrameRate));
    const std::vector<double> stretch = MonoStretch(wav.samples, at, 4096);
    const double expected = MidiNoteHertz(kMelody[i]);
    const double measured = DominantFrequency(stretch, wav.rate, 500, 1500);
    EXPECT_LT(std::abs(SemitonesBetween(measured, expected)), 1.0)
        << "note " << i << " at frame " << f << ": " << measured << " Hz, tune " << expected;
    ++checked;
  }
  EXPECT_GE(checked, 10);  // 11 of the 20 are clear of the chime
}

TEST(DemoAudio, VolumeSetsTheLoudnessAndZeroIsSilence) {
  ScratchFolder dir;
  ASSERT_EQ(RunVirel(dir, "--frames 60 --volume 0 --audio quiet.wav '" VIREL_DEMO_ROM "'"), 0);
  ASSERT_EQ(RunVirel(dir, "--frames 60 --volume 40 --audio soft.wav '" VIREL_DEMO_ROM "'"), 0);
  ASSERT_EQ(RunVirel(dir, "--frames 60 --audio loud.wav '" VIREL_DEMO_ROM "'"), 0);
  WavData quiet, soft, loud;
  ASSERT_TRUE(ReadWav16(dir.file("quiet.wav"), &quiet));
  ASSERT_TRUE(ReadWav16(dir.file("soft.wav"), &soft));
  ASSERT_TRUE(ReadWav16(dir.file("loud.wav"), &loud));
  const size_t length = loud.samples.size() / 2;
  EXPECT_LT(Rms(MonoStretch(quiet.samples, 0, length)), 2);
  EXPECT_GT(Rms(MonoStretch(soft.samples, 0, length)), 2);
  EXPECT_GT(Rms(MonoStretch(loud.samples, 0, length)), 2 * Rms(MonoStretch(soft.samples, 0, length)));

  EXPECT_EQ(RunVirel(dir, "--volume 256 '" VIREL_DEMO_ROM "'"), 2);
  EXPECT_EQ(RunVirel(dir, "--audio missing/x.wav --frames 10 '" VIREL_DEMO_ROM "'"), 1);
}
