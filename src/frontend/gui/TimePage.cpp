#include "frontend/gui/TimePage.h"

#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include "frontend/gui/KeyChords.h"

namespace {

constexpr const char* kSpeedCaptions[] = {"2x", "4x", "8x", "Máxima"};
static_assert(std::size(kSpeedCaptions) == kFastForwardSpeeds.size());
constexpr const char* kRunAheadCaptions[] = {"Desligado", "1 quadro", "2 quadros", "3 quadros"};
static_assert(std::size(kRunAheadCaptions) == kMaxRunAhead + 1);

// A waiting button says only this; the line under the list says what it
// waits for, so the prompt never outgrows its button.
const QString kPrompt = QStringLiteral("Pressione...");
// How often a waiting joystick button looks at the joysticks.
constexpr int kPadPollMs = 16;

QString Caption(int command) { return QString::fromStdString(TimeCommandCaption(command)); }

const QString& IdleHint() {
  static const QString hint = QStringLiteral("Clique num botão e pressione a tecla ou o botão do joystick.");
  return hint;
}

}  // namespace

TTimePage::TTimePage(const TimeSettings& time, std::function<QString(int32_t chord)> keyOwner,
                     std::function<QString(JoyButton)> buttonOwner, QWidget* parent)
    : QWidget(parent),
      keys_(time.Keys),
      buttons_(time.Buttons),
      keyOwner_(std::move(keyOwner)),
      buttonOwner_(std::move(buttonOwner)),
      joysticks_(std::make_unique<TJoystickButtons>()) {
  setObjectName(QStringLiteral("tsTempo"));
  ReadJoysticks = joysticks_->Reader();
  padTimer_ = new QTimer(this);
  padTimer_->setInterval(kPadPollMs);
  connect(padTimer_, &QTimer::timeout, this, &TTimePage::PollJoysticks);
  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(6, 6, 6, 6);
  page->setSpacing(4);

  // Twenty-three commands do not fit the page: they scroll, the rest stays
  // put. Each button is as wide as its text needs (the widest sets its
  // column); the captions give way and wrap.
  auto* keys = new QWidget;
  auto* grid = new QGridLayout(keys);
  grid->setContentsMargins(2, 2, 2, 2);
  grid->setVerticalSpacing(1);
  grid->setHorizontalSpacing(4);
  grid->setColumnStretch(0, 1);
  auto makeButton = [this](const QString& name) {
    auto* button = new QPushButton;
    button->setObjectName(name);
    button->setAutoDefault(false);
    button->installEventFilter(this);
    return button;
  };
  for (int c = 0; c < kTimeCommandCount; ++c) {
    auto* caption = new QLabel(Caption(c));
    caption->setWordWrap(true);
    grid->addWidget(caption, c, 0);
    KeyButtons[c] = makeButton(QStringLiteral("btnTecla%1").arg(c));
    KeyButtons[c]->setToolTip(QStringLiteral("Tecla de \"%1\"").arg(Caption(c)));
    connect(KeyButtons[c], &QPushButton::clicked, this, [this, c] { StartCapture(c); });
    grid->addWidget(KeyButtons[c], c, 1);
    PadButtons[c] = makeButton(QStringLiteral("btnJoy%1").arg(c));
    PadButtons[c]->setToolTip(
        QStringLiteral("Botão do joystick de \"%1\" (Delete apaga enquanto espera)").arg(Caption(c)));
    connect(PadButtons[c], &QPushButton::clicked, this, [this, c] { PadButtonClick(c); });
    grid->addWidget(PadButtons[c], c, 2);
  }
  auto* scroll = new QScrollArea;
  scroll->setWidget(keys);
  scroll->setWidgetResizable(true);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  page->addWidget(scroll, 1);

  lbDica = new QLabel(IdleHint());
  lbDica->setObjectName(QStringLiteral("lbDica"));
  lbDica->setWordWrap(true);
  // Room for the longest hint from the start, so the list does not jump
  // when a wait begins.
  lbDica->setMinimumHeight(2 * lbDica->fontMetrics().lineSpacing());
  page->addWidget(lbDica);

  lbAviso = new QLabel;
  lbAviso->setObjectName(QStringLiteral("lbAviso"));
  lbAviso->setWordWrap(true);
  lbAviso->setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold;"));
  page->addWidget(lbAviso);

  auto* choices = new QGridLayout;
  choices->addWidget(new QLabel(QStringLiteral("Avanço rápido:")), 0, 0);
  cbSpeed = new QComboBox;
  cbSpeed->setObjectName(QStringLiteral("cbSpeed"));
  for (size_t i = 0; i < kFastForwardSpeeds.size(); ++i)
    cbSpeed->addItem(QString::fromUtf8(kSpeedCaptions[i]), kFastForwardSpeeds[i]);
  const int speed = cbSpeed->findData(time.FastForwardSpeed);
  cbSpeed->setCurrentIndex(speed >= 0 ? speed : cbSpeed->findData(TimeSettings{}.FastForwardSpeed));
  choices->addWidget(cbSpeed, 0, 1);
  btnPadrao = new QPushButton(QStringLiteral("Padrão"));
  btnPadrao->setObjectName(QStringLiteral("btnPadrao"));
  btnPadrao->setAutoDefault(false);
  btnPadrao->setToolTip(QStringLiteral("Volta às teclas de fábrica, sem botões de joystick"));
  connect(btnPadrao, &QPushButton::clicked, this, [this] {
    keys_ = TimeSettings::DefaultKeys();
    buttons_ = {};
    StopCapture();
    lbAviso->clear();
  });
  choices->addWidget(btnPadrao, 0, 2);
  choices->addWidget(new QLabel(QStringLiteral("Histórico do retrocesso (minutos):")), 1, 0);
  seRewind = new QSpinBox;
  seRewind->setObjectName(QStringLiteral("seRewind"));
  seRewind->setRange(kMinRewindMinutes, kMaxRewindMinutes);
  seRewind->setValue(time.RewindMinutes);
  choices->addWidget(seRewind, 1, 1);
  choices->addWidget(new QLabel(QStringLiteral("Adiantar quadros:")), 2, 0);
  cbRunAhead = new QComboBox;
  cbRunAhead->setObjectName(QStringLiteral("cbRunAhead"));
  for (const char* caption : kRunAheadCaptions) cbRunAhead->addItem(QString::fromUtf8(caption));
  cbRunAhead->setCurrentIndex(std::clamp(time.RunAhead, 0, kMaxRunAhead));
  choices->addWidget(cbRunAhead, 2, 1);
  page->addLayout(choices);
  ShowKeys();
}

