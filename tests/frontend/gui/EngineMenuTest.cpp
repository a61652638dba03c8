// "CPU > Motor": the designed engine and the console engine, one checked,
// the choice kept with the settings; a change with a cartridge in restarts
// it after asking, and a "no" changes nothing.
#include <algorithm>

#include "FormFixture.h"
#include "core/Engine.h"

namespace {

TEST_F(FormTest, TheEngineIsChosenFromTheCpuMenuAndKept) {
  Open();
  auto* motor = form->findChild<QMenu*>(QStringLiteral("Motor1"));
  ASSERT_TRUE(motor && form->mnuCPU->actions().contains(motor->menuAction()));
  EXPECT_EQ(motor->title(), QStringLiteral("Motor"));
  EXPECT_EQ(motor->actions(), (QList<QAction*>{Item("MotorClassico1"), Item("MotorConsole1")}));
  EXPECT_EQ(Item("MotorClassico1")->text(), QStringLiteral("Clássico (rápido)"));
  EXPECT_EQ(Item("MotorConsole1")->text(), QStringLiteral("Console (preciso)"));
  EXPECT_TRUE(Item("MotorClassico1")->isChecked());
  EXPECT_EQ(form->machine().engine->Id(), "classic");

  // Asked while the demo runs: "no" keeps the engine and the game going on,
  // "yes" restarts the demo in the console engine, which then draws it.
  nextRomFile = QStringLiteral(VIREL_DEMO_ROM);
  int ticks = 0;
  int64_t framesAtYes = 0;
  RunFrames([&] { Item("mnuLoadROM")->trigger(); },
            [&] {
              ++ticks;
              if (ticks == 20) {
                confirmAnswer = false;
                Item("MotorConsole1")->trigger();
              } else if (ticks == 40) {
                EXPECT_EQ(form->machine().engine->Id(), "classic");
                EXPECT_TRUE(Item("MotorClassico1")->isChecked());
                EXPECT_TRUE(form->machine().Running);
                confirmAnswer = true;
                framesAtYes = form->FramesRun();
                Item("MotorConsole1")->trigger();
              }
              return ticks >= 120;
            });
  EXPECT_EQ(questions.size(), 2);
  EXPECT_TRUE(
      questions.value(0).startsWith(QStringLiteral("Trocar o motor reinicia o cartucho em execução.")));
  // The question says how the states of one engine reach the other.
  EXPECT_TRUE(questions.value(0).contains(QStringLiteral("só carregam no outro")));
  EXPECT_EQ(form->machine().engine->Id(), "console");
  EXPECT_TRUE(Item("MotorConsole1")->isChecked());
  EXPECT_TRUE(form->machine().CartridgeLoaded());
  EXPECT_GT(form->FramesRun(), framesAtYes + 30);
  EXPECT_EQ(Log().count(QStringLiteral("6502 iniciado.")), 2);
  EXPECT_TRUE(Log().contains(QStringLiteral("Motor: Console (preciso)")));
  const auto& pixels = form->machine().FrameBuffer;
  EXPECT_TRUE(std::any_of(pixels.begin(), pixels.end(), [&](uint8_t p) { return p != pixels[0]; }));
  Close();
  EXPECT_EQ(Stored(QStringLiteral("Motor")).toInt(), 1);

  // Kept: the next window starts with the console engine; with nothing
  // loaded the change back asks nothing.
  questions.clear();
  Open();
  EXPECT_EQ(form->machine().engine->Id(), "console");
  EXPECT_TRUE(Item("MotorConsole1")->isChecked());
  Item("MotorClassico1")->trigger();
  EXPECT_TRUE(questions.isEmpty());
  EXPECT_EQ(form->machine().engine->Id(), "classic");
  Close();
  EXPECT_EQ(Stored(QStringLiteral("Motor")).toInt(), 0);
}

}  // namespace
