// The debugger window on an assembled cartridge (debug_listing): listing,
// markers, stepping, runs to breakpoints, register and flag editing, reset.
#include "debugger/gui/DebugForm.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <algorithm>
#include <memory>
#include <ostream>

#include "cartridge/Lifecycle.h"
#include "cartridge/RomLoader.h"
#include "engine/EngineChoice.h"
#include "engine/classic/ClassicEngine.h"
#include "support/TestMachine.h"

// Readable failure messages for the captions and texts compared below.
static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

struct DebugFormFixture : ::testing::Test {
  TestMachine t;
  std::unique_ptr<TfrmDebug> form;

  virtual std::string_view Engine() const { return kClassicEngineId; }
  uint16_t Pc() const { return t.m.engine->Registers().PC; }

  void SetUp() override {
    ChooseEngine(t.m, Engine());
    ASSERT_TRUE(LoadRomFile(t.m, VIREL_ROM_DIR "/debug_listing.nes"));
    ASSERT_TRUE(LoadBatteryAndMapper(t.m));
    ResetMachine(t.m, true);
    ASSERT_EQ(Pc(), 0xC000);
    t.host.log.clear();
    form = std::make_unique<TfrmDebug>(t.m);
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  }

  QTreeWidget* Listing() { return form->Listing(); }
  QTreeWidgetItem* Row(uint16_t address) { return form->RowOf(address); }
  QAction* Action(const char* name) { return form->findChild<QAction*>(QString::fromUtf8(name)); }
  QLineEdit* Field(const char* name) { return form->findChild<QLineEdit*>(QString::fromUtf8(name)); }
  void Press(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(Listing(), static_cast<Qt::Key>(key), mods);
  }
  void Steps(int n) {
    for (int i = 0; i < n; ++i) Press(Qt::Key_F8);
  }
  void ToggleBreakpoint(uint16_t address) {
    Listing()->setCurrentItem(Row(address));
    Press(Qt::Key_F5);
  }

  // Captions of the rows that carry the current-instruction marker.
  QStringList MarkedRows() {
    QStringList marked;
    for (int i = 0; i < Listing()->topLevelItemCount(); ++i) {
      QTreeWidgetItem* row = Listing()->topLevelItem(i);
      if (row->data(0, TfrmDebug::kStateRole).toInt() == 2) marked << row->text(0);
    }
    return marked;
  }
  int ImageOf(uint16_t address) { return Row(address)->data(0, TfrmDebug::kImageRole).toInt(); }
};

TEST_F(DebugFormFixture, OpeningListsOneBatchFromThePcAndMarksIt) {
  ASSERT_EQ(Listing()->topLevelItemCount(), TfrmDebug::kRowsPerFill);
  const QStringList expected[] = {
      {"C000", "SEI"},     {"C001", "CLD"},       {"C002", "LDX #FF"}, {"C004", "TXS"},
      {"C005", "LDA #00"}, {"C007", "STA $00"},   {"C009", "STA $01"}, {"C00B", "NOP"},
      {"C010", "INC $00"}, {"C012", "JSR $D000"}, {"C015", "INC $01"}, {"C017", "JMP $C010"},
  };
  for (const QStringList& row : expected) {
    bool ok = false;
    QTreeWidgetItem* item = Row(static_cast<uint16_t>(row[0].toUInt(&ok, 16)));
    ASSERT_TRUE(item) << row[0].toStdString();
    EXPECT_EQ(item->text(0), row[0]);
    EXPECT_EQ(item->text(1), row[1]);
  }
  EXPECT_EQ(MarkedRows(), QStringList{"C000"});
  EXPECT_EQ(Listing()->currentItem(), Row(0xC000));
  EXPECT_EQ(Listing()->topLevelItem(0)->text(0), "C000");
  EXPECT_EQ(ImageOf(0xC000), 0);
  EXPECT_EQ(Field("edtPC")->text(), "C000");
  EXPECT_EQ(Field("edtS")->text(),
            QStringLiteral("00%1").arg(Classic(t.m).Cpu.S, 2, 16, QLatin1Char('0')).toUpper());
  EXPECT_FALSE(form->StopRequested());
}

