// Rewind, fast-forward and frame advance on the real window, driven by their
// keys and menu items as a player drives them.
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
