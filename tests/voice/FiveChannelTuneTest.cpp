// The project's five-channel test tune (tests/roms/five_channels.s) run by
// the engine and heard through both voices: the console voice must sound
// every channel's notes at their pitch and times, the MIDI voice must strike
// the notes its channel model makes of the same register writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "cartridge/Lifecycle.h"
#include "core/Engine.h"
#include "sound/RecordingMidiOut.h"
#include "sound/Sound.h"
#include "sound/SoundDevices.h"
#include "support/FrameBudgetHost.h"
#include "voice/VoiceSignal.h"

namespace {

constexpr int kRate = 48000;
constexpr int kStepFrames = 12;
constexpr int kSongFrames = 32 * kStepFrames;

struct Note {
  int Step;
  int Midi;  // the sounding pitch
};
// The tune's sequences, as the cartridge's header describes them.
constexpr Note kMelody[] = {{0, 76},  {2, 76},  {4, 77},  {6, 79},  {8, 79},  {10, 77}, {12, 76}, {14, 74},
                            {16, 72}, {18, 72}, {20, 74}, {22, 76}, {24, 76}, {27, 74}, {28, 74}};
constexpr Note kHarmony[] = {{0, 67}, {4, 72}, {8, 71}, {12, 67}, {16, 64}, {20, 69}, {24, 67}};
constexpr int kSweepStep = 28;  // B4 (71), falling away
constexpr Note kBass[] = {{0, 48},  {2, 43},  {4, 48},  {6, 43},  {8, 43},  {10, 50}, {12, 43}, {14, 50},
                          {16, 48}, {18, 43}, {20, 48}, {22, 52}, {24, 43}, {26, 50}, {28, 43}, {30, 47}};
// For the drums, the note the MIDI voice strikes (see the MIDI test).
constexpr Note kNoiseHits[] = {{2, 125},  {6, 125},  {10, 125}, {14, 125}, {18, 125},
                               {22, 125}, {26, 125}, {30, 80},  {31, 80}};
constexpr Note kKicks[] = {{0, 37}, {4, 37}, {8, 37}, {12, 37}, {16, 37}, {20, 37}, {24, 37}, {28, 37}};

double NoteHz(int midi) { return 440.0 * std::pow(2.0, (midi - 69) / 12.0); }

// Two and a bit loops of the tune through the engine with the MIDI voice
// recording. Run frame by frame, each frame's sound register writes are
// kept for the console voice; run in one piece, the MIDI recording is as a
// player hears it (a run that stops silences every channel, as a pause does).
struct TunePlay {
  static constexpr long kFrames = 2 * kSongFrames + 40;
  BudgetMachine b;
  std::shared_ptr<MidiRecording> midi = std::make_shared<MidiRecording>();
  std::vector<std::vector<ApuWrite>> writes;
  uint32_t frameCycles = 0;

  explicit TunePlay(bool frameByFrame) {
    midi->clock = [this] { return b.host.frames; };
    SetSoundDevices(*b.m.Sound, RecordingMidiFactory(midi));
    EXPECT_TRUE(StartCartridge(b.m, std::string(VIREL_ROM_DIR) + "/five_channels.nes"));
    SoundStart(*b.m.Sound, nullptr, 22, 255);  // the MIDI back end
    frameCycles = b.m.engine->FrameCycles();
    for (long frame = 0; frame < kFrames; frame += frameByFrame ? 1 : kFrames) {
      RunFrames(b, frameByFrame ? 1 : kFrames);
      const auto w = b.m.engine->SoundWrites();
      writes.emplace_back(w.begin(), w.end());
    }
    SoundStop(*b.m.Sound);
  }
};

// The console voice's rendering of the writes with only the channels of
// `mask` switched on ($4015 bits), so one channel can be heard alone.
struct Heard {
  std::vector<double> out;
  std::vector<size_t> frameStart;
  long loop = 0;  // the frame the second loop of the tune starts in

