// The input component: the keyboard (through the tracked key state), one
// joystick (SDL2) and optionally the mouse, merged into the input states Up,
// Down, Left, Right and Button 1-32 of one controller. It reports nothing
// while its foreground window is not the active window.
#pragma once

#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <functional>

#include "frontend/Controllers.h"

class TDXInput {
 public:
  struct Config {
    int JoystickNumber = 0;
    int DeadZone = 50;  // percent of the range around the centre
    int Range = 10;
    bool Mouse = false;
  };

  TDXInput(QWidget* foreground, const Config& config);
  ~TDXInput();
  TDXInput(const TDXInput&) = delete;
  TDXInput& operator=(const TDXInput&) = delete;

  KeyTable Keys{};
  bool JoystickEnabled = false;
  // The player's switch for a controller the mouse is given to: off, the
  // mouse moves and presses nothing.
  bool MouseEnabled = true;

  // Reads every enabled device; the union of what they report now becomes
  // the component's states.
  void Update();
  const InputStates& States() const { return states_; }

  // Reads the joystick of a number; false when there is none. SDL2 by
  // default; tests put their own here.
  std::function<bool(int number, int range, JoystickReading& reading)> ReadJoystick;
  // The mouse buttons held for the game (bits 0-2: left, right, middle). All
  // held buttons by default; the main window counts only presses on the
  // picture that opened no menu.
  std::function<uint32_t()> ReadMouseButtons;

 private:
  bool ReadSdlJoystick(int number, int range, JoystickReading& reading);

  QPointer<QWidget> foreground_;
  Config config_;
  InputStates states_;
  QPoint lastCursor_;
  bool cursorKnown_ = false;
  void* joystick_ = nullptr;  // SDL_Joystick*
};
