// Settings kept between runs by the main window (defaults on a first start,
// written at exit, read at the next start, the "/S0" "/S1" switch), and the
// key bindings reaching PadState through real key events.
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "FormFixture.h"
#include "frontend/gui/TDXInput.h"
#include "sound/RecordingMidiOut.h"
#include "sound/devices/OfflineRender.h"
#include "video/gui/DXDraw.h"

namespace {

TEST_F(FormTest, FirstStartShowsTheDefaults) {
  Open();
  Machine& m = form->machine();
  EXPECT_TRUE(Item("abltsom")->isChecked());  // as the item is designed: a first start plays sound
  EXPECT_EQ(form->SoundFrequencia, 11);
  EXPECT_TRUE(Item("N22mhz1")->isChecked());
  EXPECT_EQ(m.SoundVolume, 255);
  for (bool on : m.ChannelEnabled) EXPECT_TRUE(on);
  EXPECT_EQ(m.FrameRate, 1);
  EXPECT_EQ(form->settings().StartFullScreen, 0);
  EXPECT_FALSE(form->ShowFps);
  EXPECT_EQ(form->pos(), QPoint(237, 147));
  for (const std::string& entry : form->settings().RecentList) EXPECT_TRUE(entry.empty());
  EXPECT_EQ(form->StatusPanel0->text(), QStringLiteral("Pressione F2 Para Carregar uma ROM"));
  // Nothing was stored yet; leaving writes every value, defaults included.
  EXPECT_FALSE(Stored("FrameRate").isValid());
  Close();
  EXPECT_EQ(Stored("FrameRate").toInt(), 1);
  EXPECT_EQ(Stored("SoundFrequencia").toInt(), 11);
  EXPECT_EQ(Stored("AbilitaSom").toInt(), 1);
  EXPECT_EQ(Stored("JOY1/UP").toInt(), 38);
  EXPECT_EQ(Stored("JOY2/START").toInt(), 81);
  EXPECT_EQ(Stored("MRU1").toString(), QString());
}

// A first start, with an empty settings folder, is heard: "Habilita Som"
// starts checked, and what the window sends the synthesiser for the demo's
// tune, rendered, peaks far above the near silence (about -64 dBFS) that a
// volume meant for the dialog's 0-10 scale gave. (A stored volume coming
// back is checked below.)
TEST_F(FormTest, FirstStartSoundIsLoud) {
  auto recording = std::make_shared<MidiRecording>();
  devices = RecordingMidiFactory(recording);
  Open();
  // The device's close comes while the window goes: it takes the last count.
  int64_t frame = 0;
  recording->clock = [this, &frame] { return form ? frame = form->FramesRun() : frame; };
  nextRomFile = QStringLiteral(VIREL_DEMO_ROM);
  int run = 0;
  RunFrames([&] { Item("mnuLoadROM")->trigger(); }, [&] { return ++run >= 120; });
  EXPECT_EQ(form->machine().SoundVolume, 255);
  Close();
  recording->clock = nullptr;
  EXPECT_EQ(Stored("SoundVolume").toInt(), 255);

  std::string why;
  const std::vector<int16_t> samples = RenderMidi(recording->events, 120, &why);
  ASSERT_FALSE(samples.empty()) << why;
  int peak = 1;
  for (int16_t s : samples) peak = std::max(peak, std::abs(int{s}));
  EXPECT_GT(20 * std::log10(peak / 32768.0), -30.0);
}

TEST_F(FormTest, SettingsWrittenAtExitComeBackAtStart) {
  Open();
  Machine& m = form->machine();
  form->move(100, 60);
  m.FrameRate = 4;
  m.SoundVolume = 128;
  m.ChannelEnabled[2] = false;
  Item("VerFps1")->trigger();
  Item("est")->trigger();
  Item("abltsom")->trigger();
  Item("N44Khz1")->trigger();
  form->settings().RecentList[0] = "/jogos/um.nes";
  form->settings().FavoriteList[1] = "/jogos/dois.nes";
  form->settings().Pads[0].Keys[pbA] = 65;
  form->settings().Pads[1].JoystickEnabled = true;
  Close();

  Open();
  Machine& again = form->machine();
  EXPECT_EQ(form->pos(), QPoint(100, 60));
  EXPECT_EQ(again.FrameRate, 4);
  EXPECT_EQ(again.SoundVolume, 128);
  EXPECT_FALSE(again.ChannelEnabled[2]);
  EXPECT_TRUE(form->ShowFps);
  EXPECT_TRUE(Item("VerFps1")->isChecked());
  EXPECT_TRUE(Item("est")->isChecked());
  EXPECT_TRUE(form->DXDraw->options().Stretch);
  EXPECT_FALSE(Item("abltsom")->isChecked());  // switched off before the exit
  EXPECT_EQ(form->SoundFrequencia, 44);
  EXPECT_TRUE(Item("N44Khz1")->isChecked());
  EXPECT_EQ(form->settings().RecentList[0], "/jogos/um.nes");
  EXPECT_EQ(form->settings().FavoriteList[1], "/jogos/dois.nes");
  EXPECT_EQ(form->settings().Pads[0].Keys[pbA], 65);
  EXPECT_TRUE(form->input(1).JoystickEnabled);
}

TEST_F(FormTest, StoredValuesThatNeedCareAndTheScreenSwitch) {
  Store("FrameRate", 0);
  Store("SoundFrequencia", 33);
  Store("WIN", 1);
  Store("SCREEN", "640x480x32");
  Open({QString(), QStringLiteral("/S0")});
  EXPECT_EQ(form->machine().FrameRate, 1);  // clamped, the hook divides by it
  EXPECT_EQ(form->SoundFrequencia, 33);
  EXPECT_TRUE(Item("N22mhz1")->isChecked());  // the form's mark stays
  EXPECT_EQ(form->settings().StartFullScreen, 0);
  Close();
  EXPECT_EQ(Stored("WIN").toInt(), 0);  // the override is saved like any change
  EXPECT_EQ(Stored("FrameRate").toInt(), 1);

  Store("FrameRate", 25);
  Open({QString(), QStringLiteral("/S1")});
  EXPECT_EQ(form->machine().FrameRate, 10);
  EXPECT_EQ(form->settings().StartFullScreen, 1);
}

TEST_F(FormTest, KeyBindingsReachPadState) {
  Open();
  form->show();
  QApplication::setActiveWindow(form.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  Machine& m = form->machine();
  struct Case {
    Qt::Key key;
    uint8_t pad1, pad2;
  };
  // Controller 1 on the arrows, Space, Ctrl, Enter, Tab; controller 2 on
  // E X S D with Shift, Z, Q, W.
  for (Case c : {Case{Qt::Key_Left, 0x40, 0}, Case{Qt::Key_Right, 0x80, 0}, Case{Qt::Key_Up, 0x10, 0},
                 Case{Qt::Key_Down, 0x20, 0}, Case{Qt::Key_Space, 0x01, 0}, Case{Qt::Key_Control, 0x02, 0},
                 Case{Qt::Key_Return, 0x08, 0}, Case{Qt::Key_Tab, 0x04, 0}, Case{Qt::Key_Q, 0, 0x08},
                 Case{Qt::Key_W, 0, 0x04}, Case{Qt::Key_Shift, 0, 0x01}, Case{Qt::Key_Z, 0, 0x02},
                 Case{Qt::Key_E, 0, 0x10}, Case{Qt::Key_D, 0, 0x80}}) {
    QTest::keyPress(form->DXDraw, c.key);
    form->PollControllers();
    EXPECT_EQ(m.PadState[0], c.pad1) << c.key;
    EXPECT_EQ(m.PadState[1], c.pad2) << c.key;
    QTest::keyRelease(form->DXDraw, c.key);
    form->PollControllers();
    EXPECT_EQ(m.PadState[0], 0) << c.key;
  }
  // Two keys together, then new bindings applied from the fields.
  QTest::keyPress(form->DXDraw, Qt::Key_Left);
  QTest::keyPress(form->DXDraw, Qt::Key_Right);
  form->PollControllers();
  EXPECT_EQ(m.PadState[0], 0xC0);
  form->settings().Pads[0].Keys[pbStart] = 37;  // Left is now also Start
  form->ApplyKeyBindings();
  form->PollControllers();
  EXPECT_EQ(m.PadState[0], 0xC8);
  // Another window active: nothing is read.
  QWidget other;
  other.show();
  QApplication::setActiveWindow(&other);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  form->PollControllers();
  EXPECT_EQ(m.PadState[0], 0);
  QApplication::setActiveWindow(form.get());
  QTest::keyRelease(form->DXDraw, Qt::Key_Left);
  QTest::keyRelease(form->DXDraw, Qt::Key_Right);
}

TEST_F(FormTest, HeldKeyReachesTheCartridge) {
  Open();
  form->show();
  QApplication::setActiveWindow(form.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  nextRomFile = kPadRom;
  int frames = 0;
  RunFrames([&] { Item("mnuLoadROM")->trigger(); },
            [&] {
              if (frames++ == 0) QTest::keyPress(form->DXDraw, Qt::Key_Return);
              return frames > 4;
            });
  QTest::keyRelease(form->DXDraw, Qt::Key_Return);
  // The cartridge read controller 1 through $4016: Start is bit 3.
  EXPECT_EQ(form->machine().Ram[0x10], 0x08);
  EXPECT_EQ(form->machine().Ram[0x11], 0x00);
}

}  // namespace
