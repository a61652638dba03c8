// The buttons held on every joystick plugged in, read through SDL2: what the
// time controls' joystick bindings listen to, and where the "Tempo" page
// takes a binding from. Joysticks plugged in or pulled out between two reads
// are noticed; a machine without any reads none.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "frontend/TimeSettings.h"

// Buttons 1-32 of each joystick as bits 0-31, joystick 1 first (in SDL's
// order, as the controllers' joystick numbers go).
using JoystickButtons = std::vector<uint32_t>;
// Where the window and the page read them: the SDL reader by default, a
// test's own presses in tests.
using JoystickButtonsReader = std::function<JoystickButtons()>;

// Starts SDL's joystick subsystem once for the program; false when it cannot
// run (no SDL support for joysticks here).
bool JoystickSubsystem();

// Whether `button` is held in `held`; never for no button.
bool JoyButtonHeld(JoyButton button, const JoystickButtons& held);
// The first button down in `now` that was not in `before`, or none.
JoyButton NewlyPressed(const JoystickButtons& before, const JoystickButtons& now);
// "Joystick 1 botão 5"; "(nenhum)" for none.
QString JoyButtonName(JoyButton button);

// Keeps every joystick open between reads, so a read is SDL's update and a
// look at each button.
class TJoystickButtons {
 public:
  TJoystickButtons() = default;
  ~TJoystickButtons();
  TJoystickButtons(const TJoystickButtons&) = delete;
  TJoystickButtons& operator=(const TJoystickButtons&) = delete;

  JoystickButtons Read();
  // A reader over this object, for JoystickButtonsReader.
  JoystickButtonsReader Reader() {
    return [this] { return Read(); };
  }

 private:
  std::vector<void*> open_;  // SDL_Joystick*, by device number
};