TTimePage::~TTimePage() = default;

TimeSettings TTimePage::Values() const {
  TimeSettings time;
  time.Keys = keys_;
  time.Buttons = buttons_;
  time.FastForwardSpeed = cbSpeed->currentData().toInt();
  time.RewindMinutes = seRewind->value();
  time.RunAhead = cbRunAhead->currentIndex();
  return time;
}

void TTimePage::StartCapture(int command) {
  StopCapture();
  capturing_ = command;
  lbAviso->clear();
  lbDica->setText(
      QStringLiteral("Pressione a tecla de \"%1\", com Shift, Ctrl ou Alt se quiser; Esc cancela.")
          .arg(Caption(command)));
  ShowKeys();
  KeyButtons[command]->setFocus(Qt::OtherFocusReason);
}

void TTimePage::PadButtonClick(int command) {
  if (padCapturing_ == command) {
    StopCapture();
    return;
  }
  StopCapture();
  padCapturing_ = command;
  lbAviso->clear();
  lbDica->setText(QStringLiteral("Pressione um botão de qualquer joystick para \"%1\"; Esc cancela, "
                                 "Delete apaga o botão.")
                      .arg(Caption(command)));
  // A button already held when the wait starts is not the answer: only one
  // pressed from now on is.
  padsBefore_ = ReadJoysticks();
  padTimer_->start();
  ShowKeys();
  PadButtons[command]->setFocus(Qt::OtherFocusReason);
}

