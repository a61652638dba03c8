// The pointer as controller 1's mouse: motion between two reads moves only
// the controller the mouse is given to, and nothing moves while the window
// is not the active one.
#include "frontend/gui/TDXInput.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QTest>
#include <QWidget>

namespace {

uint8_t PadByte(const TDXInput& input) { return PadByteFromStates(input.States()); }

}  // namespace

TEST(TDXInputTest, PointerMotionMovesOnlyTheMouseControllerWhileTheWindowIsActive) {
  QWidget window;
  window.resize(200, 200);
  window.show();
  QApplication::setActiveWindow(&window);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  TDXInput mouse(&window, TDXInput::Config{0, 50, 10, true});
  TDXInput keysOnly(&window, TDXInput::Config{1, 50, 10, false});
  const QPoint start(100, 100);
  QCursor::setPos(start);
  mouse.Update();
  keysOnly.Update();
  EXPECT_EQ(PadByte(mouse), 0);  // the first read only learns where the pointer is

  QCursor::setPos(start + QPoint(5, 0));
  mouse.Update();
  keysOnly.Update();
  EXPECT_EQ(PadByte(mouse), 0x80);  // Right
  EXPECT_EQ(PadByte(keysOnly), 0);

  mouse.Update();
  EXPECT_EQ(PadByte(mouse), 0);  // a pointer at rest stops the controller

  QCursor::setPos(start + QPoint(5, -4));
  mouse.Update();
  EXPECT_EQ(PadByte(mouse), 0x10);  // Up

  QWidget other;
  other.show();
  QApplication::setActiveWindow(&other);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  QCursor::setPos(start);
  mouse.Update();
  EXPECT_EQ(PadByte(mouse), 0);
}
