// "Tamanho da Janela": the picture area at each multiple of 256 x 240, the
// choice kept between runs, the fall-back on a screen too small for it, and
// the picture drawn as whole blocks of one colour. The GUI tests run on an
// offscreen screen of 1920 x 1200 beside one of 1024 x 768 and one of
// 1280 x 800 (screens.json).
#include <QGuiApplication>
#include <QScreen>
#include <QStatusBar>
#include <set>

#include "frontend/gui/FormFixture.h"
#include "frontend/gui/NesFormParts.h"
#include "video/gui/DXDraw.h"

namespace {

QScreen* ScreenNamed(const char* name) {
  for (QScreen* s : QGuiApplication::screens())
    if (s->name() == QLatin1String(name)) return s;
  return nullptr;
}

// True when the window, frame and all, fits on its screen's free area.
bool FitsItsScreen(const QWidget& w) {
  return w.screen()->availableGeometry().width() >= w.frameGeometry().width() &&
         w.screen()->availableGeometry().height() >= w.frameGeometry().height();
}

}  // namespace

TEST_F(FormTest, EachSizeGivesThePictureAreaItsMultiple) {
  Open();
  QScreen* large = ScreenNamed("large");
  if (large == nullptr) GTEST_SKIP() << "needs the screens of screens.json";
  form->setScreen(large);
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  // Designed window at 1x: the picture unscaled in the middle of 332 x 270.
  Item("Tamanho1x")->trigger();
  QCoreApplication::processEvents();
  EXPECT_EQ(form->centralWidget()->size(), QSize(332, 270));
  EXPECT_EQ(form->DXDraw->PictureRect(), QRect(38, 15, 256, 240));
  for (int n = 2; n <= 4; ++n) {
    Item(qPrintable(QStringLiteral("Tamanho%1x").arg(n)))->trigger();
    QCoreApplication::processEvents();
    ASSERT_EQ(form->WindowSize(), n);
    EXPECT_TRUE(form->WindowSizes[n - 1]->isChecked());
    EXPECT_EQ(form->centralWidget()->size(), QSize(256 * n, 240 * n)) << n;
    EXPECT_EQ(form->DXDraw->PictureRect(), QRect(0, 0, 256 * n, 240 * n)) << n;
    EXPECT_TRUE(FitsItsScreen(*form)) << n;
  }
  // Stretching still covers the whole area; unchecking it brings the multiple back.
  form->est->trigger();
  EXPECT_EQ(form->DXDraw->PictureRect(), form->DXDraw->rect());
  form->est->trigger();
  EXPECT_EQ(form->DXDraw->PictureRect().size(), QSize(1024, 960));
}

TEST_F(FormTest, ASizeTooLargeForTheScreenFallsBackToTheLargestThatFits) {
  Open();
  QScreen* small = ScreenNamed("small");
  if (small == nullptr) GTEST_SKIP() << "needs the screens of screens.json";
  form->setScreen(small);
  form->move(small->geometry().topLeft() + QPoint(10, 10));
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  ASSERT_EQ(form->screen(), small);
  // 768 lines of screen: 3x (720 lines of picture plus menu, toolbar and
  // status bar) does not fit, 2x does.
  // The status bar says so, naming both sizes, and the menu marks the one used.
  Item("Tamanho4x")->trigger();
  EXPECT_EQ(form->WindowSize(), 2);
  EXPECT_EQ(form->statusBar()->currentMessage(), QStringLiteral("Tamanho 4x não cabe na tela; usando 2x."));
  EXPECT_TRUE(form->WindowSizes[1]->isChecked());
  EXPECT_FALSE(form->WindowSizes[3]->isChecked());
  EXPECT_EQ(form->centralWidget()->size(), QSize(512, 480));
  EXPECT_TRUE(FitsItsScreen(*form));
  // A size that fits takes the notice away.
  Item("Tamanho1x")->trigger();
  EXPECT_TRUE(form->statusBar()->currentMessage().isEmpty());
  EXPECT_TRUE(form->StatusPanel0->isVisible());
  // Chosen in full screen, where the status bar is hidden, the notice is
  // there on the way back, in place of the panels rather than over them.
  Item("elaCheia1")->trigger();
  Item("Tamanho4x")->trigger();
  Item("elaCheia1")->trigger();
  EXPECT_EQ(form->statusBar()->currentMessage(), QStringLiteral("Tamanho 4x não cabe na tela; usando 2x."));
  EXPECT_FALSE(form->StatusPanel0->isVisible());
  EXPECT_FALSE(form->StatusPanel1->isVisible());
  Item("Tamanho2x")->trigger();
  EXPECT_TRUE(form->StatusPanel0->isVisible());
  EXPECT_TRUE(form->StatusPanel1->isVisible());
  // What is kept is the player's choice, not what this screen could hold.
  Item("Tamanho4x")->trigger();
  Close();
  EXPECT_EQ(Stored(QStringLiteral("TamanhoJanela")).toInt(), 4);
}

