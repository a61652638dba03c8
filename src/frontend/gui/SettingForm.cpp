#include "frontend/gui/SettingForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>

#include "core/gui/DialogArtwork.h"
#include "core/gui/Shape.h"
#include "frontend/gui/NesForm.h"
#include "frontend/gui/TDXInput.h"
#include "frontend/gui/TimePage.h"
#include "frontend/gui/VirtualKeys.h"
#include "video/gui/DXDraw.h"

namespace {

// Set by a click on a shape and cleared by the next key, in this dialog or a
// later one: the flag belongs to the unit, not to one dialog.
bool gCapturePending = false;

constexpr int kTimerInterval = 300;  // ms between two looks at the controller
constexpr int kVolumeSteps = 10;

// The volume track bar. Its positions run from 0 at the top (loud) to 10 at
// the bottom (silent), so the level is 10 minus the position; styles fill a
// slider's groove from its minimum, which here is the top, and a silent
// volume showed as a full bar. This bar draws its own groove, filled from the
// bottom up to the handle, so that louder looks louder; the style draws the
// tick marks and the handle.
class TVolumeBar final : public QSlider {
 public:
  using QSlider::QSlider;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const QRect channel(groove.center().x() - 2, groove.top() + 1, 5, groove.height() - 2);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(palette().color(QPalette::Mid));
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawRoundedRect(QRectF(channel).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
    QRect fill = channel.adjusted(1, 0, -1, -1);
    fill.setTop(handle.center().y());
    if (fill.height() > 0)
      painter.fillRect(
          fill, palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Highlight));
    option.subControls = QStyle::SC_SliderTickmarks | QStyle::SC_SliderHandle;
    style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
  }
};

// Where the buttons of the controller drawing are, in the drawing's own
// coordinates, in binding order: Up, Down, Left, Right, A, B, Start, Select.
struct ShapePlace {
  TShape::Kind Kind;
  QRect At;
};
constexpr int kPictureLeft = 16, kPictureTop = 40;
const ShapePlace kShapePlaces[kPadBindingCount] = {
    {TShape::stRectangle, {54, 46, 17, 18}},   // Up
    {TShape::stRectangle, {54, 80, 17, 19}},   // Down
    {TShape::stRectangle, {36, 64, 18, 17}},   // Left
    {TShape::stRectangle, {71, 64, 18, 17}},   // Right
    {TShape::stCircle, {263, 69, 25, 25}},     // A
    {TShape::stCircle, {227, 69, 25, 25}},     // B
    {TShape::stRectangle, {169, 85, 27, 11}},  // Start
    {TShape::stRectangle, {129, 85, 27, 11}},  // Select
};
// Design names: controller 1's shapes by binding, controller 2's in the
// order the form lists them (Up, Down, Left, Right, Select, Start, A, B).
const char* const kPad1Names[kPadBindingCount] = {"ci1", "ba1", "es1", "di1", "b1a", "bb1", "st1", "sl1"};
constexpr int kPad2Numbers[kPadBindingCount] = {1, 2, 3, 4, 7, 8, 6, 5};

// The live display's key table: three keys for each direction (letters,
// arrows, numeric pad), two for A and B, F2 on Button 9.
KeyTable LiveKeyTable() {
  KeyTable table{};
  table[isUp] = {'K', 38, 104};
  table[isDown] = {'J', 40, 98};
  table[isLeft] = {'H', 37, 100};
  table[isRight] = {'L', 39, 102};
  table[InputButton(1)] = {'Z', 32, 0};
  table[InputButton(2)] = {'X', 13, 0};
  table[InputButton(9)] = {113, 0, 0};
  return table;
}

template <typename W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

QLabel* MakeLabel(QWidget* parent, const QString& text, int left, int top) {
  auto* label = new QLabel(text, parent);
  label->adjustSize();
  label->move(left, top);
  return label;
}

QCheckBox* MakeCheck(QWidget* parent, const char* name, const char* text, int left, int top) {
  auto* box = Named(new QCheckBox(QString::fromUtf8(text), parent), name);
  box->adjustSize();
  box->move(left, top);
  return box;
}

}  // namespace