TEST_F(DebugFormFixture, WindowCaptionsShortcutsAndDisabledItems) {
  EXPECT_EQ(form->windowTitle(), "Debug");
  const struct {
    const char* name;
    const char* caption;
    QKeySequence key;
    bool enabled;
  } items[] = {
      {"mnuRodar", "Rodar", QKeySequence("F9"), true},
      {"mnuStepOver", "Step Over", QKeySequence("F8"), true},
      {"mnuSkip", "Skip", QKeySequence("Shift+F8"), false},
      {"mnuRunToCursor", "Run to cursor", QKeySequence("F4"), false},
      {"mnuPausa", "Pausa", QKeySequence("F2"), true},
      {"mnuReiniciar", "Reiniciar", QKeySequence("Ctrl+F2"), true},
      {"mnuBreakpoints", "Breakpoints", QKeySequence("F5"), true},
      {"mnuViewBreakpoints", "View Breakpoints", QKeySequence(), false},
      {"mnuPatternTables", "Pattern Tables", QKeySequence(), false},
      {"mnuNomeTabela", "Nome da Tabela", QKeySequence(), false},
      {"mnuPalette", "Palette", QKeySequence(), false},
      {"mnuSaidaSom", "Saida de Som", QKeySequence(), false},
      {"tbRun", "Run", QKeySequence(), true},
      {"tbPause", "Pause", QKeySequence(), true},
      {"tbStepOver", "Step Over", QKeySequence(), true},
      {"tbSkip", "Skip", QKeySequence(), false},
  };
  for (const auto& item : items) {
    QAction* action = Action(item.name);
    ASSERT_TRUE(action) << item.name;
    EXPECT_EQ(action->text(), QString::fromUtf8(item.caption));
    EXPECT_EQ(action->shortcut(), item.key) << item.name;
    EXPECT_EQ(action->isEnabled(), item.enabled) << item.name;
  }
  QStringList menus;
  for (QAction* a : form->findChild<QMenuBar*>()->actions()) menus << a->text();
  EXPECT_EQ(menus, (QStringList{"Debug", "Exibir"}));
  QStringList panels;
  for (QLabel* l : form->findChild<QStatusBar*>()->findChildren<QLabel*>()) panels << l->text();
  EXPECT_EQ(panels, (QStringList{"F9 Iniciar", "F8 Step Over", "F5 Breakpoint", "F2 Pausa", ""}));
  QStringList flags;
  for (QCheckBox* c : form->findChildren<QCheckBox*>()) flags << c->text();
  EXPECT_EQ(flags, (QStringList{"0 - CARRY", "1 - ZERO", "2 - IRQ DISABLE", "3 - DECIMAL MODE",
                                "4 - BRK COMMAND", "5 - NOT USED", "6 - OVERFLOW", "7 - NEGATIVE"}));
}

TEST_F(DebugFormFixture, SteppingIntoUnlistedCodeAddsRowsAndBackOnlyMovesTheMarker) {
  Steps(13);  // through the reset routine to the JSR at $C012
  EXPECT_EQ(Classic(t.m).Cpu.PC, 0xC012);
  EXPECT_EQ(Listing()->topLevelItemCount(), TfrmDebug::kRowsPerFill);
  EXPECT_EQ(MarkedRows(), QStringList{"C012"});

  Steps(1);  // one instruction, also for a subroutine call
  EXPECT_EQ(Classic(t.m).Cpu.PC, 0xD000);
  EXPECT_EQ(Listing()->topLevelItemCount(), 2 * TfrmDebug::kRowsPerFill);
  EXPECT_EQ(MarkedRows(), QStringList{"D000"});
  EXPECT_EQ(Row(0xD000)->text(1), "LDY #00");
  EXPECT_EQ(Field("edtPC")->text(), "D000");

  // The rows stay in address order whatever order they were added in.
  QStringList captions;
  for (int i = 0; i < Listing()->topLevelItemCount(); ++i) captions << Listing()->topLevelItem(i)->text(0);
  QStringList sorted = captions;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(captions, sorted);

  Steps(26);  // LDY, 24 INY and the RTS: back at $C015, which is listed
  EXPECT_EQ(Classic(t.m).Cpu.PC, 0xC015);
  const int count = Listing()->topLevelItemCount();
  Steps(2);  // INC, JMP: stays in listed code
  EXPECT_EQ(Classic(t.m).Cpu.PC, 0xC010);
  EXPECT_EQ(Listing()->topLevelItemCount(), count);
  EXPECT_EQ(MarkedRows(), QStringList{"C010"});
  EXPECT_EQ(t.m.Ram[0], 1);
  EXPECT_EQ(t.m.Ram[1], 1);
}

