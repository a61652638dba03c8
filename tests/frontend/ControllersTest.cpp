// Controller mapping: bindings into the key table, devices into input states
// and input states into the button byte that the processor reads.
#include <gtest/gtest.h>

#include "frontend/Controllers.h"

namespace {

uint8_t PadFromKeys(const PadBindings& bindings, std::initializer_list<int> down) {
  KeyTable table;
  ApplyBindings(table, bindings);
  KeyboardState keys;
  for (int k : down) keys.set(k);
  return PadByteFromStates(KeyboardStates(table, keys));
}

TEST(Controllers, DefaultKeysPressTheirButtons) {
  struct Case {
    const PadBindings* pad;
    int key;
    uint8_t bits;
  };
  // Bit 0..7: A, B, Select, Start, Up, Down, Left, Right.
  for (Case c : {Case{&kDefaultPad1, 32, 0x01}, Case{&kDefaultPad1, 17, 0x02}, Case{&kDefaultPad1, 9, 0x04},
                 Case{&kDefaultPad1, 13, 0x08}, Case{&kDefaultPad1, 38, 0x10}, Case{&kDefaultPad1, 40, 0x20},
                 Case{&kDefaultPad1, 37, 0x40}, Case{&kDefaultPad1, 39, 0x80}, Case{&kDefaultPad2, 81, 0x08},
                 Case{&kDefaultPad2, 87, 0x04}, Case{&kDefaultPad2, 16, 0x01}, Case{&kDefaultPad2, 90, 0x02},
                 Case{&kDefaultPad2, 69, 0x10}, Case{&kDefaultPad2, 68, 0x80}}) {
    EXPECT_EQ(PadFromKeys(*c.pad, {c.key}), c.bits) << "key " << c.key;
  }
  // Opposite directions together set both bits; keys of the other pad nothing.
  EXPECT_EQ(PadFromKeys(kDefaultPad1, {37, 39, 38, 40}), 0xF0);
  EXPECT_EQ(PadFromKeys(kDefaultPad1, {69, 88, 81}), 0x00);
}

TEST(Controllers, OneKeyBoundTwicePressesBoth) {
  PadBindings b = kDefaultPad1;
  b.Keys[pbA] = 65;
  b.Keys[pbStart] = 65;
  EXPECT_EQ(PadFromKeys(b, {65}), 0x09);
}

TEST(Controllers, ApplyingBindingsClearsTheWholeTable) {
  KeyTable table;
  for (auto& slots : table) slots.fill(65);
  ApplyBindings(table, kDefaultPad1);
  KeyboardState keys;
  keys.set(65);
  EXPECT_TRUE(KeyboardStates(table, keys).none());
  // Out-of-range stored codes never match and never index past the state.
  PadBindings odd = kDefaultPad1;
  odd.Keys[pbA] = 70000;
  odd.Keys[pbB] = -3;
  keys.set();
  EXPECT_EQ(PadFromKeys(odd, {}), 0);
  ApplyBindings(table, odd);
  EXPECT_EQ(PadByteFromStates(KeyboardStates(table, keys)), 0xFC);
}

TEST(Controllers, JoystickDirectionsNeedToPassTheDeadZone) {
  struct Case {
    int x, y;
    uint8_t bits;
  };
  for (Case c : {Case{0, 0, 0x00}, Case{-5, 5, 0x00}, Case{-6, 0, 0x40}, Case{10, 0, 0x80},
                 Case{0, -10, 0x10}, Case{0, 6, 0x20}, Case{-10, -10, 0x50}}) {
    EXPECT_EQ(PadByteFromStates(JoystickStates({c.x, c.y, 0}, 10, 50)), c.bits) << c.x << "," << c.y;
  }
  // Joystick buttons 1-4 are A, B, Start, Select; higher buttons do not reach the byte.
  EXPECT_EQ(PadByteFromStates(JoystickStates({0, 0, 0b1111}, 10, 50)), 0x0F);
  InputStates high = JoystickStates({0, 0, 1u << 31}, 10, 50);
  EXPECT_TRUE(high[InputButton(32)]);
  EXPECT_EQ(PadByteFromStates(high), 0);
}

TEST(Controllers, MouseMotionAndButtons) {
  EXPECT_EQ(PadByteFromStates(MouseStates(-3, 0, 0)), 0x40);
  EXPECT_EQ(PadByteFromStates(MouseStates(2, -1, 0)), 0x90);
  EXPECT_EQ(PadByteFromStates(MouseStates(0, 4, 0)), 0x20);
  EXPECT_EQ(PadByteFromStates(MouseStates(0, 0, 0b111)), 0x0B);  // A, B, Start
}

}  // namespace
