// Recording the music: the Standard MIDI File's bytes, the recorder's notes
// at resets and at the end, and the device layer feeding a recording (joining
// a game that plays, output off, output switched while recording, another
// device chosen while playing).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sound/MidiFile.h"
#include "sound/MidiRecorder.h"
#include "support/MidiTestSupport.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Bytes = std::vector<uint8_t>;

namespace {

// The chunk at `offset` ("MThd" or "MTrk"): its body, and offset moved past it.
Bytes Chunk(const Bytes& file, size_t& offset, const char* type) {
  EXPECT_LE(offset + 8, file.size());
  EXPECT_EQ(std::string(file.begin() + offset, file.begin() + offset + 4), type);
  const size_t length = (size_t(file[offset + 4]) << 24) | (size_t(file[offset + 5]) << 16) |
                        (size_t(file[offset + 6]) << 8) | file[offset + 7];
  offset += 8;
  EXPECT_LE(offset + length, file.size());
  Bytes body(file.begin() + offset, file.begin() + offset + length);
  offset += length;
  return body;
}

// Built byte by byte: GCC 12 takes range inserts here for overflows.
Bytes Name(const std::string& latin1) {
  Bytes b = {0x00, 0xFF, 0x03, uint8_t(latin1.size())};
  for (char c : latin1) b.push_back(uint8_t(c));
  return b;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts)
    for (uint8_t byte : p) all.push_back(byte);
  return all;
}

}  // namespace

TEST(MidiFile, HeaderTempoTracksDeltasRunningStatusAndEnd) {
  const std::vector<TimedMidiMessage> messages = {
      {0, Midi(0xC0, 80)}, {0, Midi(0xB0, 7, 127)}, {1, Midi(0x93, 40, 127)},    {2, NoteOn(0, 60)},
      {2, NoteOn(0, 62)},  {3, NoteOffMsg(0, 60)},  {4, Midi(0xE0, 0x0F, 0x40)},
  };
  const Bytes file = BuildMidiFile(messages, 5);
  size_t at = 0;
  // Format 1, a tempo track and five channel tracks, 960 ticks a quarter.
  EXPECT_EQ(Chunk(file, at, "MThd"), (Bytes{0, 1, 0, 6, 0x03, 0xC0}));
  // 499178 us a quarter; the end at frame 5 = 160 ticks (two-byte delta).
  EXPECT_EQ(Chunk(file, at, "MTrk"),
            (Bytes{0x00, 0xFF, 0x51, 0x03, 0x07, 0x9D, 0xEA, 0x81, 0x20, 0xFF, 0x2F, 0x00}));
  // Channel 0: deltas in 32 ticks a frame; the second note on reuses the
  // status byte, the note off and the bend carry their own.
  EXPECT_EQ(Chunk(file, at, "MTrk"), Cat({Name("Pulso 1"),
                                          {0x00, 0xC0, 80, 0x00, 0xB0, 7, 127},
                                          {0x40, 0x90, 60, 127, 0x00, 62, 127},
                                          {0x20, 0x80, 60, 127, 0x20, 0xE0, 0x0F, 0x40},
                                          {0x20, 0xFF, 0x2F, 0x00}}));
  EXPECT_EQ(Chunk(file, at, "MTrk"), Cat({Name("Pulso 2"), {0x81, 0x20, 0xFF, 0x2F, 0x00}}));
  EXPECT_EQ(Chunk(file, at, "MTrk"), Cat({Name("Tri\xE2ngulo"), {0x81, 0x20, 0xFF, 0x2F, 0x00}}));
  // Channel 3's one message at frame 1; the names are Latin-1.
  EXPECT_EQ(Chunk(file, at, "MTrk"), Cat({Name("Ru\xED"
                                               "do"),
                                          {0x20, 0x93, 40, 127},
                                          {0x81, 0x00, 0xFF, 0x2F, 0x00}}));
  EXPECT_EQ(Chunk(file, at, "MTrk"), Cat({Name("PCM"), {0x81, 0x20, 0xFF, 0x2F, 0x00}}));
  EXPECT_EQ(at, file.size());
}