TEST_F(DebugFormFixture, F5TwiceClearsABreakpointAndLeavesTheOthers) {
  ToggleBreakpoint(0xC005);
  ToggleBreakpoint(0xC010);
  EXPECT_TRUE(form->HasBreakpoint("C010"));
  EXPECT_EQ(ImageOf(0xC010), 1);
  ToggleBreakpoint(0xC010);
  EXPECT_FALSE(form->HasBreakpoint("C010"));
  EXPECT_EQ(ImageOf(0xC010), 0);
  EXPECT_TRUE(form->HasBreakpoint("C005"));
  EXPECT_EQ(ImageOf(0xC005), 1);

  // A breakpoint on the current row keeps its marker.
  ToggleBreakpoint(0xC000);
  EXPECT_EQ(ImageOf(0xC000), 1);
  EXPECT_EQ(MarkedRows(), QStringList{"C000"});
  // Nothing selected: nothing happens.
  Listing()->clearSelection();
  Listing()->setCurrentItem(nullptr);
  Press(Qt::Key_F5);
  EXPECT_TRUE(form->HasBreakpoint("C000"));
}

TEST_F(DebugFormFixture, RunStopsAtTheNextBreakpointNotTheOneItStartsOn) {
  Steps(12);
  ASSERT_EQ(Classic(t.m).Cpu.PC, 0xC010);
  ToggleBreakpoint(0xC010);
  ToggleBreakpoint(0xC015);
  Listing()->setCurrentItem(Row(0xC010));

  Press(Qt::Key_F9);  // leaves $C010, runs the whole subroutine, stops after it
  EXPECT_EQ(Classic(t.m).Cpu.PC, 0xC015);
  EXPECT_EQ(t.m.Ram[0], 1);
  EXPECT_EQ(t.m.Ram[1], 0);
  EXPECT_EQ(MarkedRows(), QStringList{"C015"});
  EXPECT_TRUE(form->StopRequested());
  EXPECT_EQ(Field("edtPC")->text(), "C015");
  EXPECT_TRUE(Listing()->updatesEnabled());

  Press(Qt::Key_F9);
  EXPECT_EQ(Classic(t.m).Cpu.PC, 0xC010);
  EXPECT_EQ(t.m.Ram[1], 1);

  // With only the starting row left, a run goes round the loop back to it.
  ToggleBreakpoint(0xC015);
  Press(Qt::Key_F9);
  EXPECT_EQ(Classic(t.m).Cpu.PC, 0xC010);
  EXPECT_EQ(t.m.Ram[0], 2);
  EXPECT_EQ(t.m.Ram[1], 2);
  EXPECT_EQ(MarkedRows(), QStringList{"C010"});
}

