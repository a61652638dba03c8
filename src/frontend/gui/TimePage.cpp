#include "frontend/gui/TimePage.h"

#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>

#include "frontend/gui/KeyChords.h"

namespace {

constexpr const char* kSpeedCaptions[] = {"2x", "4x", "8x", "Máxima"};
static_assert(std::size(kSpeedCaptions) == kFastForwardSpeeds.size());
constexpr const char* kRunAheadCaptions[] = {"Desligado", "1 quadro", "2 quadros", "3 quadros"};
static_assert(std::size(kRunAheadCaptions) == kMaxRunAhead + 1);

QString Caption(int command) { return QString::fromStdString(TimeCommandCaption(command)); }

}  // namespace

TTimePage::TTimePage(const TimeSettings& time, std::function<QString(int32_t chord)> keyOwner,
                     QWidget* parent)
    : QWidget(parent), keys_(time.Keys), keyOwner_(std::move(keyOwner)) {
  setObjectName(QStringLiteral("tsTempo"));
  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(6, 6, 6, 6);
  page->setSpacing(4);

  // Twenty-three keys do not fit the page: they scroll, the rest stays put.
  auto* keys = new QWidget;
  auto* grid = new QGridLayout(keys);
  grid->setContentsMargins(2, 2, 2, 2);
  grid->setVerticalSpacing(1);
  for (int c = 0; c < kTimeCommandCount; ++c) {
    grid->addWidget(new QLabel(Caption(c)), c, 0);
    auto* button = new QPushButton;
    button->setObjectName(QStringLiteral("btnTecla%1").arg(c));
    button->setAutoDefault(false);
    button->setFixedWidth(110);
    button->installEventFilter(this);
    connect(button, &QPushButton::clicked, this, [this, c] { StartCapture(c); });
    grid->addWidget(button, c, 1);
    KeyButtons[c] = button;
  }
  auto* scroll = new QScrollArea;
  scroll->setWidget(keys);
  scroll->setWidgetResizable(true);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  page->addWidget(scroll, 1);

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
  btnPadrao->setToolTip(QStringLiteral("Volta às teclas de fábrica"));
  connect(btnPadrao, &QPushButton::clicked, this, [this] {
    keys_ = TimeSettings::DefaultKeys();
    capturing_ = -1;
    lbAviso->clear();
    ShowKeys();
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

TimeSettings TTimePage::Values() const {
  TimeSettings time;
  time.Keys = keys_;
  time.FastForwardSpeed = cbSpeed->currentData().toInt();
  time.RewindMinutes = seRewind->value();
  time.RunAhead = cbRunAhead->currentIndex();
  return time;
}

void TTimePage::StartCapture(int command) {
  capturing_ = command;
  lbAviso->clear();
  ShowKeys();
  KeyButtons[command]->setFocus(Qt::OtherFocusReason);
}

void TTimePage::Take(int32_t chord) {
  const int command = capturing_;
  capturing_ = -1;
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
  for (int c = 0; c < kTimeCommandCount; ++c)
    KeyButtons[c]->setText(c == capturing_ ? QStringLiteral("Pressione uma tecla..") : ChordName(keys_[c]));
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
      capturing_ = -1;
      ShowKeys();
      return true;
    }
    // A modifier alone waits for the key it goes with.
    if (const int32_t chord = ChordFromKeyEvent(*key)) Take(chord);
    return true;
  }
  // A button that loses the keyboard while it waits stops waiting.
  if (capturing_ >= 0 && watched == KeyButtons[capturing_] && event->type() == QEvent::FocusOut) {
    capturing_ = -1;
    ShowKeys();
  }
  return QWidget::eventFilter(watched, event);
}
