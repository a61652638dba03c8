// "Som > Voz" in the main window: the two voices as exclusive items, the
// choice kept with the settings, and while the console voice plays, the
// chip's samples on the PCM device with the MIDI notes going only where they
// are recorded, not to the synthesiser as well.
#include <algorithm>
#include <cstdlib>

#include "FormFixture.h"
#include "sound/RecordingMidiOut.h"
#include "sound/RecordingPcmOut.h"
#include "sound/Sound.h"

namespace {

bool IsNoteOn(uint32_t message) { return (message & 0xF0) == 0x90 && ((message >> 16) & 0x7F) != 0; }

size_t NotesOn(const std::vector<uint32_t>& messages) {
  return static_cast<size_t>(std::count_if(messages.begin(), messages.end(), IsNoteOn));
}

TEST_F(FormTest, VoiceItemsAreExclusiveTakeEffectAtOnceAndAreKept) {
  Open();
  QAction* midi = Item("SintetizadorMIDI1");
  QAction* console = Item("Console1");
  ASSERT_NE(midi, nullptr);
  ASSERT_NE(console, nullptr);
  // Both live in "Som > Voz", MIDI chosen as the window was designed.
  auto* voz = form->findChild<QMenu*>(QStringLiteral("Voz1"));
  ASSERT_NE(voz, nullptr);
  EXPECT_EQ(voz->title(), QStringLiteral("Voz"));
  EXPECT_TRUE(form->Som1->actions().contains(voz->menuAction()));
  EXPECT_EQ(voz->actions(), (QList<QAction*>{midi, console}));
  EXPECT_EQ(midi->text(), QStringLiteral("Sintetizador MIDI"));
  EXPECT_EQ(console->text(), QStringLiteral("Console"));
  EXPECT_TRUE(midi->isChecked());
  EXPECT_FALSE(console->isChecked());
  EXPECT_EQ(form->machine().Voice, SoundVoice::Midi);

  console->trigger();
  EXPECT_TRUE(console->isChecked());
  EXPECT_FALSE(midi->isChecked());
  EXPECT_EQ(form->machine().Voice, SoundVoice::Console);
  Close();
  EXPECT_EQ(Stored(QStringLiteral("SoundVoice")).toInt(), 1);

  // A restart comes back on the console voice; choosing MIDI again is kept too.
  Open();
  EXPECT_TRUE(Item("Console1")->isChecked());
  EXPECT_FALSE(Item("SintetizadorMIDI1")->isChecked());
  EXPECT_EQ(form->machine().Voice, SoundVoice::Console);
  Item("SintetizadorMIDI1")->trigger();
  EXPECT_EQ(form->machine().Voice, SoundVoice::Midi);
  EXPECT_FALSE(Item("Console1")->isChecked());
  Close();
  EXPECT_EQ(Stored(QStringLiteral("SoundVoice")).toInt(), 0);

  // A voice this window does not know plays MIDI, and the log says why.
  Store(QStringLiteral("SoundVoice"), 7);
  Open();
  EXPECT_TRUE(Item("SintetizadorMIDI1")->isChecked());
  EXPECT_EQ(form->machine().Voice, SoundVoice::Midi);
  EXPECT_TRUE(Log().contains(QStringLiteral("Configuração \"SoundVoice\" inválida; usando 0.")))
      << Log().join('\n').toStdString();
}

// The demo's music through a whole switch and back, all within one run: the
// synthesiser (a recording device here) falls silent the moment the console
// voice is chosen and picks the music up again when MIDI is chosen back;
// meanwhile the chip's samples reach the PCM device and the recording tap
// keeps every note.
TEST_F(FormTest, TheConsoleVoiceTakesTheMusicFromTheSynthesiserAndGivesItBack) {
  auto synthesiser = std::make_shared<MidiRecording>();
  auto samples = std::make_shared<std::vector<int16_t>>();
  devices = RecordingMidiFactory(synthesiser);
  devices.pcm = [samples] { return std::make_unique<RecordingPcmOut>(samples); };
  Store(QStringLiteral("AbilitaSom"), 1);
  Open();
  auto tapped = std::make_shared<MidiRecording>();
  SoundAttachTap(*form->machine().Sound, std::make_shared<RecordingMidiOut>(tapped));

  size_t synthAtConsole = 0, synthBeforeMidi = 0, tapAtConsole = 0, tapAtMidi = 0, samplesAtMidi = 0;
  int64_t framesAtConsole = 0, framesAtMidi = 0;
  int ticks = 0;
  nextRomFile = QStringLiteral(VIREL_DEMO_ROM);
  RunFrames([&] { Item("mnuLoadROM")->trigger(); },
            [&] {
              ++ticks;
              if (ticks == 90) {
                synthAtConsole = synthesiser->events.size();
                tapAtConsole = tapped->Messages().size();
                framesAtConsole = form->FramesRun();
                Item("Console1")->trigger();
              }
              if (ticks == 240) {
                synthBeforeMidi = synthesiser->events.size();
                tapAtMidi = tapped->Messages().size();
                samplesAtMidi = samples->size();
                framesAtMidi = form->FramesRun();
                Item("SintetizadorMIDI1")->trigger();
              }
              return ticks >= 390;
            });
  ASSERT_GE(ticks, 390);

  // Before the switch the synthesiser played the notes and no sample was made.
  EXPECT_GT(NotesOn(synthesiser->MessagesFrom(0)), 0u);
  // At the switch it was cut and closed, and nothing reached it until MIDI came back.
  const std::vector<MidiEvent> duringConsole(synthesiser->events.begin() + synthAtConsole,
                                             synthesiser->events.begin() + synthBeforeMidi);
  ASSERT_FALSE(duringConsole.empty());
  EXPECT_EQ(duringConsole.back().kind, MidiEvent::Kind::Close);
  const auto noteOn = [](const MidiEvent& e) {
    return e.kind == MidiEvent::Kind::Message && IsNoteOn(e.message);
  };
  EXPECT_EQ(std::count_if(duringConsole.begin(), duringConsole.end(), noteOn), 0);
  // Back on MIDI a new synthesiser opened and plays again.
  ASSERT_GT(synthesiser->events.size(), synthBeforeMidi);
  EXPECT_EQ(synthesiser->events[synthBeforeMidi].kind, MidiEvent::Kind::Open);
  EXPECT_GT(std::count_if(synthesiser->events.begin() + synthBeforeMidi, synthesiser->events.end(), noteOn),
            0);

  // The chip was heard while chosen, about 800 samples a frame, and not after.
  const auto consoleFrames = static_cast<double>(framesAtMidi - framesAtConsole);
  ASSERT_GT(consoleFrames, 0);
  EXPECT_GT(static_cast<double>(samplesAtMidi), (consoleFrames - 2) * 790);
  EXPECT_LT(static_cast<double>(samplesAtMidi), (consoleFrames + 2) * 810);
  EXPECT_EQ(samples->size(), samplesAtMidi);
  EXPECT_TRUE(std::any_of(samples->begin(), samples->end(), [](int16_t s) { return std::abs(s) > 500; }));

  // The recording tap had the notes all along, the console voice's stretch included.
  const std::vector<uint32_t> all = tapped->Messages();
  EXPECT_GT(NotesOn({all.begin() + tapAtConsole, all.begin() + tapAtMidi}), 0u);
  SoundDetachTap(*form->machine().Sound);
}

}  // namespace
