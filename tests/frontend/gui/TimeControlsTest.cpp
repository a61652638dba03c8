// Rewind, fast-forward and frame advance on the real window, driven by their
// keys, menu items and joystick buttons as a player drives them.
#include "FormFixture.h"
#include "core/Crc32.h"
#include "sound/Sound.h"

namespace {

const QString kScrollRom = QStringLiteral(VIREL_ROM_DIR "/video_scroll.nes");

struct Shown {
  FrameKind kind;  // what the frame that brought the picture was
  uint32_t picture;
};

}  // namespace

// Held Backspace shows the frames before, one per shown frame, and let go the
// game goes on from there as it did the first time. The scroll cartridge
// moves three pixels a frame, so no two of these pictures repeat. In both
// engines: the console engine's snapshots carry its chips.
struct RewindForm : FormTest {
  void RewindAndGoOn();
};

TEST_F(RewindForm, RewindHeldShowsTheFramesBeforeOnePerShownFrame) {
  for (int motor : {0, 1}) {
    SCOPED_TRACE(motor ? "console engine" : "classic engine");
    Store(QStringLiteral("Motor"), motor);
    RewindAndGoOn();
  }
}

void RewindForm::RewindAndGoOn() {
  Open();
  form->show();
  QApplication::setActiveWindow(form.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  nextRomFile = kScrollRom;
  Machine& m = form->machine();
  std::vector<Shown> shown;
  FrameKind decided = FrameKind::Plain;
  size_t rewound = 0, after = 0;
  RunFrames([&] { Item("mnuLoadROM")->trigger(); },
            [&] {
              shown.push_back({decided, Crc32(m.FrameBuffer.data(), m.FrameBuffer.size())});
              rewound += decided == FrameKind::Rewound;
              after += rewound > 0 && decided != FrameKind::Rewound;
              decided = form->timeControl().Kind();
              if (shown.size() == 200) QTest::keyPress(form.get(), Qt::Key_Backspace);
              if (rewound == 120) QTest::keyRelease(form.get(), Qt::Key_Backspace);
              return after == 30;
            });
  const auto first =
      std::find_if(shown.begin(), shown.end(), [](const Shown& s) { return s.kind == FrameKind::Rewound; });
  ASSERT_NE(first, shown.end());
  const size_t r = size_t(first - shown.begin());
  ASSERT_GE(r, 200u);
  size_t q = r;
  while (q + 1 < shown.size() && shown[q + 1].kind == FrameKind::Rewound) ++q;
  const size_t back = q - r + 1;
  ASSERT_GE(back, 120u);
  for (size_t b = 1; b <= back; ++b)
    ASSERT_EQ(shown[r + b - 1].picture, shown[r - 1 - b].picture) << b << " frames back";
  for (size_t i = 0; i < 29; ++i)
    EXPECT_EQ(shown[q + 1 + i].picture, shown[r - back + i].picture) << i << " frames after";
  EXPECT_FALSE(SoundHeld(*m.Sound));
  EXPECT_FALSE(m.Rehearsing);
}

// "Avanço Rápido" runs the speed's multiple of frames per shown frame, and
// "Avançar um Quadro" while paused runs exactly one and shows it.
TEST_F(FormTest, FastForwardAndFrameAdvance) {
  Open();
  form->show();
  QApplication::setActiveWindow(form.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  nextRomFile = kPadRom;
  Machine& m = form->machine();
  for (int speed : {2, 4, 8}) {
    form->settings().Time.FastForwardSpeed = speed;
    form->ApplyKeyBindings();
    int turns = 0;
    uint8_t start = 0;
    RunFrames([&] { m.CartridgeLoaded() ? Item("mnuPause")->trigger() : Item("mnuLoadROM")->trigger(); },
              [&] {
                if (++turns == 5) {
                  Item("AvancoRapido1")->trigger();
                  start = m.Ram[0x12];  // the cartridge's frame counter
                }
                return turns == 5 + 25;
              });
    Item("AvancoRapido1")->trigger();
    // 25 shown frames; the count may be one shown frame off where the toggle lands.
    const int frames = uint8_t(m.Ram[0x12] - start);
    EXPECT_NEAR(frames, 25 * speed, 25 * speed / 10) << speed << "x";
  }
  ASSERT_FALSE(m.Running);
  for (int step = 0; step < 3; ++step) {
    const uint8_t counter = m.Ram[0x12];
    const int64_t frames = form->FramesRun();
    // The item, then its key (F7).
    if (step == 0)
      Item("AvancarQuadro1")->trigger();
    else
      QTest::keyClick(form.get(), Qt::Key_F7);
    EXPECT_FALSE(m.Running);
    EXPECT_EQ(m.Ram[0x12], uint8_t(counter + 1));
    EXPECT_EQ(form->FramesRun(), frames + 1);
    EXPECT_TRUE(form->timeControl().ShowsFrame());
  }
}

// Joystick buttons bound on the "Tempo" page: held, they rewind and
// fast-forward the running game as the held keys do; pressed while the game
// is paused, frame advance runs exactly one frame per press however long the
// button is held.
TEST_F(FormTest, JoystickButtonsRewindFastForwardAndAdvanceFrames) {
  Open();
  form->show();
  QApplication::setActiveWindow(form.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  JoystickButtons pads{0, 0};
  form->ReadJoystickButtons = [&] { return pads; };
  auto& buttons = form->settings().Time.Buttons;
  buttons[tcRewind] = {2, 5};
  buttons[tcFastForward] = {2, 6};
  buttons[tcFrameAdvance] = {1, 8};
  form->ApplyKeyBindings();
  nextRomFile = kPadRom;
  Machine& m = form->machine();
  std::vector<uint8_t> counter;  // the cartridge's frame counter at each shown frame
  RunFrames([&] { Item("mnuLoadROM")->trigger(); },
            [&] {
              counter.push_back(m.Ram[0x12]);
              const size_t t = counter.size();
              pads[1] = t >= 60 && t < 80 ? 1u << 4 : t >= 80 && t < 100 ? 1u << 5 : 0;
              return t == 110;
            });
  ASSERT_EQ(counter.size(), 110u);
  // Each look at the buttons counts from the next frame on: rewound one frame
  // per shown frame, then four, then one again.
  for (size_t t = 62; t < 80; ++t) EXPECT_EQ(counter[t], uint8_t(counter[t - 1] - 1)) << t;
  EXPECT_NEAR(uint8_t(counter[99] - counter[82]), 17 * 4, 4);
  for (size_t t = 102; t < 110; ++t) EXPECT_EQ(counter[t], uint8_t(counter[t - 1] + 1)) << t;

  ASSERT_FALSE(m.Running);
  for (int press = 0; press < 3; ++press) {
    const uint8_t before = m.Ram[0x12];
    pads[0] = 1u << 7;
    EXPECT_TRUE(QTest::qWaitFor([&] { return m.Ram[0x12] != before; }, 1000));
    QTest::qWait(60);  // still held: still the one frame
    EXPECT_EQ(m.Ram[0x12], uint8_t(before + 1)) << press;
    pads[0] = 0;
    QTest::qWait(40);
  }
  EXPECT_FALSE(m.Running);
}