TfrmSetting::TfrmSetting(const TSettingFields& fields, const QStringList& displayModes, QWidget* parent,
                         TimeSettings* time)
    : QDialog(parent), fields_(fields), time_(time) {
  InitDialogArtwork();
  setObjectName(QStringLiteral("frmSetting"));
  setWindowTitle(QStringLiteral("Configurações ..."));
  setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setModal(true);
  setFixedSize(369, 324);
  setFont(DialogFont());

  CreatePages();
  btnOK = Named(new QPushButton(QStringLiteral("OK"), this), "btnOK");
  btnOK->setGeometry(204, 292, 75, 25);
  btnOK->setDefault(true);
  connect(btnOK, &QPushButton::clicked, this, &TfrmSetting::btnOKClick);
  btnCancel = Named(new QPushButton(QStringLiteral("Cancelar"), this), "btnCancel");
  btnCancel->setGeometry(286, 292, 75, 25);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

  // The dialog's own look at controller 1: keyboard and joystick 0, never
  // the mouse, with a fixed key table of its own.
  DXInput1 = std::make_unique<TDXInput>(this, TDXInput::Config{0, 50, 10, false});
  DXInput1->Keys = LiveKeyTable();
  DXInput1->JoystickEnabled = true;
  tj1 = Named(new QTimer(this), "tj1");
  tj1->setInterval(kTimerInterval);
  connect(tj1, &QTimer::timeout, this, &TfrmSetting::tj1Timer);

  FormCreate(displayModes);

  // Key preview: every key typed anywhere in the dialog passes FormKeyDown
  // before the control that has the focus.
  installEventFilter(this);
  for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
  tj1->start();
}

TfrmSetting::~TfrmSetting() = default;

void TfrmSetting::CreatePages() {
  PageControl = Named(new QTabWidget(this), "PageControl");
  PageControl->setGeometry(4, 4, 361, 280);
  // Flat tabs over a plain page, all six in view at once.
  PageControl->setDocumentMode(true);
  PageControl->setUsesScrollButtons(false);
  PageControl->tabBar()->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 4px 6px; min-width: 0; }"));
  PageControl->addTab(CreateNesPage(), QStringLiteral("NES"));
  PageControl->addTab(CreateScreenPage(), QStringLiteral("Vídeo"));
  PageControl->addTab(CreateSoundPage(), QStringLiteral("Som"));
  PageControl->addTab(CreateJoypadPage(0), QStringLiteral("Jogador 1"));
  PageControl->addTab(CreateJoypadPage(1), QStringLiteral("Jogador 2"));
  PageControl->addTab(CreateNetworkPage(), QStringLiteral("Rede"));
  if (time_ != nullptr) {
    tsTempo = new TTimePage(
        *time_, [this](int32_t chord) { return KeyOwner(chord); },
        [this](JoyButton button) { return ButtonOwner(button); });
    PageControl->addTab(tsTempo, QStringLiteral("Tempo"));
  }
  // The live display rests while pages change and resumes on the new page.
  connect(PageControl->tabBar(), &QTabBar::tabBarClicked, this, [this](int index) {
    if (index != PageControl->currentIndex()) PageControlChanging();
  });
  connect(PageControl, &QTabWidget::currentChanged, this, [this] { PageControlChange(); });
}

QWidget* TfrmSetting::CreateNesPage() {
  tsNES = Named(new QWidget, "tsNES");
  MakeLabel(tsNES, QStringLiteral("Frame skip :"), 16, 20);
  seRate = Named(new QSpinBox(tsNES), "seRate");
  seRate->setRange(1, 10);
  seRate->setGeometry(96, 16, 49, 22);
  MakeLabel(tsNES, QStringLiteral("1 = Auto Frame"), 156, 20);
  return tsNES;
}

