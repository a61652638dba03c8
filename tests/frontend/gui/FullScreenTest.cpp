// Full screen ("Tela Cheia", F4): the picture at the largest whole multiple
// the screen holds, centred, drawn exactly as the surface holds it, whole or
// in part (also where its top edge falls inside a block); "Esticar Totalmente" still covering the
// screen; the window's own size kept for the way back; Escape leaving.
#include <QMenuBar>
#include <QScreen>

#include "frontend/gui/FormFixture.h"
#include "video/gui/DXDraw.h"

namespace {

QScreen* ScreenNamed(const QString& name) {
  for (QScreen* s : QGuiApplication::screens())
    if (s->name() == name) return s;
  return nullptr;
}

// A picture in which every pixel differs from each of its neighbours;
// `shift` gives another one.
std::vector<uint8_t> Pattern(int shift) {
  std::vector<uint8_t> pattern(size_t(256) * 240);
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 256; ++x) pattern[size_t(y) * 256 + x] = uint8_t((x + 2 * y + shift) % 13 + 1);
  return pattern;
}

// Pixels of the window's backing store, over the display, that differ from
// the picture `inside` drawn at `at` as blocks of the multiple inside `part`,
// the picture `outside` elsewhere in `at`, and black around `at`.
int WrongPixels(TfrmNES& form, const QRect& at, const QRect& part, const std::vector<uint8_t>& inside,
                const std::vector<uint8_t>& outside) {
  TDXDraw& draw = *form.DXDraw;
  const int n = at.width() / 256;
  const QImage shown = form.screen()
                           ->grabWindow(form.winId())
                           .toImage()
                           .convertToFormat(QImage::Format_RGB32)
                           .copy(QRect(draw.mapTo(&form, QPoint(0, 0)), draw.size()));
  int wrong = 0;
  for (int y = 0; y < shown.height(); ++y)
    for (int x = 0; x < shown.width(); ++x) {
      QRgb expected = qRgb(0, 0, 0);
      if (at.contains(x, y)) {
        const std::vector<uint8_t>& picture = part.contains(x, y) ? inside : outside;
        expected = draw.ColorTable()[picture[size_t((y - at.y()) / n) * 256 + (x - at.x()) / n]];
      }
      if (shown.pixel(x, y) != (expected | 0xFF000000u)) ++wrong;
    }
  return wrong;
}

TEST_F(FormTest, FullScreenDrawsTheLargestWholeMultipleAndEscapeLeavesIt) {
  // Screen, multiple, where the picture lands. On the wide screen the
  // picture's top (40) and left (256) fall inside a block of 3.
  struct Case {
    const char* screen;
    int multiple;
    QPoint at;
  };
  if (ScreenNamed(QStringLiteral("wide")) == nullptr) GTEST_SKIP() << "needs the screens of screens.json";
  for (Case c : {Case{"large", 5, {320, 0}}, Case{"small", 3, {128, 24}}, Case{"wide", 3, {256, 40}}}) {
    SCOPED_TRACE(c.screen);
    Open();
    QScreen* screen = ScreenNamed(QString::fromLatin1(c.screen));
    ASSERT_NE(screen, nullptr);
    form->setScreen(screen);
    form->move(screen->geometry().topLeft() + QPoint(10, 10));
    Item("Tamanho2x")->trigger();
    form->show();
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    nextRomFile = QStringLiteral(VIREL_ROM_DIR "/video_scroll.nes");
    TDXDraw& draw = *form->DXDraw;
    QRect fullRect, stretchedRect, windowRect;
    int wrongWhole = -1, wrongPart = -1;
    bool leftByEscape = false;
    int frame = 0;
    RunFrames([&] { Item("mnuLoadROM")->trigger(); },
              [&] {
                ++frame;
                if (frame == 3) QTest::keyClick(KeyTarget(), Qt::Key_F4);
                if (frame == 8) {
                  fullRect = draw.PictureRect();
                  // A whole paint, then one of a part that starts and ends
                  // inside blocks: each must draw exactly its picture.
                  const std::vector<uint8_t> first = Pattern(0), second = Pattern(5);
                  draw.CopyPixels(first.data());
                  draw.repaint();
                  wrongWhole = WrongPixels(*form, fullRect, fullRect, first, first);
                  const int n = c.multiple;
                  const QRect part(fullRect.x() + n * 10 + n / 2, fullRect.y() + n * 7 + n - 1, n * 37 + 1,
                                   n * 23 + 1);
                  draw.CopyPixels(second.data());
                  draw.repaint(part);
                  wrongPart = WrongPixels(*form, fullRect, part, second, first);
                  form->est->trigger();
                  stretchedRect = draw.PictureRect();
                  form->est->trigger();
                }
                if (frame == 9) QTest::keyClick(KeyTarget(), Qt::Key_Escape);
                if (frame == 12) {
                  leftByEscape =
                      !form->isFullScreen() && !draw.options().FullScreen && form->menuBar()->isVisible();
                  windowRect = draw.PictureRect();
                }
                return frame == 12;
              });
    EXPECT_EQ(fullRect, QRect(c.at, QSize(256, 240) * c.multiple));
    EXPECT_EQ(wrongWhole, 0);
    EXPECT_EQ(wrongPart, 0);
    EXPECT_EQ(stretchedRect, QRect(QPoint(0, 0), screen->size()));
    EXPECT_TRUE(leftByEscape);
    // The window kept its own size throughout.
    EXPECT_EQ(windowRect, QRect(0, 0, 512, 480));
    EXPECT_EQ(form->WindowSize(), 2);
    EXPECT_TRUE(form->WindowSizes[1]->isChecked());
    Close();
  }
}

}  // namespace
