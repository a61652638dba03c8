// The General MIDI synthesiser rendering what the device layer sends: held
// notes come out at their pitch, bends move them, silence is silent.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "sound/Sound.h"
#include "sound/SoundChannels.h"
#include "sound/devices/OfflineRender.h"
#include "sound/devices/Synthesiser.h"
#include "support/AudioAnalysis.h"
#include "support/MidiTestSupport.h"
#include "support/TestMachine.h"

namespace {

constexpr int kRate = Synthesiser::kSampleRate;

// Records the layer on a frame clock the test advances.
class RenderTest : public ::testing::Test {
 protected:
  TestMachine t;
  SoundLayer& sound = *t.m.Sound;
  std::shared_ptr<MidiRecording> recording = std::make_shared<MidiRecording>();
  int64_t frame = 0;

  void SetUp() override {
    recording->clock = [this] { return frame; };
    SetSoundDevices(sound, RecordingMidiFactory(recording));
    SoundStart(sound, nullptr, 22, 255);
  }
  void TearDown() override {
    SoundStop(sound);
    SetSoundDevices(sound, {});
  }
  std::vector<int16_t> Render(int64_t frames) {
    std::string error;
    std::vector<int16_t> samples = RenderMidi(recording->events, frames, &error);
    EXPECT_EQ(error, "");
    return samples;
  }
  // Sample frame at which console frame f starts.
  static size_t At(double frames) {
    return static_cast<size_t>(std::llround(frames * kRate / kConsoleFrameRate));
  }
};

}  // namespace

TEST_F(RenderTest, HeldNotesSoundAtTheirPitch) {
  // One note after another on the square lead, each held for a second, with
  // the frequencies the channel model produces for these periods.
  const int periods[] = {253, 507, 126, 1015, 84};
  for (int period : periods) {
    SoundSetFrequency(sound, 0, 111860 / (period + 1));
    SoundSetVolume(sound, 0, 255);
    frame += 60;
  }
  SoundSetVolume(sound, 0, 0);
  const std::vector<int16_t> samples = Render(frame);
  ASSERT_EQ(samples.size(), 2 * At(frame));
  for (size_t i = 0; i < std::size(periods); ++i) {
    const double expected = 111860.0 / (periods[i] + 1);
    // Skip the attack: measure from a fifth of a second into the note.
    const std::vector<double> mono = MonoStretch(samples, At(60.0 * i + 12), 32768);
    EXPECT_GT(Rms(mono), 300) << expected;
    const double measured = DominantFrequency(mono, kRate);
    EXPECT_LT(std::abs(SemitonesBetween(measured, expected)), 1.0) << expected << " Hz measured " << measured;
  }
}

TEST_F(RenderTest, ABendWithinTheNoteRaisesThePitchWithoutANewNote) {
  // 440 Hz then 450 Hz: the same note 69 with a higher bend. The table's bend
  // units are finer than the synthesiser's default range, so the rise heard is
  // small; it is a glide on the held note, not a new attack.
  SoundSetFrequency(sound, 1, 440);
  SoundSetVolume(sound, 1, 255);
  frame += 60;
  SoundSetFrequency(sound, 1, 450);
  ASSERT_EQ(recording->events.back().message, Bend(1, NoteFor(450).bend));
  frame += 60;
  const std::vector<int16_t> samples = Render(frame);
  const double before = DominantFrequency(MonoStretch(samples, At(20), 32768), kRate);
  const double after = DominantFrequency(MonoStretch(samples, At(75), 32768), kRate);
  EXPECT_LT(std::abs(SemitonesBetween(before, 440)), 1.0) << before;
  EXPECT_LT(std::abs(SemitonesBetween(after, 450)), 1.0) << after;
  EXPECT_GT(after, before + 0.5) << before << " " << after;
  EXPECT_GT(Rms(MonoStretch(samples, At(75), 4096)), 300);
}

TEST_F(RenderTest, ChannelModelTuneThroughTheRegisters) {
  // The processor's own writes: square 1 plays A4 then E5, and $4015 = 0 ends it.
  t.m.SoundVolume = 255;
  SoundRegisterWrite(t.m, 0x4002, 253 & 0xFF);
  SoundRegisterWrite(t.m, 0x4003, 0xF8 | (253 >> 8));
  frame += 40;
  SoundRegisterWrite(t.m, 0x4002, 169);  // 111860 / 170 = 658 Hz
  frame += 40;
  SoundRegisterWrite(t.m, 0x4015, 0);
  frame += 40;
  const std::vector<int16_t> samples = Render(frame);
  EXPECT_NEAR(DominantFrequency(MonoStretch(samples, At(8), 16384), kRate), 440, 440 * 0.03);
  EXPECT_NEAR(DominantFrequency(MonoStretch(samples, At(48), 16384), kRate), 658, 658 * 0.03);
  // Released and faded well before the end.
  EXPECT_LT(Rms(MonoStretch(samples, At(110), 4096)), 30);
  EXPECT_GT(Rms(MonoStretch(samples, At(20), 4096)), 300);
}

TEST_F(RenderTest, NothingSentRendersSilence) {
  const std::vector<int16_t> samples = Render(30);
  EXPECT_EQ(samples.size(), 2 * At(30));
  EXPECT_LT(Rms(MonoStretch(samples, 0, At(30))), 2);  // the synthesiser's dither alone
}

TEST(SoundFont, TheEnvironmentOverridesTheSystemFont) {
  const char* previous = std::getenv("VIREL_SOUNDFONT");
  const std::string saved = previous ? previous : "";
  unsetenv("VIREL_SOUNDFONT");
  const std::string system = FindSoundFont();
  EXPECT_TRUE(system.rfind("/usr/share/sounds/sf2/", 0) == 0) << system;
  EXPECT_TRUE(std::filesystem::is_regular_file(system));

  setenv("VIREL_SOUNDFONT", "/nonexistent/font.sf2", 1);
  EXPECT_EQ(FindSoundFont(), "/nonexistent/font.sf2");
  std::string error;
  EXPECT_EQ(Synthesiser::Create(&error), nullptr);
  EXPECT_NE(error.find("/nonexistent/font.sf2"), std::string::npos) << error;
  EXPECT_TRUE(RenderMidi({}, 10, &error).empty());

  if (previous) {
    setenv("VIREL_SOUNDFONT", saved.c_str(), 1);
  } else {
    unsetenv("VIREL_SOUNDFONT");
  }
}