TEST_F(FormTest, WindowSizeIsStoredAndRestored) {
  Open();
  // A first start has no stored size: 2x.
  EXPECT_EQ(form->WindowSize(), 2);
  EXPECT_TRUE(form->WindowSizes[1]->isChecked());
  Item("Tamanho1x")->trigger();
  Close();
  EXPECT_EQ(Stored(QStringLiteral("TamanhoJanela")).toInt(), 1);
  Open();
  EXPECT_EQ(form->WindowSize(), 1);
  EXPECT_TRUE(form->WindowSizes[0]->isChecked());
  EXPECT_EQ(form->size(), form->minimumSize());
  Close();
  Store(QStringLiteral("TamanhoJanela"), 3);
  Open();
  EXPECT_TRUE(form->WindowSizes[form->WindowSize() - 1]->isChecked());
  if (QScreen* large = ScreenNamed("large"); large != nullptr && form->screen() == large) {
    EXPECT_EQ(form->WindowSize(), 3);
  }
}

// Every pixel of the surface becomes an n x n block of exactly its colour:
// no smoothing blends neighbours, no block is a pixel short or long.
TEST_F(FormTest, PicturePixelsAreWholeBlocksOfOneColour) {
  for (int n : {2, 3}) {
    Open();
    if (QScreen* large = ScreenNamed("large")) form->setScreen(large);
    Item(qPrintable(QStringLiteral("Tamanho%1x").arg(n)))->trigger();
    if (form->WindowSize() != n) GTEST_SKIP() << "the screen is too small for " << n << "x";
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    // The split-screen cartridge: sprites, a diagonal line, several palettes.
    nextRomFile = QStringLiteral(VIREL_ROM_DIR "/video_scroll.nes");
    int frames = 0;
    RunFrames([&] { Item("mnuLoadROM")->trigger(); }, [&] { return ++frames >= 20; });
    const QImage shown = form->DXDraw->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage& surface = form->DXDraw->Surface();
    const QRect at = form->DXDraw->PictureRect();
    ASSERT_EQ(at.size(), surface.size() * n);
    std::set<QRgb> colours;
    int wrong = 0;
    for (int y = 0; y < surface.height(); ++y)
      for (int x = 0; x < surface.width(); ++x) {
        const QRgb expected = form->DXDraw->ColorTable()[surface.pixelIndex(x, y)] | 0xFF000000u;
        colours.insert(expected);
        for (int dy = 0; dy < n; ++dy)
          for (int dx = 0; dx < n; ++dx)
            if (shown.pixel(at.x() + n * x + dx, at.y() + n * y + dy) != expected) ++wrong;
      }
    EXPECT_EQ(wrong, 0) << n << "x";
    EXPECT_GE(colours.size(), 5u) << "the picture should hold edges between colours";
    form->machine().Running = false;
    Close();
  }
}

// Frames repaint only the rows that changed. What the screen holds after a
// run must still be exactly the whole picture as a full paint draws it.
TEST_F(FormTest, PaintingOnlyChangedRowsLeavesTheWholePictureOnScreen) {
  Open();
  // The display's own painting: the message line ("Pausado") lies over it.
  Item("MensagensNaTela1")->setChecked(false);
  if (QScreen* large = ScreenNamed("large")) form->setScreen(large);
  Item("Tamanho2x")->trigger();
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  // The demo: a still title over a scrolling landscape, colours that change
  // every eighth frame, a ship and sparkles that move.
  nextRomFile = QStringLiteral(VIREL_DEMO_ROM);
  int frames = 0;
  int partial = 0;
  RunFrames([&] { Item("mnuLoadROM")->trigger(); },
            [&] {
              const QRegion& changed = form->DXDraw->FlippedRegion();
              if (!changed.isEmpty() && changed != QRegion(form->DXDraw->rect())) ++partial;
              return ++frames >= 45;
            });
  EXPECT_GT(partial, 0) << "some frames should have changed only part of the picture";
  const QRect area(form->DXDraw->mapTo(form.get(), QPoint(0, 0)), form->DXDraw->size());
  const QImage onScreen =
      form->screen()->grabWindow(form->winId()).toImage().convertToFormat(QImage::Format_RGB32);
  const QImage fullPaint = form->DXDraw->grab().toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(fullPaint.size(), area.size());
  EXPECT_TRUE(onScreen.copy(area) == fullPaint);
}