TEST(MidiFile, LongRecordingsKeepWholeFrameTicks) {
  // Frame 100000 is 3,200,000 ticks: a four-byte delta, exact to the tick.
  const Bytes file = BuildMidiFile(std::vector<TimedMidiMessage>{{100000, NoteOn(4, 50)}}, 100000);
  size_t at = 0;
  Chunk(file, at, "MThd");
  Chunk(file, at, "MTrk");
  for (int channel = 0; channel < 4; ++channel) Chunk(file, at, "MTrk");
  EXPECT_EQ(Chunk(file, at, "MTrk"),
            Cat({Name("PCM"), {0x81, 0xC3, 0xA8, 0x00, 0x94, 50, 127}, {0x00, 0xFF, 0x2F, 0x00}}));
  // The tempo against the console's frame: under a millisecond off after an hour.
  const double frame = 1.0 / 60.0988;
  const double tick = kMidiFileTempo / 1e6 / kMidiFileDivision;
  const double hour = 3600 * 60.0988;
  EXPECT_LT(std::abs(hour * kMidiTicksPerFrame * tick - hour * frame), 0.001);
}

TEST(MidiFile, MessagesOnHigherChannelsGetTracksOfTheirOwn) {
  const Bytes file = BuildMidiFile(std::vector<TimedMidiMessage>{{0, Midi(0xC9, 1)}}, 0);
  EXPECT_EQ(file[11], 11);  // tempo track + channels 0-9
}

TEST(MidiRecorder, ResetAndFinishEndTheSoundingNotes) {
  int64_t clock = 40;
  MidiRecorder recorder([&clock] { return clock; });
  recorder.ShortMessage(NoteOn(0, 60));
  recorder.ShortMessage(NoteOn(2, 45));
  clock = 42;
  recorder.ShortMessage(NoteOffMsg(2, 45));
  recorder.ShortMessage(NoteOn(3, 30));
  // A note-on of velocity 0 is a note off as well: nothing left to end.
  recorder.ShortMessage(NoteOn(5, 50));
  recorder.ShortMessage(Midi(0x95, 50, 0));
  // The device beside it was reset: the notes still on end in the file too.
  clock = 43;
  recorder.Reset();
  recorder.ShortMessage(NoteOn(1, 70));
  clock = 50;
  recorder.Finish();
  recorder.ShortMessage(NoteOn(4, 20));  // after the end: dropped
  EXPECT_THAT(recorder.Messages(),
              ElementsAre(TimedMidiMessage{0, NoteOn(0, 60)}, TimedMidiMessage{0, NoteOn(2, 45)},
                          TimedMidiMessage{2, NoteOffMsg(2, 45)}, TimedMidiMessage{2, NoteOn(3, 30)},
                          TimedMidiMessage{2, NoteOn(5, 50)}, TimedMidiMessage{2, Midi(0x95, 50, 0)},
                          TimedMidiMessage{3, NoteOffMsg(0, 60)}, TimedMidiMessage{3, NoteOffMsg(3, 30)},
                          TimedMidiMessage{3, NoteOn(1, 70)}, TimedMidiMessage{10, NoteOffMsg(1, 70)}));
  EXPECT_EQ(recorder.Frames(), 10);
}

// The layer open on a recording device, with a recorder on its own clock.
class MidiTapTest : public MidiLayerTest {
 protected:
  int64_t frame = 0;
  std::shared_ptr<MidiRecorder> recorder = std::make_shared<MidiRecorder>([this] { return frame; });

  void TearDown() override {
    SoundDetachTap(sound);
    MidiLayerTest::TearDown();
  }
  std::vector<uint32_t> Recorded(size_t from = 0) {
    std::vector<uint32_t> out;
    for (size_t i = from; i < recorder->Messages().size(); ++i)
      out.push_back(recorder->Messages()[i].message);
    return out;
  }
};

// Channel 4's cache survives every restart of output, so a test run in one
// process with others finds whatever they left there; the state a late
// joiner is sent is checked on the other channels.
std::vector<uint32_t> WithoutChannel4State(std::vector<uint32_t> messages) {
  std::erase_if(messages, [](uint32_t m) { return (m & 0x0F) == 4 && (m & 0xF0) != 0xC0; });
  return messages;
}

TEST_F(MidiTapTest, JoiningAGameRecordsWhatStandsThenWhatTheDeviceGets) {
  SoundSetFrequency(sound, 0, 440);
  SoundSetVolume(sound, 0, 200);
  SoundSetFrequency(sound, 3, 262);
  SoundSetVolume(sound, 3, 60);
  Sent();
  SoundAttachTap(sound, recorder);
  // Programs (channel 4's General MIDI default said out loud), then each
  // sounding channel's volume, bend and note.
  EXPECT_THAT(WithoutChannel4State(Recorded()),
              ElementsAre(Midi(0xC0, 80), Midi(0xC1, 80), Midi(0xC2, 80), Midi(0xC3, 80), Midi(0xC4, 0),
                          Volume(0, 100), Bend(0, NoteFor(440).bend), NoteOn(0, 69), Volume(3, 30),
                          Bend(3, NoteFor(262).bend), NoteOn(3, NoteFor(262).note)));
  EXPECT_THAT(Sent(), IsEmpty());  // the device heard none of that again
  const size_t joined = recorder->Messages().size();
  frame = 3;
  SoundSetFrequency(sound, 0, 494);
  EXPECT_EQ(Recorded(joined), Sent());
  EXPECT_EQ(recorder->Messages().back().frame, 3);
}

