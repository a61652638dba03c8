#include "frontend/gui/JoystickButtons.h"

#include <SDL.h>

#include <QString>
#include <algorithm>

bool JoystickSubsystem() {
  static const bool ready = [] {
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    // Signals stay with the program (SDL would queue them as events).
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    return SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0;
  }();
  return ready;
}

bool JoyButtonHeld(JoyButton button, const JoystickButtons& held) {
  if (!button.Bound() || size_t(button.Joystick) > held.size()) return false;
  return (held[size_t(button.Joystick - 1)] >> (button.Button - 1) & 1) != 0;
}

JoyButton NewlyPressed(const JoystickButtons& before, const JoystickButtons& now) {
  const size_t joysticks = std::min(now.size(), size_t(kMaxJoysticks));
  for (size_t j = 0; j < joysticks; ++j) {
    const uint32_t pressed = now[j] & ~(j < before.size() ? before[j] : 0u);
    for (int b = 0; b < kJoystickButtons; ++b)
      if (pressed >> b & 1) return JoyButton{int32_t(j + 1), b + 1};
  }
  return {};
}

QString JoyButtonName(JoyButton button) {
  if (!button.Bound()) return QStringLiteral("(nenhum)");
  return QStringLiteral("Joystick %1 botão %2").arg(button.Joystick).arg(button.Button);
}

TJoystickButtons::~TJoystickButtons() {
  for (void* joy : open_)
    if (joy != nullptr) SDL_JoystickClose(static_cast<SDL_Joystick*>(joy));
}

JoystickButtons TJoystickButtons::Read() {
  if (!JoystickSubsystem()) return {};
  SDL_JoystickUpdate();
  const int count = std::clamp(SDL_NumJoysticks(), 0, int(kMaxJoysticks));
  // A device number can change hands when a joystick is pulled out: the one
  // open under it is kept only while it is still the same device.
  for (size_t n = 0; n < open_.size(); ++n) {
    auto* joy = static_cast<SDL_Joystick*>(open_[n]);
    if (joy == nullptr) continue;
    if (int(n) >= count || !SDL_JoystickGetAttached(joy) ||
        SDL_JoystickInstanceID(joy) != SDL_JoystickGetDeviceInstanceID(int(n))) {
      SDL_JoystickClose(joy);
      open_[n] = nullptr;
    }
  }
  open_.resize(size_t(count), nullptr);
  JoystickButtons held(size_t(count), 0);
  for (int n = 0; n < count; ++n) {
    if (open_[size_t(n)] == nullptr) open_[size_t(n)] = SDL_JoystickOpen(n);
    auto* joy = static_cast<SDL_Joystick*>(open_[size_t(n)]);
    if (joy == nullptr) continue;
    const int buttons = std::min(SDL_JoystickNumButtons(joy), int(kJoystickButtons));
    for (int b = 0; b < buttons; ++b)
      if (SDL_JoystickGetButton(joy, b)) held[size_t(n)] |= 1u << b;
  }
  return held;
}