QWidget* TfrmSetting::CreateScreenPage() {
  tsScreen = Named(new QWidget, "tsScreen");
  gbWindow = Named(new QGroupBox(QStringLiteral("Tamanho da Tela"), tsScreen), "gbWindow");
  gbWindow->setGeometry(8, 8, 337, 116);
  rbNormal = Named(new QRadioButton(QStringLiteral("Visualização Normal"), gbWindow), "rbNormal");
  rbNormal->adjustSize();
  rbNormal->move(16, 24);
  rbFull = Named(new QRadioButton(QStringLiteral("Tela Cheia"), gbWindow), "rbFull");
  rbFull->adjustSize();
  rbFull->move(16, 46);
  MakeLabel(gbWindow, QStringLiteral("Modo de vídeo:"), 16, 80);
  cbDisplay = Named(new QComboBox(gbWindow), "cbDisplay");
  cbDisplay->setGeometry(112, 76, 150, 22);
  connect(rbNormal, &QRadioButton::clicked, this, [this] { rbNormalClick(rbNormal); });
  connect(rbFull, &QRadioButton::clicked, this, [this] { rbNormalClick(rbFull); });
  ckViewFreq = MakeCheck(tsScreen, "ckViewFreq", "Visualizar FPS", 16, 136);
  return tsScreen;
}

QWidget* TfrmSetting::CreateSoundPage() {
  tsSound = Named(new QWidget, "tsSound");
  gbVolume = Named(new QGroupBox(QStringLiteral("Volume"), tsSound), "gbVolume");
  gbVolume->setGeometry(8, 8, 80, 216);
  tbVolume = Named(new TVolumeBar(Qt::Vertical, gbVolume), "tbVolume");
  tbVolume->setRange(0, kVolumeSteps);
  tbVolume->setPageStep(1);
  tbVolume->setTickPosition(QSlider::TicksBothSides);
  tbVolume->setTickInterval(1);
  // Position 0 is the top, as on the platform's track bar: loud at the top.
  tbVolume->setInvertedAppearance(true);
  tbVolume->setInvertedControls(true);
  tbVolume->setGeometry(22, 22, 36, 160);
  lbVolume = Named(new QLabel(gbVolume), "lbVolume");
  lbVolume->setGeometry(8, 188, 64, 18);
  lbVolume->setAlignment(Qt::AlignCenter);

  auto* instruments = new QGroupBox(QStringLiteral("Instrumentos"), tsSound);
  instruments->setGeometry(96, 8, 249, 216);
  cbCH1 = MakeCheck(instruments, "cbCH1", "Channel #1 (Square wave 1)", 16, 26);
  cbCH2 = MakeCheck(instruments, "cbCH2", "Channel #2 (Square wave 2)", 16, 50);
  cbCH3 = MakeCheck(instruments, "cbCH3", "Channel #3 (Triangle wave)", 16, 74);
  cbCH4 = MakeCheck(instruments, "cbCH4", "Channel #4 (Noise)", 16, 98);
  cbCH5 = MakeCheck(instruments, "cbCH5", "PCM", 16, 122);
  return tsSound;
}