void TTimePage::PollJoysticks() {
  if (padCapturing_ < 0) return;
  JoystickButtons now = ReadJoysticks();
  const JoyButton pressed = NewlyPressed(padsBefore_, now);
  padsBefore_ = std::move(now);
  if (pressed.Bound()) TakeButton(pressed);
}

void TTimePage::TakeButton(JoyButton button) {
  const int command = padCapturing_;
  StopCapture();
  // As with keys: one button, one command, and none of a controller's.
  QString owner;
  for (int c = 0; c < kTimeCommandCount && owner.isEmpty(); ++c)
    if (c != command && buttons_[c] == button) owner = QStringLiteral("\"%1\"").arg(Caption(c));
  if (owner.isEmpty() && buttonOwner_) owner = buttonOwner_(button);
  if (!owner.isEmpty()) {
    lbAviso->setText(QStringLiteral("O %1 já é usado por %2; escolha outro para \"%3\".")
                         .arg(JoyButtonName(button), owner, Caption(command)));
  } else {
    buttons_[command] = button;
  }
  ShowKeys();
}

void TTimePage::StopCapture() {
  capturing_ = -1;
  padCapturing_ = -1;
  padTimer_->stop();
  lbDica->setText(IdleHint());
  ShowKeys();
}

void TTimePage::Take(int32_t chord) {
  const int command = capturing_;
  StopCapture();
  // A key answers to one command only: two on one key would run both, or
  // leave one unreachable, and the player would not see which.
  QString owner;
  for (int c = 0; c < kTimeCommandCount && owner.isEmpty(); ++c)
    if (c != command && keys_[c] == chord) owner = QStringLiteral("\"%1\"").arg(Caption(c));
  if (owner.isEmpty() && keyOwner_) owner = keyOwner_(chord);
  if (!owner.isEmpty()) {
    lbAviso->setText(QStringLiteral("A tecla %1 já é usada por %2; escolha outra para \"%3\".")
                         .arg(ChordName(chord), owner, Caption(command)));
  } else {
    keys_[command] = chord;
  }
  ShowKeys();
}

void TTimePage::ShowKeys() {
  for (int c = 0; c < kTimeCommandCount; ++c) {
    KeyButtons[c]->setText(c == capturing_ ? kPrompt : ChordName(keys_[c]));
    PadButtons[c]->setText(c == padCapturing_ ? kPrompt : JoyButtonName(buttons_[c]));
  }
}

bool TTimePage::eventFilter(QObject* watched, QEvent* event) {
  if (capturing_ >= 0 && watched == KeyButtons[capturing_] &&
      (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)) {
    const auto* key = static_cast<QKeyEvent*>(event);
    // Taking the override keeps every key (Enter, Escape, Tab, mnemonics)
    // from doing its usual work in the dialog while a key is awaited.
    if (event->type() == QEvent::ShortcutOverride) {
      event->accept();
      return true;
    }
    if (key->isAutoRepeat()) return true;
    if (key->key() == Qt::Key_Escape) {
      StopCapture();
      return true;
    }
    // A modifier alone waits for the key it goes with.
    if (const int32_t chord = ChordFromKeyEvent(*key)) Take(chord);
    return true;
  }
  if (padCapturing_ >= 0 && watched == PadButtons[padCapturing_] &&
      (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)) {
    // The keyboard only cancels or clears here; the dialog's keys rest.
    event->accept();
    if (event->type() == QEvent::ShortcutOverride) return true;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape) {
      StopCapture();
    } else if (key->key() == Qt::Key_Delete || key->key() == Qt::Key_Backspace) {
      buttons_[padCapturing_] = {};
      StopCapture();
    }
    return true;
  }
  // A button that loses the keyboard while it waits stops waiting.
  if (event->type() == QEvent::FocusOut && ((capturing_ >= 0 && watched == KeyButtons[capturing_]) ||
                                            (padCapturing_ >= 0 && watched == PadButtons[padCapturing_])))
    StopCapture();
  return QWidget::eventFilter(watched, event);
}
