// The time controls' settings: the keys of the state slots, rewind,
// fast-forward and frame advance (and a joystick button for each, besides the
// key), the fast-forward speed, the length of the rewind history and the
// run-ahead. Kept with the rest of the settings under their own key, "TEMPO".
// No toolkit here.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "timeline/TimeLimits.h"

// What a time-control key does. The first nine save to slots 1-9, the next
// nine load from them.
enum TimeCommand : int {
  tcSaveSlot1 = 0,
  tcLoadSlot1 = 9,
  tcUndoLoad = 18,
  tcRewind,             // held
  tcFastForward,        // held
  tcFastForwardToggle,  // pressed: on until pressed again
  tcFrameAdvance,
  kTimeCommandCount
};

// A key with its modifiers: the Windows virtual-key code the controllers'
// bindings use (0-255), plus these bits. 0 is no key.
constexpr int32_t kChordShift = 0x100;
constexpr int32_t kChordCtrl = 0x200;
constexpr int32_t kChordAlt = 0x400;
constexpr int32_t kChordKeyMask = 0xFF;
constexpr int32_t kChordMax = 0x7FF;

// A joystick button as the player counts them: joystick 1 is the first one
// plugged in (the one controller 1's "Habilitar Joy" reads), buttons from 1.
// Joystick 0 is no button.
constexpr int32_t kMaxJoysticks = 8;
constexpr int32_t kJoystickButtons = 32;
struct JoyButton {
  int32_t Joystick = 0;  // 1 ... kMaxJoysticks, 0 for none
  int32_t Button = 0;    // 1 ... kJoystickButtons
  constexpr bool Bound() const { return Joystick != 0; }
  bool operator==(const JoyButton&) const = default;
};
// Stored as one number a player can read and edit: joystick × 100 + button
// ("105" is joystick 1, button 5), 0 for none.
constexpr int32_t JoyButtonCode(JoyButton b) { return b.Bound() ? b.Joystick * 100 + b.Button : 0; }
// The button of a stored number, or nothing when no button has that number.
std::optional<JoyButton> JoyButtonFromCode(int32_t code);

struct TimeSettings {
  // Slots: the digit saves with Shift and loads alone. Undo: Shift+F9, beside
  // "Carregar Status" on F9. Rewind on Backspace, fast-forward on F11 (held)
  // and Shift+F11 (on/off), frame advance on F7: keys no controller and no
  // menu item uses.
  std::array<int32_t, kTimeCommandCount> Keys = DefaultKeys();
  int32_t FastForwardSpeed = 4;
  int32_t RewindMinutes = 10;
  int32_t RunAhead = 0;  // frames, 0-3
  // A joystick button per command, besides its key; none by default.
  std::array<JoyButton, kTimeCommandCount> Buttons{};

  static constexpr std::array<int32_t, kTimeCommandCount> DefaultKeys() {
    std::array<int32_t, kTimeCommandCount> keys{};
    for (int n = 0; n < kStateSlots; ++n) {
      keys[tcSaveSlot1 + n] = kChordShift | ('1' + n);
      keys[tcLoadSlot1 + n] = '1' + n;
    }
    keys[tcUndoLoad] = kChordShift | 120;  // F9
    keys[tcRewind] = 8;                    // Backspace
    keys[tcFastForward] = 122;             // F11
    keys[tcFastForwardToggle] = kChordShift | 122;
    keys[tcFrameAdvance] = 118;  // F7
    return keys;
  }
};

// The caption of a command, as the keys page and the menus show it.
std::string TimeCommandCaption(int command);
// The stored name of a command's key under "TEMPO"; its joystick button's
// name is this with "_JOY" after it.
std::string TimeCommandValueName(int command);
// Whether a command acts while its key or button is held (rewind,
// fast-forward) rather than once per press.
constexpr bool TimeCommandHeld(int command) { return command == tcRewind || command == tcFastForward; }