TEST_F(DebugFormFixture, PausaAndClosingEndARunThroughTheMessageProcessing) {
  // No breakpoint: only the messages handled between steps can stop the run.
  QTimer::singleShot(50, form.get(), [this] { Action("mnuPausa")->trigger(); });
  Press(Qt::Key_F9);
  EXPECT_TRUE(form->StopRequested());
  EXPECT_GT(t.m.Ram[0], 0);  // it did run round the loop
  EXPECT_EQ(MarkedRows().size(), 1);
  EXPECT_EQ(MarkedRows().front(), Field("edtPC")->text());

  const uint8_t passes = t.m.Ram[0];
  QTimer::singleShot(50, form.get(), [this] { form->close(); });
  Action("tbRun")->trigger();
  EXPECT_FALSE(form->isVisible());
  EXPECT_TRUE(form->StopRequested());
  EXPECT_NE(t.m.Ram[0], passes);
}

TEST_F(DebugFormFixture, RegisterFieldsSetTheirRegisters) {
  auto type = [](QLineEdit* edit, const char* text) {
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, QString::fromUtf8(text));
  };
  type(Field("edtA"), "1F");
  EXPECT_EQ(Classic(t.m).Cpu.A, 0x1F);
  type(Field("edtA"), "G");
  EXPECT_EQ(Classic(t.m).Cpu.A, 0);
  type(Field("edtX"), "7E");
  EXPECT_EQ(Classic(t.m).Cpu.X, 0x7E);
  type(Field("edtX"), "123");  // kept to the low eight bits
  EXPECT_EQ(Classic(t.m).Cpu.X, 0x23);
  type(Field("edtY"), "C3");
  EXPECT_EQ(Classic(t.m).Cpu.Y, 0xC3);
  type(Field("edtS"), "01F0");
  EXPECT_EQ(Classic(t.m).Cpu.S, 0xF0);
  type(Field("edtPC"), "C017");  // sixteen bits, nothing executed
  EXPECT_EQ(Classic(t.m).Cpu.PC, 0xC017);
  EXPECT_EQ(MarkedRows(), QStringList{"C000"});

  // A step refreshes every field from the processor without writing back.
  Press(Qt::Key_F8);  // JMP $C010
  EXPECT_EQ(Classic(t.m).Cpu.PC, 0xC010);
  EXPECT_EQ(Field("edtPC")->text(), "C010");
  EXPECT_EQ(Field("edtA")->text(), "00");
  EXPECT_EQ(Field("edtX")->text(), "23");
  EXPECT_EQ(Field("edtY")->text(), "C3");
  EXPECT_EQ(Field("edtS")->text(), "00F0");
}

TEST_F(DebugFormFixture, FlagBoxesFollowAndSetTheStatusBits) {
  for (int bit = 0; bit < 8; ++bit) {
    QCheckBox* box = form->findChild<QCheckBox*>(QStringLiteral("chkFlag%1").arg(bit));
    ASSERT_TRUE(box);
    EXPECT_EQ(box->isChecked(), (Classic(t.m).Cpu.P >> bit & 1) != 0) << bit;
    const uint8_t before = Classic(t.m).Cpu.P;
    box->click();
    EXPECT_EQ(Classic(t.m).Cpu.P, before ^ (1 << bit)) << bit;
    box->click();
    EXPECT_EQ(Classic(t.m).Cpu.P, before) << bit;
  }
  // SEI at $C000 sets I; the box follows the step.
  Classic(t.m).Cpu.P = 0;
  Press(Qt::Key_F8);
  EXPECT_TRUE(form->findChild<QCheckBox*>("chkFlag2")->isChecked());
  EXPECT_FALSE(form->findChild<QCheckBox*>("chkFlag0")->isChecked());
}

