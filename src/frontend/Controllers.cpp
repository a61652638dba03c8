#include "frontend/Controllers.h"

#include <cstdlib>

void ApplyBindings(KeyTable& table, const PadBindings& bindings) {
  for (auto& slots : table) slots.fill(0);
  // Bindings are ordered Up, Down, Left, Right, A, B, Start, Select and the
  // first eight states Up, Down, Left, Right, Button 1-4, so index i maps to
  // state i: Start lands on Button 3 and Select on Button 4.
  for (int i = 0; i < kPadBindingCount; ++i) table[i][0] = bindings.Keys[i];
}

InputStates KeyboardStates(const KeyTable& table, const KeyboardState& keys) {
  InputStates states;
  for (int s = 0; s < kInputStateCount; ++s) {
    for (int32_t code : table[s]) {
      // Codes outside 1-255 can come from a hand-edited store; they never match.
      if (code > 0 && code < 256 && keys[code]) {
        states.set(s);
        break;
      }
    }
  }
  return states;
}

InputStates JoystickStates(const JoystickReading& joy, int range, int deadZonePercent) {
  InputStates states;
  // The dead zone is a share of the range around the centre; a stick resting
  // slightly off centre must not press a direction.
  const int threshold = range * deadZonePercent / 100;
  if (joy.X < -threshold) states.set(isLeft);
  if (joy.X > threshold) states.set(isRight);
  if (joy.Y < -threshold) states.set(isUp);
  if (joy.Y > threshold) states.set(isDown);
  for (int n = 1; n <= 32; ++n) {
    if (joy.Buttons & (1u << (n - 1))) states.set(InputButton(n));
  }
  return states;
}

InputStates MouseStates(int dx, int dy, uint32_t buttons) {
  InputStates states;
  if (dx < 0) states.set(isLeft);
  if (dx > 0) states.set(isRight);
  if (dy < 0) states.set(isUp);
  if (dy > 0) states.set(isDown);
  for (int n = 1; n <= 3; ++n) {
    if (buttons & (1u << (n - 1))) states.set(InputButton(n));
  }
  return states;
}

uint8_t PadByteFromStates(const InputStates& states) {
  // Bit order of the serial protocol; Start and Select sit in bits 3 and 2,
  // the reverse of their Button 3 / Button 4 order.
  static constexpr int kBitSource[8] = {InputButton(1), InputButton(2), InputButton(4), InputButton(3),
                                        isUp,           isDown,         isLeft,         isRight};
  uint8_t byte = 0;
  for (int bit = 0; bit < 8; ++bit) {
    if (states[kBitSource[bit]]) byte |= uint8_t(1u << bit);
  }
  return byte;
}
