// Full screen ("Tela Cheia", F4): the picture at the largest whole multiple
// the screen holds, centred, exactly as the surface holds it (also where its
// top edge falls inside a block); "Esticar Totalmente" still covering the
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

// Pixels of the window's backing store that differ from the surface drawn
// at `at`, each surface pixel a block of the multiple, black around it.
int WrongPixels(TfrmNES& form, const QRect& at) {
  TDXDraw& draw = *form.DXDraw;
  const QImage& surface = draw.Surface();
  const int n = at.width() / surface.width();
  const QImage shown = form.screen()
                           ->grabWindow(form.winId())
                           .toImage()
                           .convertToFormat(QImage::Format_RGB32)
                           .copy(QRect(draw.mapTo(&form, QPoint(0, 0)), draw.size()));
  int wrong = 0;
  for (int y = 0; y < shown.height(); ++y)
    for (int x = 0; x < shown.width(); ++x) {
      const QRgb expected = at.contains(x, y)
                                ? draw.ColorTable()[surface.pixelIndex((x - at.x()) / n, (y - at.y()) / n)]
                                : qRgb(0, 0, 0);
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
    int wrongFull = -1;
    bool leftByEscape = false;
    int frame = 0;
    RunFrames([&] { Item("mnuLoadROM")->trigger(); },
              [&] {
                ++frame;
                if (frame == 3) QTest::keyClick(KeyTarget(), Qt::Key_F4);
                if (frame == 8) {
                  fullRect = draw.PictureRect();
                  // A picture in which every row and column differs from its
                  // neighbours, painted whole.
                  const QImage& surface = draw.Surface();
                  std::vector<uint8_t> pattern(size_t(surface.width()) * surface.height());
                  for (int y = 0; y < surface.height(); ++y)
                    for (int x = 0; x < surface.width(); ++x)
                      pattern[size_t(y) * surface.width() + x] = uint8_t((x + 2 * y) % 13 + 1);
                  draw.CopyPixels(pattern.data());
                  draw.repaint();
                  wrongFull = WrongPixels(*form, fullRect);
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
    EXPECT_EQ(wrongFull, 0);
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
