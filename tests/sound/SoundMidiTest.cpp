// The device layer's MIDI back end, seen through the messages it sends.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/MidiTestSupport.h"
#include "support/RecordingWaveOut.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Kind = MidiEvent::Kind;

TEST(NoteTable, FollowsTheEqualTemperedScaleFromA440) {
  const auto& table = NoteTable();
  EXPECT_EQ(table[0].note, -36);
  EXPECT_EQ(table[4095].note, 127);
  // 439 Hz: a hair under A; 262 Hz: a little over middle C; 10 Hz: note 3.
  EXPECT_EQ(table[146].note, 69);
  EXPECT_EQ(table[146].bend, 8178);
  EXPECT_EQ(table[87].note, 60);
  EXPECT_EQ(table[87].bend, 8200);
  EXPECT_EQ(table[3].note, 3);
  int previous = table[0].note;
  for (const NoteEntry& e : table) {
    EXPECT_GE(e.bend, 8021);
    EXPECT_LE(e.bend, 8362);
    EXPECT_GE(e.note, previous);  // low entries skip notes, none go back
    previous = e.note;
  }
}

TEST_F(MidiLayerTest, OpeningSetsTheSquareLeadOnChannelsZeroToThree) {
  ASSERT_GE(recording->events.size(), 2u);
  EXPECT_EQ(recording->events[0].kind, Kind::Open);
  EXPECT_EQ(recording->events[1].kind, Kind::Reset);
  EXPECT_THAT(recording->Messages(),
              ElementsAre(Midi(0xC0, 80), Midi(0xC1, 80), Midi(0xC2, 80), Midi(0xC3, 80)));
}

TEST_F(MidiLayerTest, NoteBendAnotherNoteAndVolume) {
  // A frequency on a silent channel is only stored...
  SoundSetFrequency(sound, 1, 440);
  EXPECT_THAT(Sent(), IsEmpty());
  // ...and the first volume starts the note at it: volume, bend, note on.
  SoundSetVolume(sound, 1, 255);
  EXPECT_THAT(Sent(), ElementsAre(Volume(1, 127), Bend(1, 8178), NoteOn(1, 69)));
  // Same 3-Hz entry: nothing. Same note, other entry: a bend on the held note.
  SoundSetFrequency(sound, 1, 438);
  EXPECT_THAT(Sent(), IsEmpty());
  SoundSetFrequency(sound, 1, 446);
  EXPECT_THAT(Sent(), ElementsAre(Bend(1, NoteFor(446).bend)));
  ASSERT_EQ(NoteFor(446).note, 69);
  // Another note: note off, bend, note on (the volume is unchanged).
  SoundSetFrequency(sound, 1, 494);
  EXPECT_THAT(Sent(), ElementsAre(NoteOffMsg(1, 69), Bend(1, NoteFor(494).bend), NoteOn(1, 71)));
  // A volume change alone is one controller message.
  SoundSetVolume(sound, 1, 100);
  EXPECT_THAT(Sent(), ElementsAre(Volume(1, 50)));
  // Volume 1 halves to 0: the note stops; volume back on restarts it.
  SoundSetVolume(sound, 1, 1);
  EXPECT_THAT(Sent(), ElementsAre(NoteOffMsg(1, 71)));
  SoundSetVolume(sound, 1, 0);
  EXPECT_THAT(Sent(), IsEmpty());
  SoundSetVolume(sound, 1, 0x1FE);  // only the low byte counts
  EXPECT_THAT(Sent(), ElementsAre(Volume(1, 127), NoteOn(1, 71)));
}

TEST_F(MidiLayerTest, OnlyNineToTwelveThousandTwoHundredEightySevenHertzSound) {
  SoundSetVolume(sound, 0, 200);
  struct Case {
    int hertz;
    bool sounds;
  };
  for (const Case& c : {Case{8, false}, Case{9, true}, Case{12287, true}, Case{12288, false},
                        Case{46324, false}, Case{0, false}, Case{-5, false}}) {
    SoundSetFrequency(sound, 0, 9000);  // a known sounding note in between
    Sent();
    SoundSetFrequency(sound, 0, c.hertz);
    const std::vector<uint32_t> sent = Sent();
    ASSERT_FALSE(sent.empty()) << c.hertz;
    EXPECT_EQ(sent.front(), NoteOffMsg(0, NoteFor(9000).note)) << c.hertz;
    if (c.sounds) {
      EXPECT_EQ(sent.back(), NoteOn(0, NoteFor(c.hertz).note)) << c.hertz;
    } else {
      EXPECT_EQ(sent.size(), 1u) << c.hertz;
    }
  }
  EXPECT_EQ(NoteFor(9).note, 3);
  EXPECT_EQ(NoteFor(12287).note, 127);
}

