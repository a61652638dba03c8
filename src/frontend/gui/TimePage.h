// The settings dialog's page "Tempo": the key of every time control (click
// its button, then press the key, with Shift, Ctrl or Alt if wanted) and its
// joystick button (click, then press a button on any joystick), the
// fast-forward speed, the length of the rewind history and the run-ahead. It
// edits copies; the dialog takes Values() on OK.
#pragma once

#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "frontend/TimeSettings.h"
#include "frontend/gui/JoystickButtons.h"

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTimer;

class TTimePage : public QWidget {
  Q_OBJECT
 public:
  // `keyOwner` names what else answers to a chord (a controller's button, a
  // menu command), or returns an empty text when nothing does;
  // `buttonOwner` likewise for a joystick button.
  TTimePage(const TimeSettings& time, std::function<QString(int32_t chord)> keyOwner,
            std::function<QString(JoyButton)> buttonOwner = {}, QWidget* parent = nullptr);
  ~TTimePage() override;

  TimeSettings Values() const;
  // The command whose key the next key press sets, or -1.
  int Capturing() const { return capturing_; }
  // The command whose joystick button the next press sets, or -1.
  int CapturingButton() const { return padCapturing_; }

  // Where the page looks for a joystick press while it waits for one: every
  // joystick through SDL unless replaced.
  JoystickButtonsReader ReadJoysticks;

  std::array<QPushButton*, kTimeCommandCount> KeyButtons{};
  std::array<QPushButton*, kTimeCommandCount> PadButtons{};
  QPushButton* btnPadrao = nullptr;
  QComboBox* cbSpeed = nullptr;
  QSpinBox* seRewind = nullptr;
  QComboBox* cbRunAhead = nullptr;
  // Why the last key or button pressed was refused; empty otherwise.
  QLabel* lbAviso = nullptr;
  // What to do next: while a button waits, which press it waits for and how
  // to cancel.
  QLabel* lbDica = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void StartCapture(int command);
  void Take(int32_t chord);
  // A click on a command's joystick button: waits for a press, or stops
  // waiting when it already did.
  void PadButtonClick(int command);
  void PollJoysticks();
  void TakeButton(JoyButton button);
  // Stops waiting for a key or a joystick button.
  void StopCapture();
  void ShowKeys();

  std::array<int32_t, kTimeCommandCount> keys_{};
  std::array<JoyButton, kTimeCommandCount> buttons_{};
  std::function<QString(int32_t)> keyOwner_;
  std::function<QString(JoyButton)> buttonOwner_;
  int capturing_ = -1;
  int padCapturing_ = -1;
  std::unique_ptr<TJoystickButtons> joysticks_;
  QTimer* padTimer_ = nullptr;
  // What was held at the last look: a press is a button that was not.
  JoystickButtons padsBefore_;
};