QWidget* TfrmSetting::CreateJoypadPage(int pad) {
  auto* page = new QWidget;
  page->setObjectName(pad == 0 ? QStringLiteral("tsJoypad1") : QStringLiteral("tsJoypad2"));
  MakeLabel(page, QStringLiteral("Pressione sobre o botão (Beta Teste Controle)"), 16, 6);
  MakeLabel(page, QStringLiteral("Pressione uma tecla"), 16, 22);

  auto* picture = new QLabel(page);
  picture->setPixmap(QPixmap(QStringLiteral(":/dialogs/controller.jpg")));
  picture->setGeometry(kPictureLeft, kPictureTop, 320, 140);
  // Captions of the buttons, over the drawing.
  const struct {
    const char* Text;
    int Left, Top;
    const char* Color;
  } captions[] = {{"Select", 128, 98, "#1b1b1e"},
                  {"Start", 170, 98, "#1b1b1e"},
                  {"B", 236, 104, "#f0f0f0"},
                  {"A", 272, 104, "#f0f0f0"}};
  for (const auto& c : captions) {
    QLabel* label = MakeLabel(page, QString::fromLatin1(c.Text), kPictureLeft + c.Left, kPictureTop + c.Top);
    label->setStyleSheet(QStringLiteral("color: %1; background: transparent;").arg(QLatin1String(c.Color)));
  }

  for (int b = 0; b < kPadBindingCount; ++b) {
    auto* shape = new TShape(kShapePlaces[b].Kind, page);
    shape->setGeometry(kShapePlaces[b].At.translated(kPictureLeft, kPictureTop));
    shape->setBrushColor(kShapeIdle);
    shape->setCursor(Qt::PointingHandCursor);
    if (pad == 0) {
      shape->setObjectName(QString::fromLatin1(kPad1Names[b]));
      pad1Shapes_[b] = shape;
    } else {
      shape->setObjectName(QStringLiteral("Shape%1").arg(kPad2Numbers[b]));
      Shape[kPad2Numbers[b] - 1] = shape;
    }
    connect(shape, &TShape::mouseUp, this, [this, shape] { b1aMouseUp(shape); });
  }

  QLabel* prompt = MakeLabel(page, QString(), 16, 188);
  prompt->setFixedWidth(320);
  prompt->setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold;"));
  QCheckBox* joy = MakeCheck(page, pad == 0 ? "cbJoy1" : "cbJoy2", "Habilitar Joy", 16, 216);
  if (pad == 0) {
    ci1 = pad1Shapes_[pbUp], ba1 = pad1Shapes_[pbDown], es1 = pad1Shapes_[pbLeft], di1 = pad1Shapes_[pbRight];
    b1a = pad1Shapes_[pbA], bb1 = pad1Shapes_[pbB], st1 = pad1Shapes_[pbStart], sl1 = pad1Shapes_[pbSelect];
    llp = Named(prompt, "llp");
    cbJoy1 = joy;
    tbjoy1 = MakeCheck(page, "tbjoy1", "Turbo", 140, 216);
    tbjoy1->setEnabled(false);
    ckMouse1 = MakeCheck(page, "ckMouse1", "Mouse controla o Jogador 1", 16, 236);
    tsJoypad1 = page;
  } else {
    cbJoy2 = joy;
    // Controller 2's keys are not edited here.
    page->setEnabled(false);
    tsJoypad2 = page;
  }
  return page;
}

QWidget* TfrmSetting::CreateNetworkPage() {
  TabSheet1 = Named(new QWidget, "TabSheet1");
  SpeedButton1 = Named(new QPushButton(QStringLiteral("Iniciar Kaillera"), TabSheet1), "SpeedButton1");
  SpeedButton1->setGeometry(16, 16, 120, 25);
  SpeedButton1->setFlat(true);
  SpeedButton1->setEnabled(false);
  return TabSheet1;
}

void TfrmSetting::FormCreate(const QStringList& displayModes) {
  keys_ = fields_.Pads[0].Keys;
  ShowKeyHints();

  cbDisplay->addItems(displayModes);
  // Without a drawing surface there is no mode to go full screen in.
  if (displayModes.isEmpty()) {
    rbFull->setEnabled(false);
    cbDisplay->setEnabled(false);
  }
  seRate->setValue(fields_.FrameRate);
  tbVolume->setValue(kVolumeSteps - fields_.SoundVolume * kVolumeSteps / 255);
  lbVolume->setText(QString::number(kVolumeSteps - tbVolume->value()));
  connect(tbVolume, &QSlider::valueChanged, this, &TfrmSetting::tbVolumeChange);

  QCheckBox* const channels[] = {cbCH1, cbCH2, cbCH3, cbCH4, cbCH5};
  for (int i = 0; i < 5; ++i) channels[i]->setChecked(fields_.ChannelEnabled[i]);
  cbJoy1->setChecked(fields_.Pads[0].JoystickEnabled);
  ckMouse1->setChecked(fields_.Pads[0].MouseEnabled);
  cbJoy2->setChecked(fields_.Pads[1].JoystickEnabled);

  if (fields_.StartFullScreen == 0) rbNormal->setChecked(true);
  if (fields_.StartFullScreen == 1) rbFull->setChecked(true);
  // The mode list is for full screen only.
  if (!rbFull->isChecked()) cbDisplay->setEnabled(false);
  const int mode = cbDisplay->findText(QString::fromStdString(fields_.FullScreenMode));
  cbDisplay->setCurrentIndex(mode >= 0 ? mode : 0);
  ckViewFreq->setChecked(fields_.ShowFps);
}

