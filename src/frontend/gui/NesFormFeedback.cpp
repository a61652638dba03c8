// TfrmNES: what the player sees of the commands they give (the message line
// over the picture, the states that last), a state of the other engine
// loaded through an engine switch, and the window's attention: the sound a
// dialog holds, the mouse buttons that belong to the game, the pause while
// another program has the focus.
#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QMouseEvent>
#include <QTimer>
#include <limits>
#include <utility>

#include "cartridge/Lifecycle.h"
#include "engine/EngineChoice.h"
#include "frontend/gui/MessageLine.h"
#include "frontend/gui/NesForm.h"
#include "frontend/gui/NesFormParts.h"
#include "sound/Sound.h"
#include "video/gui/DXDraw.h"

namespace {

uint32_t ButtonBit(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
  }
}

}  // namespace

// --- The message line ------------------------------------------------------------------

void TfrmNES::ShowMessage(std::string_view text) {
  PlaceMessageLine();
  messageLine_->ShowMessage(QString::fromUtf8(text.data(), qsizetype(text.size())));
}

void TfrmNES::PlaceMessageLine() {
  QRect picture = client_->rect();
  if (DXDraw->isVisible()) {
    picture = DXDraw->PictureRect().translated(DXDraw->pos());
  } else if (!windowPicture_.isNull()) {
    // The window path draws the picture itself, centred at its multiple.
    const int largest = DXDraw->options().FullScreen ? std::numeric_limits<int>::max() : WindowSize();
    const int scale = TDXDraw::FittingMultiple(client_->size(), windowPicture_.size(), largest);
    const QSize size = windowPicture_.size() * scale;
    picture =
        QRect(QPoint((client_->width() - size.width()) / 2, (client_->height() - size.height()) / 2), size);
  }
  messageLine_->Place(picture);
}

QString TfrmNES::TimeStateText() const {
  if (time_->Rewinding()) {
    return time_->RewoundToOldest() ? QStringLiteral("Início do histórico: nada mais para rebobinar")
                                    : QStringLiteral("Rebobinando");
  }
  if (time_->FastForwarding() || AvancoRapido1->isChecked()) {
    const int speed = time_->FastForwardSpeed();
    return speed == 0 ? QStringLiteral("Avanço Rápido (máxima)")
                      : QStringLiteral("Avanço Rápido %1x").arg(speed);
  }
  return {};
}

void TfrmNES::ShowLastingState() {
  QString text = TimeStateText();
  if (text.isEmpty() && machine_->CartridgeLoaded() && !machine_->Running) text = QStringLiteral("Pausado");
  if (!text.isEmpty()) PlaceMessageLine();
  messageLine_->SetLasting(text);
}

// --- A state of the other engine ---------------------------------------------------------

void TfrmNES::LoadInOtherEngine(std::string_view engine, std::function<std::string()> load) {
  machine_->Log("O estado salvo é do motor " + std::string(EngineCaption(engine)) +
                "; o cartucho é reiniciado nele para carregá-lo.");
  enginePending_ = engine;
  pendingLoad_ = std::move(load);
  runAfterSwitch_ = machine_->Running;
  // A running loop belongs to the engine being replaced: the switch waits
  // until it has returned (Command sees to it), as "CPU > Motor" does.
  machine_->Running = false;
  if (!RunLoopActive(*machine_)) Command([this] { SwitchEngineNow(); });
}

// --- The window's attention -------------------------------------------------------------

void TfrmNES::WatchWindowEvents(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::WindowBlocked:
      if (watched != this) return;
      // The dialog runs inside the frame's turn: no frame runs until it
      // closes, and the notes would hold on for as long as it is open.
      SoundPause(*machine_->Sound);
      pictureButtons_ = 0;
      return;
    case QEvent::WindowUnblocked:
      if (watched != this) return;
      // A game that stopped meanwhile sounds nothing; one that runs on
      // takes its notes back as its next frame begins.
      if (!RunLoopActive(*machine_)) SoundContinue(*machine_->Sound);
      return;
    case QEvent::MouseButtonPress: {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      if (watched != DXDraw && watched != client_) return;
      // In the window a right click opens the picture's menu: that click is
      // the player's, not the game's. Full screen has no such menu.
      if (mouse->button() == Qt::RightButton && DXDraw->contextMenuPolicy() == Qt::CustomContextMenu) return;
      pictureButtons_ |= ButtonBit(mouse->button());
      return;
    }
    case QEvent::MouseButtonRelease:
      pictureButtons_ &= ~ButtonBit(static_cast<QMouseEvent*>(event)->button());
      return;
    default: return;
  }
}

uint32_t TfrmNES::PictureMouseButtons() const {
  // A release that went to another program is never seen: only buttons
  // still held count.
  const Qt::MouseButtons held = QGuiApplication::mouseButtons();
  uint32_t now = 0;
  for (Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton})
    if (held & b) now |= ButtonBit(b);
  return pictureButtons_ & now;
}

void TfrmNES::ContinueHeldSound() {
  if (machine_->Running && QApplication::activeModalWidget() == nullptr) SoundContinue(*machine_->Sound);
}

void TfrmNES::ActivationChanged() {
  if (isActiveWindow()) {
    if (!std::exchange(pausedForFocus_, false)) return;
    // Resumed from the event loop, as the pause command resumes: the run
    // loop returns only when the game stops again.
    QTimer::singleShot(0, this, [this] {
      if (!machine_->Running && machine_->CartridgeLoaded() && isActiveWindow())
        Command([this] { mnuPauseClick(); });
    });
    return;
  }
  // The window's own dialogs and menus take the focus without the player
  // leaving the game.
  if (QApplication::activeModalWidget() != nullptr || QApplication::activePopupWidget() != nullptr) return;
  for (QWidget* active = QApplication::activeWindow(); active != nullptr; active = active->parentWidget())
    if (active == this) return;
  if (!PausarSemFoco1->isChecked() || !machine_->Running || !machine_->CartridgeLoaded()) return;
  pausedForFocus_ = true;
  // The run stops at its next frame start, silencing both voices there.
  machine_->Running = false;
  machine_->Log("Jogo pausado: a janela perdeu o foco.");
}
