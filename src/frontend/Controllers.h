// The two emulated controllers as the host's devices feed them: input states
// (Up, Down, Left, Right, Button 1-32) merged from keyboard, joystick and
// mouse, the key table built from a controller's bindings, and the button
// byte PadState made from the states. The devices themselves belong to the
// front end's input component; everything here is plain data.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>

// Binding fields of one controller, in this order: Up, Down, Left, Right, A,
// B, Start, Select (Windows virtual-key codes), and its joystick switch.
enum PadBinding { pbUp, pbDown, pbLeft, pbRight, pbA, pbB, pbStart, pbSelect };
constexpr int kPadBindingCount = 8;

struct PadBindings {
  std::array<int32_t, kPadBindingCount> Keys{};
  bool JoystickEnabled = false;
  // The mouse plays this controller ("Mouse controla o Jogador 1"): only
  // controller 1 has it, on by default.
  bool MouseEnabled = false;
};

// Controller 1 on the arrows with Space, Ctrl, Enter, Tab; controller 2 on
// E, X, S, D with Shift, Z, Q, W.
constexpr PadBindings kDefaultPad1{{38, 40, 37, 39, 32, 17, 13, 9}, false, true};
constexpr PadBindings kDefaultPad2{{69, 88, 83, 68, 16, 90, 81, 87}, false};

// Input states of an input component: the four directions, then Button 1-32.
enum InputState { isUp, isDown, isLeft, isRight, isButton1 };
constexpr int kInputStateCount = 4 + 32;
constexpr int InputButton(int n) { return isButton1 + n - 1; }  // n = 1 ... 32
using InputStates = std::bitset<kInputStateCount>;

// Up to three virtual-key codes per state; 0 is an empty slot.
constexpr int kKeysPerState = 3;
using KeyTable = std::array<std::array<int32_t, kKeysPerState>, kInputStateCount>;

// Which virtual keys are down (codes 0-255).
using KeyboardState = std::bitset<256>;

// Clears the whole table, then gives each of the first eight states exactly
// one key: binding i goes to Up, Down, Left, Right, Button 1, 2, 3, 4.
void ApplyBindings(KeyTable& table, const PadBindings& bindings);

// A state is on while any of its keys is down.
InputStates KeyboardStates(const KeyTable& table, const KeyboardState& keys);

// A joystick as the input component sees it: axes scaled to -range ... +range,
// buttons 1-32 as bits 0-31.
struct JoystickReading {
  int X = 0, Y = 0;
  uint32_t Buttons = 0;
};
// Axis X below centre is Left, above Right; Y below Up, above Down, once the
// deflection passes the dead zone (a percentage of the range). Button n is
// Button n.
InputStates JoystickStates(const JoystickReading& joy, int range, int deadZonePercent);

// The mouse on controller 1: relative motion since the last poll gives the
// directions, buttons 1-3 (bits 0-2) give Button 1-3.
InputStates MouseStates(int dx, int dy, uint32_t buttons);

// The button byte, bit 0 first: A, B, Select, Start, Up, Down, Left, Right,
// from Button 1, Button 2, Button 4, Button 3, Up, Down, Left, Right.
uint8_t PadByteFromStates(const InputStates& states);