TEST_F(MidiLayerTest, ChannelsKeepTheirOwnCaches) {
  SoundSetFrequency(sound, 0, 440);
  SoundSetFrequency(sound, 2, 220);
  SoundSetVolume(sound, 2, 128);
  SoundSetVolume(sound, 0, 128);
  EXPECT_THAT(Sent(), ElementsAre(Volume(2, 64), Bend(2, NoteFor(220).bend), NoteOn(2, 57), Volume(0, 64),
                                  Bend(0, 8178), NoteOn(0, 69)));
  SoundSetVolume(sound, 5, 255);  // no such channel
  SoundSetFrequency(sound, -1, 440);
  EXPECT_THAT(Sent(), IsEmpty());
}

TEST_F(MidiLayerTest, RestartClearsChannelsZeroToThreeButChannelFourKeepsItsCache) {
  SoundSetFrequency(sound, 4, 330);
  SoundSetVolume(sound, 4, 254);
  SoundSetFrequency(sound, 0, 330);
  SoundSetVolume(sound, 0, 254);
  Sent();
  SoundStart(sound, nullptr, 11, 255);
  // The restart resets the device (every note cut) and reopens it.
  std::vector<uint32_t> sent = Sent();
  EXPECT_EQ(sent.size(), 4u);  // the four program changes
  SoundSetFrequency(sound, 0, 330);
  SoundSetVolume(sound, 0, 254);
  SoundSetFrequency(sound, 4, 330);
  SoundSetVolume(sound, 4, 254);
  // Channel 0 starts over; channel 4 still believes its note sounds.
  EXPECT_THAT(Sent(), ElementsAre(Volume(0, 127), Bend(0, NoteFor(330).bend), NoteOn(0, NoteFor(330).note)));
  SoundSetFrequency(sound, 4, 660);
  EXPECT_THAT(Sent(), ElementsAre(NoteOffMsg(4, NoteFor(330).note), Bend(4, NoteFor(660).bend),
                                  NoteOn(4, NoteFor(660).note)));
}

TEST_F(MidiLayerTest, StereoAndMonoCutNotesAndChangeNothingElse) {
  SoundSetFrequency(sound, 3, 440);
  SoundSetVolume(sound, 3, 255);
  Sent();
  for (int count : {1, 0}) {
    const size_t before = recording->events.size();
    SoundSetChannels(sound, count);
    ASSERT_EQ(recording->events.size(), before + 1);
    EXPECT_EQ(recording->events.back().kind, Kind::Reset);
  }
  // The cut note is not re-sent: the cache still holds it.
  SoundSetFrequency(sound, 3, 440);
  SoundSetVolume(sound, 3, 255);
  EXPECT_THAT(Sent(), IsEmpty());
}

TEST_F(MidiLayerTest, StopSilencesTheDeviceAndLaterCallsDoNothing) {
  SoundSetFrequency(sound, 0, 440);
  SoundSetVolume(sound, 0, 255);
  SoundStop(sound);
  ASSERT_GE(recording->events.size(), 2u);
  EXPECT_EQ(recording->events[recording->events.size() - 2].kind, Kind::Reset);
  EXPECT_EQ(recording->events.back().kind, Kind::Close);
  const size_t after = recording->events.size();
  SoundSetFrequency(sound, 0, 880);
  SoundSetVolume(sound, 0, 10);
  SoundUpdateChannel(sound, 0, 880, 10);
  SoundReset(sound);
  EXPECT_EQ(recording->events.size(), after);
  SoundStop(sound);
  EXPECT_EQ(recording->events.size(), after);
}

TEST(SoundStart, RateAboveEightThousandOneHundredNinetyTwoSelectsTheWaveBackEnd) {
  Machine m;
  SoundLayer& sound = *m.Sound;
  auto midi = std::make_shared<MidiRecording>();
  auto wave = std::make_shared<WaveRecording>();
  SoundDeviceFactory factory = RecordingMidiFactory(midi);
  factory.wave = [wave] { return std::make_unique<RecordingWaveOut>(wave); };
  SetSoundDevices(sound, factory);

  SoundStart(sound, nullptr, 8192, 255);
  EXPECT_EQ(midi->events.size(), 6u);  // open, reset and four program changes
  EXPECT_EQ(wave->opens, 0);
  SoundStart(sound, nullptr, 8193, 255);
  EXPECT_EQ(midi->events.back().kind, Kind::Close);
  EXPECT_EQ(wave->opens, 1);
  EXPECT_EQ(wave->rate, 8193);
  SoundStop(sound);
  SetSoundDevices(sound, {});
}

TEST(SoundStart, MissingSynthesiserStillRunsTheBackEnd) {
  Machine m;
  SoundLayer& sound = *m.Sound;
  auto midi = std::make_shared<MidiRecording>();
  SoundDeviceFactory factory;
  factory.midi = [midi] { return std::make_unique<RecordingMidiOut>(midi, /*opens=*/false); };
  SetSoundDevices(sound, factory);
  SoundStart(sound, nullptr, 22, 255);
  SoundSetFrequency(sound, 0, 440);
  SoundSetVolume(sound, 0, 255);
  SoundStop(sound);
  EXPECT_THAT(midi->events, IsEmpty());

  // No factory at all is the same: nothing to open, nothing sent, no fault.
  SetSoundDevices(sound, {});
  SoundStart(sound, nullptr, 22, 255);
  SoundSetVolume(sound, 0, 255);
  SoundStop(sound);
}

