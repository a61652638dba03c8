// The main window's time controls: fast-forward and frame advance in the
// "CPU" menu, the held keys of rewind and fast-forward, and the status bar
// while they run. What
// each frame is (shown, heard, rehearsed, re-run) is decided by the core's
// TimeControl, which the window asks at every frame start (NesFormDisplay.cpp).
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <algorithm>

#include "cartridge/Lifecycle.h"
#include "frontend/gui/KeyChords.h"
#include "frontend/gui/NesForm.h"
#include "frontend/gui/NesFormParts.h"
#include "frontend/gui/VirtualKeys.h"

namespace {

// How much memory the history may take: 64 MB for the default ten minutes,
// in proportion beyond.
size_t HistoryBytes(int minutes) {
  return RewindHistory::kDefaultBytes * static_cast<size_t>(std::max(minutes, 10)) / 10;
}

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
  const bool active = isActiveWindow();
  time_->SetRewinding(active && ChordHeld(keys[tcRewind], down));
  time_->SetFastForward(AvancoRapido1->isChecked() || (active && ChordHeld(keys[tcFastForward], down)));
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
