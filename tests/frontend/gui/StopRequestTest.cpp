// The orderly end asked for from outside (a stop signal, the session ending)
// reaching the window at awkward moments: while the debugger runs step by
// step inside the run loop, and while a dialog is open with emulation paused.
// Either way the window ends as "Sair" ends it: cartridge unloaded and its
// battery file written.
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "FormFixture.h"
#include "engine/classic/ClassicEngine.h"

namespace {

class StopRequestTest : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    ASSERT_TRUE(QFile::copy(QStringLiteral(VIREL_ROM_DIR "/battery_counter.nes"), dir.filePath("jogo.nes")));
    nextRomFile = dir.filePath("jogo.nes");
  }
  // The frame count the cartridge keeps in battery RAM, as its file has it.
  qint64 SavedCount() {
    QFile file(dir.filePath("jogo.sav"));
    if (!file.open(QIODevice::ReadOnly)) return -1;
    const QByteArray bytes = file.readAll();
    if (bytes.size() != 8192) return -1;
    return qint64(uint8_t(bytes[0])) | qint64(uint8_t(bytes[1])) << 8 | qint64(uint8_t(bytes[2])) << 16;
  }
  QTemporaryDir dir;
};

TEST_F(StopRequestTest, WhileTheDebuggerRunsStepByStepTheCloseWaitsForBothLoops) {
  Open().show();
  bool debuggerRan = false;
  RunFrames([&] { Item("mnuLoadROM")->trigger(); },
            [&] {
              if (Classic(form->machine()).Cpu.PC == 0) return false;
              QTimer::singleShot(50, [&] {
                auto* debugger = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                if (!debugger) return;
                QTimer::singleShot(200, [&] {
                  debuggerRan = true;
                  form->RequestClose();
                });
                // Runs one instruction at a time until something stops it.
                debugger->findChild<QAction*>(QStringLiteral("mnuRodar"))->trigger();
              });
              Item("mnuDebug")->trigger();
              return true;
            });
  EXPECT_TRUE(debuggerRan);
  QTRY_VERIFY_WITH_TIMEOUT(!form->isVisible(), 5000);
  EXPECT_FALSE(form->machine().CartridgeLoaded());
  EXPECT_GT(SavedCount(), 0);
  EXPECT_EQ(Log().count(QStringLiteral("Salvando arquivo de bateria \"jogo.sav\".")), 1);
  EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
}

TEST_F(StopRequestTest, WithADialogOpenAndEmulationPausedTheDialogGoesFirst) {
  Open().show();
  RunFrames([&] { Item("mnuLoadROM")->trigger(); }, [&] { return Classic(form->machine()).Cpu.PC != 0; });
  ASSERT_TRUE(form->machine().CartridgeLoaded());
  ASSERT_FALSE(form->machine().Running);  // paused, no run loop
  bool dialogWasOpen = false;
  QTimer::singleShot(100, [&] {
    dialogWasOpen = QApplication::activeModalWidget() != nullptr;
    form->RequestClose();
  });
  Item("mnuAbout")->trigger();  // returns once the request dismissed it
  EXPECT_TRUE(dialogWasOpen);
  QTRY_VERIFY_WITH_TIMEOUT(!form->isVisible(), 5000);
  EXPECT_FALSE(form->machine().CartridgeLoaded());
  EXPECT_GE(SavedCount(), 0);
  EXPECT_EQ(Log().count(QStringLiteral("Salvando arquivo de bateria \"jogo.sav\".")), 1);
}

}  // namespace