TEST(MidiLog, LinesHoldTheFrameAndTheMessageBytes) {
  EXPECT_EQ(FormatMidiLogLine(0, 0x50C0), "0 C0 50");
  EXPECT_EQ(FormatMidiLogLine(12, 0x7F4590), "12 90 45 7F");
  EXPECT_EQ(FormatMidiLogLine(300, 0x7F07B4), "300 B4 07 7F");
  EXPECT_EQ(FormatMidiLogLine(7, 0x41AA3), "7 A3 1A 04");
}

// Held frames (fast-forward between shown frames, run-ahead, rewind): each
// channel sends only its latest change at the release, a restore made while
// held sends only what differs from what the device already has, and quiet
// silences until the release brings back what the run has reached.
TEST_F(MidiLayerTest, HeldChangesSendOnlyTheLatestAtTheRelease) {
  SoundSetFrequency(sound, 0, 440);
  SoundSetVolume(sound, 0, 255);
  Sent();
  const SoundChannelsSent before = SoundSaveChannels(sound, false);

  SoundHold(sound);
  for (int hertz : {494, 523, 587, 659}) SoundSetFrequency(sound, 0, hertz);
  SoundHold(sound);  // the next hidden frame keeps what the last one kept
  SoundSetVolume(sound, 0, 100);
  EXPECT_THAT(Sent(), IsEmpty());
  SoundRelease(sound);
  EXPECT_THAT(Sent(),
              ElementsAre(NoteOffMsg(0, 69), Volume(0, 50), Bend(0, NoteFor(659).bend), NoteOn(0, 76)));

  // Frames rehearsed and taken back: nothing at all reaches the device.
  const SoundChannelsSent now = SoundSaveChannels(sound, false);
  SoundHold(sound);
  SoundSetFrequency(sound, 0, 880);
  SoundRestoreChannels(sound, now, false);
  SoundRelease(sound);
  EXPECT_THAT(Sent(), IsEmpty());

  // Rewind: silent at once; the release sounds the restored channels.
  SoundQuiet(sound);
  EXPECT_THAT(Sent(), ElementsAre(NoteOffMsg(0, 76)));
  SoundRestoreChannels(sound, before, false);
  SoundSetFrequency(sound, 0, 330);
  EXPECT_THAT(Sent(), IsEmpty());
  SoundRelease(sound);
  const auto sent = Sent();
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent.back(), NoteOn(0, NoteFor(330).note));
}

// A dialog over a running game: the device's notes end, the recording (whose
// clock stands still) hears nothing, changes made meanwhile reach only the
// channels, and the end of the pause brings the device to them as they
// stand; a stop during the pause leaves the device silent and unpaused.
TEST_F(MidiLayerTest, APauseSilencesTheDeviceAndContinueStrikesTheNotesAgain) {
  auto tap = std::make_shared<MidiRecording>();
  SoundAttachTap(sound, std::make_shared<RecordingMidiOut>(tap));
  SoundUpdateChannel(sound, 0, 440, 255);
  SoundUpdateChannel(sound, 2, 262, 200);
  Sent();
  const size_t tapMark = tap->events.size();

  SoundPause(sound);
  EXPECT_TRUE(SoundPaused(sound));
  EXPECT_THAT(Sent(), ElementsAre(NoteOffMsg(0, 69), NoteOffMsg(2, NoteFor(262).note)));
  SoundUpdateChannel(sound, 0, 494, 255);  // a step of the debugger, say
  EXPECT_THAT(Sent(), IsEmpty());
  SoundPause(sound);  // a second dialog over the first
  EXPECT_THAT(Sent(), IsEmpty());

  SoundContinue(sound);
  EXPECT_FALSE(SoundPaused(sound));
  EXPECT_THAT(Sent(), ElementsAre(Volume(0, 127), Bend(0, NoteFor(494).bend), NoteOn(0, 71), Volume(2, 100),
                                  Bend(2, NoteFor(262).bend), NoteOn(2, NoteFor(262).note)));
  // The recording heard the note change and nothing of the pause.
  EXPECT_THAT(tap->MessagesFrom(tapMark),
              ElementsAre(NoteOffMsg(0, 69), Bend(0, NoteFor(494).bend), NoteOn(0, 71)));

  SoundPause(sound);
  Sent();
  SoundSilenceAll(sound);
  EXPECT_FALSE(SoundPaused(sound));
  const SynthView device(*recording);
  EXPECT_EQ(device.note[0], 0);
  EXPECT_EQ(device.note[2], 0);
  SoundDetachTap(sound);
}
