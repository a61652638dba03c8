// "Som > Voz": two exclusive voices, the choice kept with the settings, and
// while the console voice plays, its samples on the PCM device and the MIDI
// notes only where they are recorded, not on the synthesiser too.
#include <algorithm>
#include <cstdlib>

#include "FormFixture.h"
#include "sound/RecordingMidiOut.h"
#include "sound/RecordingPcmOut.h"
#include "sound/Sound.h"

namespace {

TEST_F(FormTest, VoiceItemsAreExclusiveAndTheChoiceIsKept) {
  for (int stored : {-1, 1, 0, 7}) {  // -1: nothing stored yet
    if (stored >= 0) Store(QStringLiteral("SoundVoice"), stored);
    Open();
    auto* voz = form->findChild<QMenu*>(QStringLiteral("Voz1"));
    ASSERT_TRUE(voz && form->Som1->actions().contains(voz->menuAction()));
    EXPECT_EQ(voz->title(), QStringLiteral("Voz"));
    EXPECT_EQ(voz->actions(), (QList<QAction*>{Item("SintetizadorMIDI1"), Item("Console1")}));
    EXPECT_EQ(Item("SintetizadorMIDI1")->text(), QStringLiteral("Sintetizador MIDI"));
    EXPECT_EQ(Item("Console1")->text(), QStringLiteral("Console"));
    const bool console = stored == 1;
    EXPECT_EQ(Item("Console1")->isChecked(), console) << stored;
    EXPECT_NE(Item("SintetizadorMIDI1")->isChecked(), console) << stored;
    EXPECT_EQ(form->machine().Voice, console ? SoundVoice::Console : SoundVoice::Midi) << stored;
    EXPECT_EQ(Log().contains(QStringLiteral("Configuração \"SoundVoice\" inválida; usando 0.")), stored == 7);
    // The other voice, chosen, is taken at once and stored at exit.
    Item(console ? "SintetizadorMIDI1" : "Console1")->trigger();
    EXPECT_EQ(Item("Console1")->isChecked(), !console);
    EXPECT_EQ(form->machine().Voice, console ? SoundVoice::Midi : SoundVoice::Console);
    Close();
    EXPECT_EQ(Stored(QStringLiteral("SoundVoice")).toInt(), console ? 0 : 1);
  }
}

// The demo's music through a switch to the console voice and back, in one
// run, on a recording synthesiser and PCM device and with a recording tap.
TEST_F(FormTest, TheConsoleVoiceTakesTheMusicFromTheSynthesiserAndGivesItBack) {
  auto synthesiser = std::make_shared<MidiRecording>();
  auto samples = std::make_shared<std::vector<int16_t>>();
  devices = RecordingMidiFactory(synthesiser);
  devices.pcm = [samples] { return std::make_unique<RecordingPcmOut>(samples); };
  Store(QStringLiteral("AbilitaSom"), 1);
  Open();
  auto tapped = std::make_shared<MidiRecording>();
  SoundAttachTap(*form->machine().Sound, std::make_shared<RecordingMidiOut>(tapped));
  // The events and samples at the two switches.
  size_t synthAt[2]{}, tapAt[2]{}, samplesAt = 0;
  int64_t framesAt[2]{};
  int ticks = 0;
  nextRomFile = QStringLiteral(VIREL_DEMO_ROM);
  RunFrames([&] { Item("mnuLoadROM")->trigger(); },
            [&] {
              if (++ticks % 150 == 90 && ticks < 300) {
                const int at = ticks / 150;
                synthAt[at] = synthesiser->events.size();
                tapAt[at] = tapped->Messages().size();
                framesAt[at] = form->FramesRun();
                samplesAt = samples->size();
                Item(at == 0 ? "Console1" : "SintetizadorMIDI1")->trigger();
              }
              return ticks >= 390;
            });
  const auto isNoteOn = [](uint32_t m) { return (m & 0xF0) == 0x90 && (m >> 16) != 0; };
  const auto noteOn = [&](const MidiEvent& e) {
    return e.kind == MidiEvent::Kind::Message && isNoteOn(e.message);
  };
  const auto& events = synthesiser->events;
  ASSERT_TRUE(ticks >= 390 && synthAt[1] > synthAt[0] && events.size() > synthAt[1]);
  // The synthesiser played before the switch, was closed at it and got no
  // note until MIDI came back; then a new one opened and played again.
  EXPECT_GT(std::count_if(events.begin(), events.begin() + synthAt[0], noteOn), 0);
  EXPECT_EQ(events[synthAt[1] - 1].kind, MidiEvent::Kind::Close);
  EXPECT_EQ(std::count_if(events.begin() + synthAt[0], events.begin() + synthAt[1], noteOn), 0);
  EXPECT_EQ(events[synthAt[1]].kind, MidiEvent::Kind::Open);
  EXPECT_GT(std::count_if(events.begin() + synthAt[1], events.end(), noteOn), 0);
  // The recording tap kept the notes while the chip played.
  const std::vector<uint32_t> tapNotes = tapped->Messages();
  EXPECT_GT(std::count_if(tapNotes.begin() + tapAt[0], tapNotes.begin() + tapAt[1], isNoteOn), 0);
  // The chip made about 800 samples a frame while chosen, none before or after.
  const auto frames = static_cast<double>(framesAt[1] - framesAt[0]);
  EXPECT_GT(static_cast<double>(samplesAt), (frames - 2) * 790);
  EXPECT_LT(static_cast<double>(samplesAt), (frames + 2) * 810);
  EXPECT_EQ(samples->size(), samplesAt);
  EXPECT_TRUE(std::any_of(samples->begin(), samples->end(), [](int16_t s) { return std::abs(s) > 500; }));
  SoundDetachTap(*form->machine().Sound);
}

}  // namespace