void TfrmSetting::ShowKeyHints() {
  for (int b = 0; b < kPadBindingCount; ++b) pad1Shapes_[b]->setToolTip(VirtualKeyName(keys_[b]));
}

void TfrmSetting::rbNormalClick(QRadioButton* clicked) { cbDisplay->setEnabled(clicked == rbFull); }

void TfrmSetting::tbVolumeChange() {
  volumeMoved_ = true;
  lbVolume->setText(QString::number(kVolumeSteps - tbVolume->value()));
}

void TfrmSetting::b1aMouseUp(TShape* shape) {
  shape->setBrushColor(kShapeWaiting);
  llp->setText(QStringLiteral("Pressione uma tecla.."));
  tj1->stop();
  gCapturePending = true;
}

bool TfrmSetting::FormKeyDown(int key) {
  tj1->stop();
  bool taken = false;
  if (gCapturePending) {
    gCapturePending = false;
  } else {
    // Which buttons the main window has on this key now (not the copies
    // being edited).
    for (int b = 0; b < kPadBindingCount; ++b) {
      if (fields_.Pads[0].Keys[b] == key) pad1Shapes_[b]->setBrushColor(kShapeLit);
    }
  }
  // Every shape still waiting takes the key: several clicks, one key.
  for (int b = 0; b < kPadBindingCount; ++b) {
    if (pad1Shapes_[b]->brushColor() == kShapeWaiting) {
      keys_[b] = key;
      taken = true;
    }
  }
  if (taken) ShowKeyHints();
  // The next tick repaints every shape from the controller, ending the marks.
  tj1->start();
  return taken;
}

void TfrmSetting::tj1Timer() {
  DXInput1->Update();
  const InputStates& s = DXInput1->States();
  const auto paint = [&](TShape* shape, int state, const QColor& lit) {
    shape->setBrushColor(s[state] ? lit : kShapeIdle);
  };
  paint(b1a, InputButton(1), kShapeLitRound);
  paint(bb1, InputButton(2), kShapeLitRound);
  paint(st1, InputButton(3), kShapeLit);
  paint(sl1, InputButton(4), kShapeLit);
  paint(ci1, isUp, kShapeLit);
  paint(ba1, isDown, kShapeLit);
  paint(es1, isLeft, kShapeLit);
  paint(di1, isRight, kShapeLit);
}

void TfrmSetting::PageControlChanging() { tj1->stop(); }

void TfrmSetting::PageControlChange() { tj1->start(); }

void TfrmSetting::btnOKClick() {
  fields_.FrameRate = seRate->value();
  if (volumeMoved_) fields_.SoundVolume = (kVolumeSteps - tbVolume->value()) * 255 / kVolumeSteps;
  QCheckBox* const channels[] = {cbCH1, cbCH2, cbCH3, cbCH4, cbCH5};
  for (int i = 0; i < 5; ++i) fields_.ChannelEnabled[i] = channels[i]->isChecked();
  fields_.Pads[0].Keys = keys_;
  fields_.Pads[0].JoystickEnabled = cbJoy1->isChecked();
  fields_.Pads[0].MouseEnabled = ckMouse1->isChecked();
  fields_.Pads[1].JoystickEnabled = cbJoy2->isChecked();
  fields_.ShowFps = ckViewFreq->isChecked();
  if (tsTempo != nullptr) *time_ = tsTempo->Values();
  if (rbNormal->isChecked()) {
    fields_.StartFullScreen = 0;
  } else if (rbFull->isChecked() && cbDisplay->count() > 0) {
    // With no mode listed there is nothing to start full screen in; the
    // stored choice stays as it was.
    fields_.StartFullScreen = 1;
    fields_.FullScreenMode = cbDisplay->currentText().toStdString();
  }
  accept();
}

