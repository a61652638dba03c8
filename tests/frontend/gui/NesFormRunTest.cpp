// The main window with a cartridge running: pause and resume, reset, the
// status panels, the frame-rate text, full screen, closing while the run loop
// is active, errors that escape a command, the unload key with nothing
// loaded, and the log's length.
#include <QLocale>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTest>

#include "FormFixture.h"
#include "frontend/gui/NesFormParts.h"
#include "video/gui/DXDraw.h"

namespace {

TEST_F(FormTest, PauseStopsAndResumesTheLoopAndResetWaitsForRunning) {
  Open();
  nextRomFile = kPadRom;
  RunFrames([&] { Item("mnuLoadROM")->trigger(); },
            [&] {
              Item("mnuPause")->trigger();
              return true;
            });
  Machine& m = form->machine();
  EXPECT_FALSE(m.Running);
  EXPECT_TRUE(m.CartridgeLoaded());
  const uint8_t framesAtPause = m.Ram[0x12];
  EXPECT_GT(framesAtPause, 0);

  // Reset while paused does nothing: no reset line, the program goes on
  // from where it stood.
  const int resetsBefore = Log().count(QStringLiteral("resetando 6502..."));
  Item("mnuReset")->trigger();
  EXPECT_EQ(Log().count(QStringLiteral("resetando 6502...")), resetsBefore);
  EXPECT_FALSE(m.Running);

  // Pause while paused resumes: the loop runs until paused again.
  int frames = 0;
  bool runningAfterResume = false;
  RunFrames([&] { Item("mnuPause")->trigger(); },
            [&] {
              runningAfterResume = m.Running;
              if (++frames < 5) return false;
              Item("pmuPause")->trigger();
              return true;
            });
  EXPECT_TRUE(runningAfterResume);
  EXPECT_FALSE(m.Running);
  EXPECT_GT(uint8_t(m.Ram[0x12] - framesAtPause), 2);

  // Reset while running logs the reset and goes on running in the same loop.
  RunFrames([&] { Item("mnuPause")->trigger(); },
            [&] {
              Item("mnuReset")->trigger();
              EXPECT_TRUE(m.Running);
              EXPECT_EQ(m.RunLoopDepth, 1);
              return true;
            });
  EXPECT_EQ(Log().count(QStringLiteral("resetando 6502...")), resetsBefore + 1);
}

TEST_F(FormTest, StatusPanelsWhileRunning) {
  Open();
  nextRomFile = kPadRom;
  QStringList icons;
  QStringList iconsWithSound;
  RunFrames([&] { Item("mnuLoadROM")->trigger(); },
            [&] {
              icons = form->StatusPanel1->IconNames();
              Item("abltsom")->trigger();  // switching sound off while running
              iconsWithSound = form->StatusPanel1->IconNames();
              return true;
            });
  EXPECT_EQ(icons, (QStringList{"DirectX", "Audio"}));
  EXPECT_EQ(iconsWithSound, (QStringList{"DirectX", "NoAudio"}));
  // Paused: the panel is empty again.
  EXPECT_TRUE(form->StatusPanel1->IconNames().isEmpty());
  EXPECT_EQ(form->StatusPanel0->text(), QStringLiteral("FRONTEND_PAD.NES"));
}

TEST_F(FormTest, FrameRateTextUsesTheDecimalSeparator) {
  QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
  Open();
  form->VerFps1->trigger();
  ASSERT_TRUE(form->ShowFps);
  nextRomFile = kPadRom;
  QStringList texts;
  int frames = 0;
  RunFrames([&] { Item("mnuLoadROM")->trigger(); },
            [&] {
              texts = form->DXDraw->TextItems();
              return ++frames >= 3;
            });
  QLocale::setDefault(QLocale::c());
  ASSERT_EQ(texts.size(), 1);
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^FPS: \\d+,\\d\\d$")).match(texts[0]).hasMatch())
      << texts[0].toStdString();
  EXPECT_GT(form->DXDraw->flips(), 2);
}

TEST_F(FormTest, UnloadKeyWithNothingLoadedLogsBothLines) {
  Open();
  form->show();
  QApplication::setActiveWindow(form.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  form->Terminal->clear();
  QTest::keyClick(form.get(), Qt::Key_F3);
  const QStringList log = Log();
  EXPECT_TRUE(log.contains(QStringLiteral("6502 terminado.")));
  EXPECT_TRUE(log.contains(QStringLiteral("Cartucho Descarregado.")));
  EXPECT_LT(log.indexOf(QStringLiteral("6502 terminado.")),
            log.indexOf(QStringLiteral("Cartucho Descarregado.")));
  EXPECT_EQ(form->StatusPanel0->text(), QStringLiteral("Pressione F2 Para Carregar uma ROM"));
  EXPECT_TRUE(errors.isEmpty());
}

TEST_F(FormTest, ClosingWhileRunningWaitsForTheLoop) {
  Open();
  form->show();
  nextRomFile = kPadRom;
  bool visibleAfterClose = false;
  RunFrames([&] { Item("mnuLoadROM")->trigger(); },
            [&] {
              form->close();
              // The unload happened at once; the window waits for the loop.
              EXPECT_FALSE(form->machine().CartridgeLoaded());
              visibleAfterClose = form->isVisible();
              return true;
            });
  EXPECT_TRUE(visibleAfterClose);
  EXPECT_EQ(form->machine().RunLoopDepth, 0);
  QTRY_VERIFY_WITH_TIMEOUT(!form->isVisible(), 2000);
  EXPECT_TRUE(Log().contains(QStringLiteral("Cartucho Descarregado.")));
}

TEST_F(FormTest, ErrorsEscapingACommandReachTheUser) {
  Open();
  nextRomFile = QStringLiteral("/nada/jogo.nes");
  Item("mnuLoadROM")->trigger();
  ASSERT_EQ(errors.size(), 1);
  EXPECT_FALSE(errors[0].isEmpty());
  EXPECT_FALSE(Item("mnuFreeROM")->isEnabled());
  EXPECT_FALSE(form->machine().Running);
  // The window carries on: the next command works.
  Item("ExibirLog1")->trigger();
  EXPECT_TRUE(form->Terminal->isVisibleTo(form.get()));
  EXPECT_FALSE(form->DXDraw->isVisibleTo(form.get()));
}

TEST_F(FormTest, FullScreenAndBack) {
  Open();
  form->show();
  form->settings().FullScreenMode = "640x480x32";
  Item("elaCheia1")->trigger();
  EXPECT_TRUE(form->DXDraw->options().FullScreen);
  EXPECT_FALSE(form->menuBar()->isVisible());
  EXPECT_FALSE(form->statusBar()->isVisible());
  EXPECT_FALSE(form->Bar->isVisible());
  EXPECT_EQ(form->DXDraw->displayMode().Width, 640);
  EXPECT_EQ(form->DXDraw->displayMode().BitCount, 32);
  EXPECT_EQ(form->DXDraw->contextMenuPolicy(), Qt::NoContextMenu);
  form->ToggleFullScreen();
  EXPECT_FALSE(form->DXDraw->options().FullScreen);
  EXPECT_TRUE(form->menuBar()->isVisible());
  EXPECT_TRUE(form->statusBar()->isVisible());
  EXPECT_EQ(form->DXDraw->contextMenuPolicy(), Qt::CustomContextMenu);

  // A mode that is not made of numbers fails the switch with a message.
  form->settings().FullScreenMode = "grandex480x16";
  Item("elaCheia1")->trigger();
  ASSERT_EQ(errors.size(), 1);
  EXPECT_TRUE(errors[0].contains(QStringLiteral("'grande' não é um número inteiro válido")));
}

TEST_F(FormTest, AFailedFullScreenSwitchLeavesTheWindowAsItWas) {
  Open();
  form->show();
  nextRomFile = kPadRom;
  const QRect placement = form->geometry();
  int frame = 0, flipsAfterFailure = 0;
  struct Seen {
    bool fullScreen, menu, toolBar, statusBar, canDraw;
  };
  std::vector<Seen> seen;
  RunFrames(
      [&] { Item("mnuLoadROM")->trigger(); },
      [&] {
        ++frame;
        if (frame == 2 || frame == 5) {
          // A stale or hand-edited mode; F4 (and, the second time, the item).
          form->settings().FullScreenMode = "grandex480x16";
          if (frame == 2)
            QTest::keyClick(form.get(), Qt::Key_F4);
          else
            Item("elaCheia1")->trigger();
          seen.push_back({form->DXDraw->options().FullScreen, form->menuBar()->isVisible(),
                          form->Bar->isVisible(), form->statusBar()->isVisible(), form->DXDraw->CanDraw()});
          flipsAfterFailure = form->DXDraw->flips();
        }
        return frame == 8;
      });
  ASSERT_EQ(seen.size(), 2u);
  for (const Seen& s : seen) {
    EXPECT_FALSE(s.fullScreen);
    EXPECT_TRUE(s.menu && s.toolBar && s.statusBar);
    EXPECT_TRUE(s.canDraw);
  }
  // The picture kept coming after the second failure.
  EXPECT_GT(form->DXDraw->flips(), flipsAfterFailure);
  ASSERT_EQ(errors.size(), 2);
  for (const QString& e : errors)
    EXPECT_TRUE(e.contains(QStringLiteral("'grande' não é um número inteiro válido")));
  EXPECT_EQ(form->settings().FullScreenMode, "grandex480x16");
  EXPECT_FALSE(form->isFullScreen());
  EXPECT_EQ(form->geometry(), placement);
  EXPECT_EQ(form->DXDraw->contextMenuPolicy(), Qt::CustomContextMenu);
}

TEST_F(FormTest, StartingInFullScreenAndUnloadingBackToTheWindow) {
  Open({QString(), QStringLiteral("/S1")});
  form->show();
  form->settings().FullScreenMode = "320x240x16";
  nextRomFile = kPadRom;
  bool fullDuringRun = false;
  RunFrames([&] { Item("mnuLoadROM")->trigger(); },
            [&] {
              fullDuringRun = form->DXDraw->options().FullScreen;
              Item("mnuFreeROM")->trigger();
              return true;
            });
  EXPECT_TRUE(fullDuringRun);
  EXPECT_FALSE(form->DXDraw->options().FullScreen);
  EXPECT_TRUE(form->menuBar()->isVisible());
  // Back in the log view.
  EXPECT_TRUE(form->Terminal->isVisibleTo(form.get()));
}

TEST_F(FormTest, LogKeepsItsLatestTenThousandLines) {
  Open();
  form->Terminal->clear();
  for (int i = 0; i < 10050; ++i) form->AppendLog("linha " + std::to_string(i));
  EXPECT_EQ(form->Terminal->document()->blockCount(), 10000);
  EXPECT_EQ(form->Terminal->document()->firstBlock().text(), QStringLiteral("linha 50"));
  EXPECT_EQ(form->Terminal->document()->lastBlock().text(), QStringLiteral("linha 10049"));
}

}  // namespace

namespace {

TEST_F(FormTest, CommandLineCartridgeStartsAtTheFirstActivationOnly) {
  Open({kPadRom});
  form->show();
  QWidget other;
  other.show();
  int frames = 0;
  RunFrames(
      [&] {
        QApplication::setActiveWindow(form.get());
        QTest::qWait(100);
      },
      [&] {
        if (!form->machine().Running) return false;
        // Leaving for another window and coming back goes on with the game.
        ++frames;
        if (frames == 2) QApplication::setActiveWindow(&other);
        if (frames == 4) QApplication::setActiveWindow(form.get());
        return frames >= 8;
      });
  EXPECT_GE(frames, 8);
  EXPECT_EQ(Log().count(QStringLiteral("6502 iniciado.")), 1);
  EXPECT_TRUE(form->machine().CartridgeLoaded());
}

TEST_F(FormTest, DebugCommandStopsAndResumesAroundItsWindow) {
  Open();
  nextRomFile = kPadRom;
  bool runningInDialog = true, runningAfter = false, enabled = false;
  RunFrames([&] { Item("mnuLoadROM")->trigger(); },
            [&] {
              enabled = Item("mnuDebug")->isEnabled();
              QTimer::singleShot(50, [&] {
                runningInDialog = form->machine().Running;
                if (QWidget* dialog = QApplication::activeModalWidget()) dialog->close();
              });
              Item("mnuDebug")->trigger();
              runningAfter = form->machine().Running;
              return true;
            });
  EXPECT_TRUE(enabled);
  EXPECT_FALSE(runningInDialog);
  EXPECT_TRUE(runningAfter);
}

}  // namespace

namespace {

TEST_F(FormTest, SaveSnapshotWritesTheBitmapAndLogsIt) {
  Open();
  QTemporaryDir dir;
  nextRomFile = kPadRom;
  nextBitmapFile = dir.filePath(QStringLiteral("shot.bmp"));
  int frames = 0;
  RunFrames([&] { Item("mnuLoadROM")->trigger(); },
            [&] {
              if (++frames < 3) return false;
              Item("mnuSavesnapshot")->trigger();
              nextBitmapFile.clear();  // a cancelled dialog writes nothing
              Item("mnuSavesnapshot")->trigger();
              return true;
            });
  QFile shot(dir.filePath(QStringLiteral("shot.bmp")));
  ASSERT_TRUE(shot.open(QIODevice::ReadOnly));
  const QByteArray bytes = shot.readAll();
  EXPECT_TRUE(bytes.startsWith("BM"));
  EXPECT_EQ(bytes.size(), 14 + 40 + 256 * 4 + 256 * 240);
  EXPECT_EQ(Log().count(QStringLiteral("salvar screen como \"shot.bmp\".")), 1);
  EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
}

}  // namespace