// At a whole multiple the picture is converted straight into the window's
// backing store. A repaint of any part, edges inside a pixel's block
// included, brings exactly that part up to the surface and leaves the rest
// of the window as it was.
TEST_F(FormTest, ARepaintOfAnyPartOfThePictureDrawsExactlyThatPart) {
  int sizesTried = 0;
  for (int n : {1, 2, 3, 4}) {
    Open();
    Item("MensagensNaTela1")->setChecked(false);  // nothing over the picture
    if (QScreen* large = ScreenNamed("large")) form->setScreen(large);
    Item(qPrintable(QStringLiteral("Tamanho%1x").arg(n)))->trigger();
    if (form->WindowSize() != n) {
      Close();
      continue;
    }
    ++sizesTried;
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    nextRomFile = QStringLiteral(VIREL_ROM_DIR "/video_scroll.nes");
    int frames = 0;
    RunFrames([&] { Item("mnuLoadROM")->trigger(); }, [&] { return ++frames >= 20; });
    TDXDraw& draw = *form->DXDraw;
    const QRect area(draw.mapTo(form.get(), QPoint(0, 0)), draw.size());
    const auto onScreen = [&] {
      return form->screen()
          ->grabWindow(form->winId())
          .toImage()
          .convertToFormat(QImage::Format_RGB32)
          .copy(area);
    };
    const QImage before = onScreen();

    // A new picture on the surface, shown only where the repaint asks: a
    // pattern in which every pixel differs from each of its neighbours.
    const QImage& surface = draw.Surface();
    std::vector<uint8_t> pattern(size_t(surface.width()) * surface.height());
    for (int y = 0; y < surface.height(); ++y)
      for (int x = 0; x < surface.width(); ++x)
        pattern[size_t(y) * surface.width() + x] = uint8_t((x + 2 * y) % 13 + 1);
    draw.CopyPixels(pattern.data());
    const QRect at = draw.PictureRect();
    // Starting and ending part way through a block.
    const QRect part(at.x() + n * 10 + n / 2, at.y() + n * 7 + (n > 1), n * 37 + 1, n * 23 + 1);
    draw.repaint(part);
    const QImage after = onScreen();
    const auto surfaceColour = [&](int x, int y) {
      return draw.ColorTable()[surface.pixelIndex(x, y)] | 0xFF000000u;
    };
    int wrong = 0;
    for (int y = 0; y < after.height(); ++y)
      for (int x = 0; x < after.width(); ++x) {
        const QRgb expected =
            part.contains(x, y) ? surfaceColour((x - at.x()) / n, (y - at.y()) / n) : before.pixel(x, y);
        if (after.pixel(x, y) != expected) ++wrong;
      }
    EXPECT_EQ(wrong, 0) << n << "x";
    EXPECT_NE(before.copy(part), after.copy(part)) << "the new picture should differ where it was repainted";

    // Stretched, the picture is scaled from a 32-bit copy, which must show
    // the surface as it is now, also after paints that went straight into
    // the window in between.
    const auto stretchedPictureIsTheSurface = [&] {
      draw.SetStretch(true);
      draw.repaint();
      const QImage stretched = onScreen();
      draw.SetStretch(false);
      int wrongStretched = 0;
      for (int sy = 0; sy < surface.height(); sy += 5)
        for (int sx = 0; sx < surface.width(); sx += 3) {
          const int x = int((sx + 0.5) * stretched.width() / surface.width());
          const int y = int((sy + 0.5) * stretched.height() / surface.height());
          if (stretched.pixel(x, y) != surfaceColour(sx, sy)) ++wrongStretched;
        }
      return wrongStretched;
    };
    EXPECT_EQ(stretchedPictureIsTheSurface(), 0) << n << "x";
    for (uint8_t& index : pattern) index = uint8_t(index % 13 + 1);
    draw.CopyPixels(pattern.data());
    draw.repaint();
    EXPECT_EQ(stretchedPictureIsTheSurface(), 0) << n << "x, after a straight paint";
    form->machine().Running = false;
    Close();
  }
  EXPECT_GE(sizesTried, 3) << "the large screen takes 1x to 3x at least";
}
