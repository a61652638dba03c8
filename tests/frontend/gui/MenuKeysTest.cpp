// The game's keys and the menus: while a cartridge runs, a key bound to a
// controller never opens or moves in the menu bar nor runs a menu item, even
// after a menu was closed with Escape or the menu bar was reached with Alt;
// the controller still sees the key, and shortcut keys keep working.
#include <QMenuBar>
#include <QSignalSpy>

#include "frontend/gui/FormFixture.h"

namespace {

TEST_F(FormTest, GameKeysNeverReachTheMenus) {
  Open();
  form->show();
  QApplication::setActiveWindow(form.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  QSignalSpy resets(form->mnuReset, &QAction::triggered);
  nextRomFile = kPadRom;
  Machine& m = form->machine();
  QMenuBar* bar = form->menuBar();
  const auto press = [&](Qt::Key key) { QTest::keyPress(KeyTarget(), key); };
  const auto release = [&](Qt::Key key) { QTest::keyRelease(KeyTarget(), key); };
  bool cpuMenuOpened = false, altGaveTheMenuBarTheKeyboard = false;
  QWidget* keyboardAfterEscape = nullptr;
  QStringList menusOpenedByGameKeys;
  std::vector<uint8_t> padWhileHeld;
  int frame = 0;
  const auto noteOpenMenu = [&](const char* when) {
    if (QApplication::activePopupWidget() != nullptr) menusOpenedByGameKeys << QString::fromLatin1(when);
  };
  RunFrames([&] { Item("mnuLoadROM")->trigger(); },
            [&] {
              switch (++frame) {
                case 3:
                  // "CPU" clicked: its first item is "Reiniciar".
                  QTest::mouseClick(bar, Qt::LeftButton, {},
                                    bar->actionGeometry(form->mnuCPU->menuAction()).center());
                  cpuMenuOpened = QApplication::activePopupWidget() == form->mnuCPU;
                  break;
                case 4: QTest::keyClick(KeyTarget(), Qt::Key_Escape); break;
                case 5: keyboardAfterEscape = QApplication::focusWidget(); break;
                case 6:
                  // Down, then Enter (controller 1's Start), held.
                  press(Qt::Key_Down);
                  noteOpenMenu("Down after Escape");
                  press(Qt::Key_Return);
                  noteOpenMenu("Enter after Escape");
                  break;
                case 8:
                  padWhileHeld.push_back(m.PadState[0]);
                  release(Qt::Key_Return);
                  release(Qt::Key_Down);
                  break;
                case 9:
                  // Alt alone hands the menu bar the keyboard (as a player may
                  // do on purpose); the game's keys still go to the game.
                  QTest::keyClick(KeyTarget(), Qt::Key_Alt, Qt::AltModifier);
                  altGaveTheMenuBarTheKeyboard = QApplication::focusWidget() == bar;
                  press(Qt::Key_Right);
                  noteOpenMenu("Right after Alt");
                  press(Qt::Key_Return);
                  noteOpenMenu("Enter after Alt");
                  break;
                case 11:
                  padWhileHeld.push_back(m.PadState[0]);
                  release(Qt::Key_Return);
                  release(Qt::Key_Right);
                  break;
                case 12:
                  // Shift is a key of controller 2 and F2 a shortcut: together
                  // they still reset.
                  QTest::keyClick(KeyTarget(), Qt::Key_F2, Qt::ShiftModifier);
                  break;
              }
              return frame == 14;
            });
  EXPECT_TRUE(cpuMenuOpened);
  // The menu closed, the keyboard is the picture's again.
  EXPECT_EQ(keyboardAfterEscape, form->centralWidget());
  EXPECT_TRUE(altGaveTheMenuBarTheKeyboard);
  EXPECT_TRUE(menusOpenedByGameKeys.isEmpty()) << menusOpenedByGameKeys.join(", ").toStdString();
  // Down + Start, then Right + Start: the controller saw every key.
  EXPECT_EQ(padWhileHeld, (std::vector<uint8_t>{0x28, 0x88}));
  // Only the shortcut reset the game.
  EXPECT_EQ(resets.count(), 1);
  EXPECT_NE(QApplication::focusWidget(), bar);
}

}  // namespace