TEST_F(DebugFormFixture, DoubleClickSetsPcWithoutExecuting) {
  QTreeWidgetItem* row = Row(0xC010);
  const QRect rect = Listing()->visualItemRect(row);
  // A double-click is a click followed by the second press, as a user makes it.
  QTest::mouseClick(Listing()->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
  QTest::mouseDClick(Listing()->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
  EXPECT_EQ(Classic(t.m).Cpu.PC, 0xC010);
  EXPECT_EQ(Field("edtPC")->text(), "C010");
  EXPECT_EQ(t.m.Ram[0], 0);
  EXPECT_EQ(MarkedRows(), QStringList{"C000"});

  // The next step executes from there, and the old marker goes away.
  Press(Qt::Key_F8);
  EXPECT_EQ(t.m.Ram[0], 1);
  EXPECT_EQ(Classic(t.m).Cpu.PC, 0xC012);
  EXPECT_EQ(MarkedRows(), QStringList{"C012"});
}

TEST_F(DebugFormFixture, ReiniciarLeavesPcOnTheSecondInstructionOfTheResetRoutine) {
  Steps(14);
  ASSERT_EQ(Classic(t.m).Cpu.PC, 0xD000);
  Press(Qt::Key_F2, Qt::ControlModifier);
  EXPECT_EQ(Classic(t.m).Cpu.PC, 0xC001);
  EXPECT_NE(std::find(t.host.log.begin(), t.host.log.end(), "resetando 6502..."), t.host.log.end());
  EXPECT_EQ(MarkedRows(), QStringList{"C001"});
  EXPECT_EQ(Field("edtPC")->text(), "C001");
  EXPECT_TRUE(form->StopRequested());
}

TEST_F(DebugFormFixture, SteppingAcrossTheVerticalBlankEntersTheNmiHandler) {
  Steps(12);  // past the stack set-up, into the loop
  Classic(t.m).PpuCtrl |= 0x80;
  const uint16_t handler = static_cast<uint16_t>(t.m.PrgRom[0x7FFA] | t.m.PrgRom[0x7FFB] << 8);
  // A frame is 29,768 cycles; the loop's instructions take at least two each.
  for (int i = 0; i < 20000 && Classic(t.m).Cpu.PC != handler; ++i) form->StepOverClick();
  ASSERT_EQ(Classic(t.m).Cpu.PC, handler);
  // The return frame on the stack leads back into the loop or its subroutine.
  const uint16_t back = static_cast<uint16_t>(t.m.Ram[0x100 + uint8_t(Classic(t.m).Cpu.S + 2)] |
                                              t.m.Ram[0x100 + uint8_t(Classic(t.m).Cpu.S + 3)] << 8);
  EXPECT_TRUE((back >= 0xC010 && back <= 0xC017) || (back >= 0xD000 && back <= 0xD01A)) << std::hex << back;
  EXPECT_EQ(MarkedRows(), QStringList{QStringLiteral("%1").arg(handler, 4, 16).toUpper()});
  const uint8_t inHandler = Classic(t.m).Cpu.S;
  form->StepOverClick();  // RTI: back where the interrupt came in
  EXPECT_EQ(Classic(t.m).Cpu.S, uint8_t(inHandler + 3));
  EXPECT_EQ(Classic(t.m).Cpu.PC, back);
}

// The same debugger on the console engine: listing, steps, a run to a
// breakpoint and the reset, through the engine's own processor.
struct ConsoleDebugFixture : DebugFormFixture {
  std::string_view Engine() const override { return kConsoleEngineId; }
};

TEST_F(ConsoleDebugFixture, StepsRunsToBreakpointsAndResetsInTheConsoleEngine) {
  Steps(12);
  ASSERT_EQ(Pc(), 0xC010);
  EXPECT_EQ(MarkedRows(), QStringList{"C010"});
  ToggleBreakpoint(0xC015);
  Press(Qt::Key_F9);
  EXPECT_EQ(Pc(), 0xC015);
  EXPECT_EQ(t.m.Ram[0], 1);
  EXPECT_EQ(Field("edtPC")->text(), "C015");
  Press(Qt::Key_F9);  // round the loop to the same breakpoint
  EXPECT_EQ(Pc(), 0xC015);
  EXPECT_EQ(t.m.Ram[0], 2);
  Press(Qt::Key_F2, Qt::ControlModifier);
  EXPECT_EQ(Pc(), 0xC001);
  EXPECT_EQ(MarkedRows(), QStringList{"C001"});
}

}  // namespace