bool TfrmSetting::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    // A key that the focused control leaves alone travels up to its parents;
    // it is previewed once, where it first arrives.
    QWidget* focus = focusWidget();
    const bool first = watched == focus || (watched == this && (focus == nullptr || !focus->hasFocus()));
    const auto* key = static_cast<QKeyEvent*>(event);
    // A held key is one press: its repeats would restart the timer over and
    // over, and the live display would never show the key held.
    if (first && !key->isAutoRepeat()) {
      const int code = VirtualKeyFromQt(key->key(), key->modifiers());
      if (code != 0 && FormKeyDown(code)) return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

QString TfrmSetting::KeyOwner(int32_t chord) const {
  // The controllers see a key whatever modifiers go with it.
  static const char* const kButtons[kPadBindingCount] = {"Cima", "Baixo", "Esquerda", "Direita",
                                                         "A",    "B",     "Start",    "Select"};
  const int code = chord & kChordKeyMask;
  for (int pad = 0; pad < 2; ++pad) {
    const auto& keys = pad == 0 ? keys_ : fields_.Pads[1].Keys;
    for (int b = 0; b < kPadBindingCount; ++b)
      if (keys[b] == code)
        return QStringLiteral("Jogador %1 (%2)").arg(pad + 1).arg(QLatin1String(kButtons[b]));
  }
  // The main window's items and function keys.
  static constexpr struct {
    int32_t Chord;
    const char* Item;
  } kWindowKeys[] = {
      {112, "Informações da ROM"},
      {113, "Carregar ROM"},
      {114, "Liberar ROM"},
      {115, "Tela Cheia"},
      {116, "Salvar Figura"},
      {117, "Debug"},
      {119, "Salvar Status"},
      {120, "Carregar Status"},
      {123, "Configurações"},
      {27, "Tela Cheia"},
      {kChordShift | 113, "Reiniciar"},
      {kChordCtrl | 113, "Pausa"},
      {kChordCtrl | 115, "Sair"},
  };
  for (const auto& k : kWindowKeys)
    if (k.Chord == chord) return QStringLiteral("\"%1\"").arg(QString::fromUtf8(k.Item));
  return {};
}

QString TfrmSetting::ButtonOwner(JoyButton button) const {
  // A controller whose joystick is on takes buttons 1-4 of its joystick as
  // A, B, Start and Select (the first joystick is controller 1's).
  static const char* const kButtons[] = {"A", "B", "Start", "Select"};
  const QCheckBox* const enabled[2] = {cbJoy1, cbJoy2};
  if (button.Joystick < 1 || button.Joystick > 2 || button.Button < 1 || button.Button > 4 ||
      !enabled[button.Joystick - 1]->isChecked())
    return {};
  return QStringLiteral("Jogador %1 (%2)")
      .arg(button.Joystick)
      .arg(QLatin1String(kButtons[button.Button - 1]));
}

// ---------------------------------------------------------------------------
// Created by the main window.

namespace {

// The display component's modes; when no cartridge runs, the component is
// initialised for the enumeration only.
QStringList OwnerDisplayModes(TfrmNES& owner) {
  TDXDraw* display = owner.display();
  if (display == nullptr) return {};
  if (display->Initialized()) return display->DisplayModes();
  if (!display->Initialize()) return {};
  const QStringList modes = display->DisplayModes();
  display->Finalize();
  return modes;
}

}  // namespace

TfrmSetting::TfrmSetting(TfrmNES& owner)
    : TfrmSetting(
          TSettingFields{owner.machine().FrameRate, owner.machine().SoundVolume,
                         owner.machine().ChannelEnabled, owner.settings().Pads,
                         owner.settings().StartFullScreen, owner.settings().FullScreenMode, owner.ShowFps},
          OwnerDisplayModes(owner), &owner, &owner.settings().Time) {}