TEST_F(MidiTapTest, OutputOffStillRecordsAndASoundStartDoesNotRepeatThePrograms) {
  SoundStop(sound);
  Sent();
  SoundAttachTap(sound, recorder);
  EXPECT_THAT(Recorded(), ElementsAre(Midi(0xC0, 80), Midi(0xC1, 80), Midi(0xC2, 80), Midi(0xC3, 80)));
  // The layer opened for the recording alone: no device was made.
  EXPECT_THAT(Sent(), IsEmpty());
  SoundSetFrequency(sound, 2, 220);
  SoundSetVolume(sound, 2, 255);
  EXPECT_THAT(Recorded(4), ElementsAre(Volume(2, 127), Bend(2, NoteFor(220).bend), NoteOn(2, 57)));
  EXPECT_THAT(Sent(), IsEmpty());

  // Sound switched on while recording: the device gets the programs, the
  // recording only the end of its held note (the new device starts silent).
  SoundStart(sound, nullptr, 22, 255);
  EXPECT_THAT(Sent(), ElementsAre(Midi(0xC0, 80), Midi(0xC1, 80), Midi(0xC2, 80), Midi(0xC3, 80)));
  EXPECT_THAT(Recorded(7), ElementsAre(NoteOffMsg(2, 57)));

  // Switched off again: the recording goes on without the device.
  SoundStop(sound);
  Sent();
  SoundSetFrequency(sound, 1, 330);
  SoundSetVolume(sound, 1, 255);
  EXPECT_THAT(Sent(), IsEmpty());
  EXPECT_THAT(Recorded(8), ElementsAre(Volume(1, 127), Bend(1, NoteFor(330).bend), NoteOn(1, 64)));
  // Without the recording, output off means no messages at all.
  SoundDetachTap(sound);
  const size_t before = recorder->Messages().size();
  SoundSetVolume(sound, 1, 100);
  EXPECT_EQ(recorder->Messages().size(), before);
}

TEST_F(MidiTapTest, ResetCutsTheRecordedNotesAsItCutsTheHeardOnes) {
  SoundAttachTap(sound, recorder);
  SoundSetFrequency(sound, 3, 100);
  SoundSetVolume(sound, 3, 255);
  const size_t before = recorder->Messages().size();
  SoundSetChannels(sound, 0);  // "Mono": a reset of the device
  EXPECT_THAT(Recorded(before), ElementsAre(NoteOffMsg(3, NoteFor(100).note)));
}

TEST_F(MidiTapTest, AnotherDeviceWhilePlayingPicksUpTheNotes) {
  SoundAttachTap(sound, recorder);
  SoundSetFrequency(sound, 0, 440);
  SoundSetVolume(sound, 0, 255);
  const size_t recorded = recorder->Messages().size();
  auto second = std::make_shared<MidiRecording>();
  SetSoundDevices(sound, RecordingMidiFactory(second));
  SoundSwitchMidiDevice(sound);
  // The old device was reset (all notes off) and closed...
  ASSERT_GE(recording->events.size(), 2u);
  EXPECT_EQ(recording->events[recording->events.size() - 2].kind, MidiEvent::Kind::Reset);
  EXPECT_EQ(recording->events.back().kind, MidiEvent::Kind::Close);
  // ...the new one opened with the programs and the note as it stands.
  EXPECT_EQ(second->events[0].kind, MidiEvent::Kind::Open);
  EXPECT_THAT(WithoutChannel4State(second->Messages()),
              ElementsAre(Midi(0xC0, 80), Midi(0xC1, 80), Midi(0xC2, 80), Midi(0xC3, 80), Volume(0, 127),
                          Bend(0, NoteFor(440).bend), NoteOn(0, 69)));
  // The recording already had all of it.
  EXPECT_EQ(recorder->Messages().size(), recorded);
  // With output off a switch only changes what the next start opens.
  SoundStop(sound);
  SoundDetachTap(sound);
  const size_t events = second->events.size();
  SoundSwitchMidiDevice(sound);
  EXPECT_EQ(second->events.size(), events);
}
