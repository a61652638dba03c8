// The main window's time controls: fast-forward and frame advance in the
// "CPU" menu, the held keys of rewind and fast-forward, the joystick buttons
// bound to any of the controls, and the status bar while they run. What
// each frame is (shown, heard, rehearsed, re-run) is decided by the core's
// TimeControl, which the window asks at every frame start (NesFormDisplay.cpp).
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <utility>

#include "cartridge/Lifecycle.h"
#include "frontend/gui/KeyChords.h"
#include "frontend/gui/NesForm.h"
#include "frontend/gui/NesFormParts.h"
#include "frontend/gui/StatesMenu.h"
#include "frontend/gui/VirtualKeys.h"

namespace {

// How much memory the history may take: 64 MB for the default ten minutes,
// in proportion beyond.
size_t HistoryBytes(int minutes) {
  return RewindHistory::kDefaultBytes * static_cast<size_t>(std::max(minutes, 10)) / 10;
}

// How often a paused game's window looks at the joysticks: once a frame.
constexpr int kPausedPollMs = 16;

}  // namespace

void TfrmNES::CreateTimeItems() {
  AvancoRapido1 = new QAction(QStringLiteral("Avanço Rápido"), this);
  AvancoRapido1->setObjectName(QStringLiteral("AvancoRapido1"));
  AvancoRapido1->setCheckable(true);
  AvancarQuadro1 = new QAction(QStringLiteral("Avançar um Quadro"), this);
  AvancarQuadro1->setObjectName(QStringLiteral("AvancarQuadro1"));
  connect(AvancoRapido1, &QAction::triggered, this, [this] { Command([this] { FastForwardClick(); }); });
  connect(AvancarQuadro1, &QAction::triggered, this, [this] { Command([this] { FrameAdvanceClick(); }); });
  mnuCPU->addSeparator();
  mnuCPU->addActions({AvancoRapido1, AvancarQuadro1});
  // The window holds them too, so their keys work in full screen, where the
  // menu bar is hidden.
  addActions({AvancoRapido1, AvancarQuadro1});

  auto* status = new QLabel(statusBar());
  status->setObjectName(QStringLiteral("StatusTime"));
  statusBar()->addWidget(status);
  status->hide();

  joysticks_ = std::make_unique<TJoystickButtons>();
  ReadJoystickButtons = joysticks_->Reader();
  timeButtonTimer_ = new QTimer(this);
  timeButtonTimer_->setInterval(kPausedPollMs);
  connect(timeButtonTimer_, &QTimer::timeout, this, &TfrmNES::PollTimeButtonsWhilePaused);

  // "As fast as possible" shows a frame whenever the screen could show one.
  time_->DisplayDue = [this] {
    return std::chrono::steady_clock::now() - lastShown_ >= std::chrono::microseconds(16639);
  };
}

void TfrmNES::ApplyTimeSettings() {
  const TimeSettings& t = settings_.Time;
  time_->SetRunAhead(t.RunAhead);
  time_->SetFastForwardSpeed(t.FastForwardSpeed);
  time_->SetHistoryLength(t.RewindMinutes, HistoryBytes(t.RewindMinutes));
  AvancoRapido1->setShortcut(ChordSequence(t.Keys[tcFastForwardToggle]));
  AvancarQuadro1->setShortcut(ChordSequence(t.Keys[tcFrameAdvance]));
  FollowTimeButtons(machine_->CartridgeLoaded());
}

void TfrmNES::FastForwardClick() {
  // The toggle's state is the item's check mark.
  ShowTimeStatus();
}

void TfrmNES::FrameAdvanceClick() {
  Machine& m = *machine_;
  if (!m.CartridgeLoaded()) return;
  if (m.Running) {
    mnuPauseClick();
    return;
  }
  time_->AdvanceOneFrame();
  StatusPanel1->update();
  RunOrContinue(m);
  StatusPanel1->update();
}

void TfrmNES::ReadHeldTimeKeys() {
  const KeyboardState& down = KeyboardTracker::Instance().Keys();
  const auto& keys = settings_.Time.Keys;
  const auto& buttons = settings_.Time.Buttons;
  const bool active = isActiveWindow();
  // As the controllers: nothing is read while another window is active.
  padsNow_ = active && AnyTimeButton() ? ReadJoystickButtons() : JoystickButtons{};
  time_->SetRewinding(active &&
                      (ChordHeld(keys[tcRewind], down) || JoyButtonHeld(buttons[tcRewind], padsNow_)));
  time_->SetFastForward(
      AvancoRapido1->isChecked() ||
      (active && (ChordHeld(keys[tcFastForward], down) || JoyButtonHeld(buttons[tcFastForward], padsNow_))));
}

void TfrmNES::RunPressedTimeButtons() {
  // A command may run frames of its own (frame advance), whose frame starts
  // look again: what is seen here is seen before it runs, so a press runs
  // its command once.
  const JoystickButtons before = std::exchange(padsSeen_, padsNow_);
  const JoystickButtons now = padsNow_;
  const auto& buttons = settings_.Time.Buttons;
  for (int c = 0; c < kTimeCommandCount; ++c) {
    if (TimeCommandHeld(c) || !JoyButtonHeld(buttons[c], now) || JoyButtonHeld(buttons[c], before)) continue;
    // The item's own checks hold: a disabled one (no cartridge) does nothing.
    TimeCommandItem(c)->trigger();
  }
}

void TfrmNES::FollowTimeButtons(bool cartridgeLoaded) {
  if (cartridgeLoaded && AnyTimeButton())
    timeButtonTimer_->start();
  else
    timeButtonTimer_->stop();
}

void TfrmNES::PollTimeButtonsWhilePaused() {
  // While a run loop runs, its frame starts look (ProcessMessages).
  if (RunLoopActive(*machine_)) return;
  padsNow_ = isActiveWindow() ? ReadJoystickButtons() : JoystickButtons{};
  RunPressedTimeButtons();
}

bool TfrmNES::AnyTimeButton() const {
  const auto& buttons = settings_.Time.Buttons;
  return std::any_of(buttons.begin(), buttons.end(), [](JoyButton b) { return b.Bound(); });
}

QAction* TfrmNES::TimeCommandItem(int command) const {
  if (command >= tcSaveSlot1 && command < tcSaveSlot1 + kStateSlots)
    return statesMenu_->SalvarEspaco[size_t(command - tcSaveSlot1)];
  if (command >= tcLoadSlot1 && command < tcLoadSlot1 + kStateSlots)
    return statesMenu_->CarregarEspaco[size_t(command - tcLoadSlot1)];
  switch (command) {
    case tcUndoLoad: return statesMenu_->DesfazerCarregar1;
    case tcFastForwardToggle: return AvancoRapido1;
    case tcFrameAdvance: return AvancarQuadro1;
    default: return nullptr;  // the held ones have no item of their own
  }
}

void TfrmNES::ShowTimeStatus() {
  // The line over the picture says it too: in full screen the status bar is
  // hidden.
  ShowLastingState();
  const QString text = TimeStateText();
  if (text == timeStatus_) return;
  timeStatus_ = text;
  auto* status = statusBar()->findChild<QLabel*>(QStringLiteral("StatusTime"));
  status->setText(text);
  status->setVisible(!text.isEmpty());
}
