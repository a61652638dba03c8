// The main window's Debug command around the debugger window: emulation
// stops while it is open, the window steps the machine the loop will carry
// on from, and closing resumes the same loop without starting a second one.
#include <QTreeWidget>

#include "debugger/gui/DebugForm.h"
#include "engine/classic/ClassicEngine.h"
#include "frontend/gui/FormFixture.h"

namespace {

TEST_F(FormTest, DebugWhileRunningStepsTheSuspendedLoopsMachineAndResumesIt) {
  Open();
  nextRomFile = kPadRom;
  Machine& m = form->machine();
  int frames = 0, depthInDialog = -1, depthAfter = -1;
  bool runningInDialog = true, runningAfter = false, stepped = false;
  int framesAfterDebug = 0;
  RunFrames([&] { Item("mnuLoadROM")->trigger(); },
            [&] {
              ++frames;
              if (runningAfter) return ++framesAfterDebug >= 3;
              if (frames < 3) return false;
              QTimer::singleShot(50, [&] {
                auto* dialog = qobject_cast<TfrmDebug*>(QApplication::activeModalWidget());
                if (!dialog) return;
                runningInDialog = m.Running;
                depthInDialog = m.RunLoopDepth;
                // The cartridge may wait in a jump to itself: an executed
                // instruction shows in the cycles of the slice, if not in PC.
                const uint16_t pc = Classic(m).Cpu.PC;
                const int32_t cycles = Classic(m).Cpu.Cycles;
                dialog->StepOverClick();
                stepped = (Classic(m).Cpu.PC != pc || Classic(m).Cpu.Cycles != cycles) &&
                          dialog->RowOf(Classic(m).Cpu.PC) != nullptr;
                dialog->close();
              });
              Item("mnuDebug")->trigger();
              runningAfter = m.Running;
              depthAfter = m.RunLoopDepth;
              return false;
            });
  EXPECT_FALSE(runningInDialog);
  EXPECT_EQ(depthInDialog, 1);  // the suspended loop, and no other
  EXPECT_TRUE(stepped);
  EXPECT_TRUE(runningAfter);
  EXPECT_EQ(depthAfter, 1);
  EXPECT_EQ(framesAfterDebug, 3);  // the same loop went on running frames
  EXPECT_EQ(m.RunLoopDepth, 0);
}

TEST_F(FormTest, DebugWhilePausedLeavesEmulationPaused) {
  Open();
  nextRomFile = kPadRom;
  RunFrames([&] { Item("mnuLoadROM")->trigger(); }, [&] { return true; });
  Machine& m = form->machine();
  ASSERT_FALSE(m.Running);
  bool opened = false;
  QTimer::singleShot(50, [&] {
    if (QWidget* dialog = QApplication::activeModalWidget()) {
      opened = dialog->windowTitle() == QStringLiteral("Debug");
      dialog->close();
    }
  });
  Item("mnuDebug")->trigger();
  EXPECT_TRUE(opened);
  EXPECT_FALSE(m.Running);
  EXPECT_EQ(m.RunLoopDepth, 0);
}

}  // namespace