  // Frames [from, to) of the second loop, counted from its step `step`.
  std::vector<double> Window(int step, int from, int to) const {
    const long f = loop + step * kStepFrames;
    return std::vector<double>(out.begin() + static_cast<std::ptrdiff_t>(frameStart[f + from]),
                               out.begin() + static_cast<std::ptrdiff_t>(frameStart[f + to]));
  }
};

Heard Hear(const TunePlay& t, uint8_t mask) {
  auto voice = std::make_unique<ConsoleVoice>();
  VoiceInit(*voice, kRate);
  const VoiceMemory memory = VoiceMemoryOf(t.b.m);
  Heard h;
  h.loop = -1;
  int16_t taken[kStepRing];
  for (size_t f = 0; f < t.writes.size(); ++f) {
    std::vector<ApuWrite> w = t.writes[f];
    for (ApuWrite& x : w) {
      if (x.Address == 0x4015) x.Value &= mask;
      // The first note of the melody starts the song.
      if (x.Address == 0x4003 && h.loop < 0) h.loop = static_cast<long>(f) + kSongFrames;
    }
    h.frameStart.push_back(h.out.size());
    VoiceRunFrame(*voice, w, t.frameCycles, memory);
    const size_t n = VoiceTakeSamples(*voice, taken, kStepRing);
    h.out.insert(h.out.end(), taken, taken + n);
  }
  h.frameStart.push_back(h.out.size());
  return h;
}

// The power within `bins` bins of `hz` in a PowerSpectrum.
double PowerNear(const std::vector<double>& power, double hz, int bins) {
  const long at = std::lround(hz * 2.0 * (power.size() - 1) / kRate);
  double sum = 0;
  for (long k = std::max(1L, at - bins); k <= std::min<long>(at + bins, power.size() - 1); ++k)
    sum += power[k];
  return sum;
}

// A pulse's duty by its second harmonic, which the envelope's decay does not
// blur: its amplitude over the fundamental's is |cos(pi d)| (none at 50 %,
// 0.71 at 25 %), as the console's output filters (high-pass at 90 and
// 440 Hz, low-pass at 14 kHz) tilt it at the note's frequency.
double ExpectedSecondHarmonic(double duty, double hz) {
  auto gain = [](double f) {
    return f / std::hypot(f, 90) * f / std::hypot(f, 440) / std::hypot(1.0, f / 14000);
  };
  return std::abs(std::cos(std::numbers::pi * duty)) * gain(2 * hz) / gain(hz);
}

TEST(FiveChannelTuneTest, TheConsoleVoicePlaysEveryChannelInTuneAndOnTime) {
  TunePlay t(true);
  const Heard mix = Hear(t, 0x1F);
  ASSERT_GT(mix.loop, 0);

  // The whole loop: loud enough, never clipped (the limiter bends only the
  // kick's rare peaks), and no step left silent.
  const std::vector<double> loop = mix.Window(0, 0, kSongFrames);
  const auto [low, high] = std::minmax_element(loop.begin(), loop.end());
  EXPECT_GT(RootMeanSquare(loop), 3600.0);
  EXPECT_LT(std::max(*high, -*low), 32767.0);
  EXPECT_LT(LimitedShare(loop), 0.001);
  for (int step = 0; step < 32; ++step)
    EXPECT_GT(RootMeanSquare(mix.Window(step, 0, kStepFrames)), 500.0) << step;

  // The tone channels alone: each note's pitch within 0.5 % of the
  // equal-tempered one, the pulses at their duties by the second harmonic.
  struct Voice {
    const char* Name;
    uint8_t Mask;
    const Note* Notes;
    size_t Count;
    int Frames;   // how long each note is measured
    double Duty;  // 0 for the triangle
  };
  const Voice voices[] = {{"pulse 1", 0x01, kMelody, std::size(kMelody), 6, 0.25},
                          {"pulse 2", 0x02, kHarmony, std::size(kHarmony), 8, 0.5},
                          {"triangle", 0x04, kBass, std::size(kBass), 8, 0}};
  for (const Voice& v : voices) {
    const Heard alone = Hear(t, v.Mask);
    for (size_t i = 0; i < v.Count; ++i) {
      SCOPED_TRACE(testing::Message() << v.Name << " step " << v.Notes[i].Step);
      const std::vector<double> note = alone.Window(v.Notes[i].Step, 1, 1 + v.Frames);
      EXPECT_NEAR(CrossingFrequency(note, kRate) / NoteHz(v.Notes[i].Midi), 1.0, 0.005);
      const std::vector<double> power = PowerSpectrum(note);
      const double hz = NoteHz(v.Notes[i].Midi),
                   second = std::sqrt(PowerNear(power, 2 * hz, 3) / PowerNear(power, hz, 3));
      if (v.Duty > 0) {
        EXPECT_NEAR(second, ExpectedSecondHarmonic(v.Duty, hz), 0.05);
      }
    }
    if (v.Mask == 0x02) {
      // The sweep: B4 falls a step at a time, then the overflowing period
      // mutes the channel for the rest of the loop.
      const double early = CrossingFrequency(alone.Window(kSweepStep, 1, 4), kRate);
      const double later = CrossingFrequency(alone.Window(kSweepStep, 8, 12), kRate);
      EXPECT_LT(early, NoteHz(71) * 0.98);
      EXPECT_LT(later, early * 0.6);
      EXPECT_LT(RootMeanSquare(alone.Window(kSweepStep, 38, 48)), 5.0);
    }
    if (v.Mask == 0x04) {
      // Staccato: the linear counter ends each bass note half-way.
      for (const Note& n : kBass)
        EXPECT_LT(RootMeanSquare(alone.Window(n.Step, 15, 23)),
                  RootMeanSquare(alone.Window(n.Step, 1, 9)) / 20)
            << n.Step;
    }
  }

  // The noise: every hit heard; the metallic hits are the short mode's
  // 93-step tone (period 128: 150.3 Hz), with nearly all their power on its
  // harmonics, the snares broadband. The kicks: a burst over within the
  // eight frames the sample's 369 bytes take.
  const Heard noise = Hear(t, 0x08), kick = Hear(t, 0x10);
  const double loopHz = 1789773.0 / (93 * 128);
  for (const auto& [step, midi] : kNoiseHits) {
    const std::vector<double> power = PowerSpectrum(noise.Window(step, 1, 12));
    double onLoop = 0;
    for (int h = 1; h * loopHz < kRate / 2; ++h) onLoop += PowerNear(power, h * loopHz, 2);
    EXPECT_GT(RootMeanSquare(noise.Window(step, 1, 3)), 1000.0) << step;
    EXPECT_NEAR(onLoop / PowerNear(power, kRate / 4, kRate), midi == 80 ? 1.0 : 0.15, 0.15) << step;
  }
  for (const auto& [step, midi] : kKicks) {
    EXPECT_GT(RootMeanSquare(kick.Window(step, 0, 8)), 300.0) << step;
    EXPECT_LT(RootMeanSquare(kick.Window(step, 9, 12)), 10.0) << step;
  }
}

TEST(FiveChannelTuneTest, TheMidiVoiceStrikesEachChannelsNotesOnItsOwnMidiChannel) {
  TunePlay t(false);
  // The notes each MIDI channel sounds, as (frame, note), and the program
  // changes. A period written low byte first is briefly the new low byte
  // with the old high one, so the model strikes a stray note and ends it in
  // the same frame: nothing is heard of it, and it is left out here.
  std::vector<std::pair<long, int>> on[16];
  std::vector<uint32_t> programs;
  for (const MidiEvent& e : t.midi->events) {
    if (e.kind != MidiEvent::Kind::Message) continue;
    const uint32_t status = e.message & 0xFF, channel = status & 0x0F;
    const int note = e.message >> 8 & 0x7F;
    const bool struck = (status & 0xF0) == 0x90 && (e.message >> 16 & 0x7F) != 0;
    if (struck) on[channel].emplace_back(e.frame, note);
    if (!struck && (status & 0xF0) <= 0x90 && !on[channel].empty() &&
        on[channel].back() == std::make_pair(long{e.frame}, note))
      on[channel].pop_back();
    if ((status & 0xF0) == 0xC0) programs.push_back(e.message & 0xFFFF);
  }
  // The square-wave lead (program 80) on the four tone channels; the sample
  // channel keeps the synthesiser's default.
  EXPECT_EQ(programs, (std::vector<uint32_t>{0x50C0, 0x50C1, 0x50C2, 0x50C3}));
  ASSERT_FALSE(on[0].empty());
  const long loop = on[0].front().first + kSongFrames;
  auto loopNotes = [&](int channel) {
    std::vector<std::pair<long, int>> notes;
    for (const auto& [frame, note] : on[channel])
      if (frame >= loop && frame < loop + kSongFrames) notes.emplace_back(frame - loop, note);
    return notes;
  };
  auto atSteps = [](const auto& notes, int octaves) {
    std::vector<std::pair<long, int>> v;
    for (const Note& n : notes) v.emplace_back(n.Step * kStepFrames, n.Midi + 12 * octaves);
    return v;
  };

  // The channel model holds a note for its length counter (16 frames on the
  // pulses and, at the tune's length index, the triangle), so the D5 struck
  // at step 27 is still sounding when step 28 repeats it.
  std::vector<std::pair<long, int>> melody = atSteps(kMelody, 0);
  melody.pop_back();
  EXPECT_EQ(loopNotes(0), melody);

  // Pulse 2: the half notes, then the swept B4 bent down note by note, one
  // change a frame at most, for the 16 frames the model's sweep runs.
  std::vector<std::pair<long, int>> harmony = loopNotes(1), held = atSteps(kHarmony, 0);
  held.emplace_back(kSweepStep * kStepFrames, 71);
  ASSERT_GT(harmony.size(), held.size() + 3);
  EXPECT_EQ(std::vector(harmony.begin(), harmony.begin() + held.size()), held);
  for (size_t i = held.size(); i < harmony.size(); ++i) {
    EXPECT_LT(harmony[i].second, harmony[i - 1].second);
    EXPECT_GT(harmony[i].first, harmony[i - 1].first);
    EXPECT_LE(harmony[i].first, held.back().first + 16);
  }

  // The model takes every tone channel's period as a pulse's, so the
  // triangle's bass is an octave up.
  EXPECT_EQ(loopNotes(2), atSteps(kBass, 1));

  // The noise's period byte read as a pitch: the snare's 9 is 11,186 Hz
  // (note 125), the metallic $86 829 Hz (note 80); the hats' 3 is above the
  // table and strikes nothing. Each kick stops and restarts the sample
  // channel, a new note each time: rate 14 and length $17 make period $617,
  // 71 Hz, note 37.
  EXPECT_EQ(loopNotes(3), atSteps(kNoiseHits, 0));
  EXPECT_EQ(loopNotes(4), atSteps(kKicks, 0));
}

}  // namespace
