#include "frontend/gui/TDXInput.h"

#include <SDL.h>

#include <QApplication>
#include <QCursor>

#include "frontend/gui/JoystickButtons.h"
#include "frontend/gui/VirtualKeys.h"

TDXInput::TDXInput(QWidget* foreground, const Config& config) : foreground_(foreground), config_(config) {
  KeyboardTracker::Instance();
  ReadJoystick = [this](int number, int range, JoystickReading& reading) {
    return ReadSdlJoystick(number, range, reading);
  };
  ReadMouseButtons = [] {
    const Qt::MouseButtons held = QGuiApplication::mouseButtons();
    uint32_t buttons = 0;
    if (held & Qt::LeftButton) buttons |= 1;
    if (held & Qt::RightButton) buttons |= 2;
    if (held & Qt::MiddleButton) buttons |= 4;
    return buttons;
  };
}

TDXInput::~TDXInput() {
  if (joystick_ != nullptr) SDL_JoystickClose(static_cast<SDL_Joystick*>(joystick_));
}

bool TDXInput::ReadSdlJoystick(int number, int range, JoystickReading& reading) {
  if (!JoystickSubsystem()) return false;
  // Also notices joysticks plugged in or pulled out since the last poll.
  SDL_JoystickUpdate();
  auto* joy = static_cast<SDL_Joystick*>(joystick_);
  if (joy != nullptr && !SDL_JoystickGetAttached(joy)) {
    SDL_JoystickClose(joy);
    joy = nullptr;
  }
  if (joy == nullptr && number < SDL_NumJoysticks()) joy = SDL_JoystickOpen(number);
  joystick_ = joy;
  if (joy == nullptr) return false;
  // Axes come as -32768 ... 32767 and are scaled to -range ... +range.
  reading.X = SDL_JoystickGetAxis(joy, 0) * range / 32768;
  reading.Y = SDL_JoystickGetAxis(joy, 1) * range / 32768;
  reading.Buttons = 0;
  const int buttons = std::min(SDL_JoystickNumButtons(joy), 32);
  for (int b = 0; b < buttons; ++b) {
    if (SDL_JoystickGetButton(joy, b)) reading.Buttons |= 1u << b;
  }
  return true;
}

void TDXInput::Update() {
  states_.reset();
  // Asking where the pointer is waits for the X server's answer: only the
  // controller the mouse moves asks, once a frame.
  QPoint motion;
  const bool mouse = config_.Mouse && MouseEnabled;
  if (mouse) {
    const QPoint cursor = QCursor::pos();
    if (cursorKnown_) motion = cursor - lastCursor_;
    lastCursor_ = cursor;
    cursorKnown_ = true;
  } else {
    // Switched on again later, the mouse starts from where it is then.
    cursorKnown_ = false;
  }
  // Nothing is read while another window has the user's attention: a key
  // typed into a dialog or another program must not move the player.
  if (foreground_ == nullptr || !foreground_->isActiveWindow()) return;

  states_ |= KeyboardStates(Keys, KeyboardTracker::Instance().Keys());
  if (JoystickEnabled) {
    JoystickReading reading;
    if (ReadJoystick(config_.JoystickNumber, config_.Range, reading)) {
      states_ |= JoystickStates(reading, config_.Range, config_.DeadZone);
    }
  }
  // A menu open over the game is where the mouse is at work: reaching for
  // an item must not move the player or press a button.
  if (mouse && QApplication::activePopupWidget() == nullptr)
    states_ |= MouseStates(motion.x(), motion.y(), ReadMouseButtons());
}
