// TfrmNES: building the window (menus, toolbar, popup menu, status bar, log),
// start-up in its fixed order, the settings it loads and saves, closing.
#include "frontend/gui/NesForm.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <cstdlib>
#include <ctime>

#include "cartridge/Lifecycle.h"
#include "cartridge/SaveState.h"
#include "engine/EngineChoice.h"
#include "frontend/gui/MessageLine.h"
#include "frontend/gui/MidiMenu.h"
#include "frontend/gui/NesFormParts.h"
#include "frontend/gui/QtSettingsStore.h"
#include "frontend/gui/StatesMenu.h"
#include "frontend/gui/VirtualKeys.h"
#include "sound/Sound.h"
#include "video/gui/DXDraw.h"

// The artwork lives in the library's resources, which a static library does
// not register by itself.
static void InitArtwork() { Q_INIT_RESOURCE(virel); }

namespace {

// The log keeps this many lines; older ones are dropped so that a cartridge
// flooding the log cannot exhaust memory.
constexpr int kLogLines = 10000;
// Designed client area: toolbar, picture area and status bar.
constexpr int kClientWidth = 332;
constexpr int kClientHeight = 319;
constexpr int kToolBarHeight = 29;
constexpr int kStatusBarHeight = 20;
// The designed picture area: what lies between toolbar and status bar at 1x.
constexpr int kAreaWidth = kClientWidth;
constexpr int kAreaHeight = kClientHeight - kToolBarHeight - kStatusBarHeight;
// How long the status bar says that a window size did not fit.
constexpr int kSizeNoticeMs = 10000;

QAction* Item(QObject* owner, const char* name, const QString& caption, const QKeySequence& shortcut = {},
              bool enabled = true) {
  auto* action = new QAction(caption, owner);
  action->setObjectName(QString::fromLatin1(name));
  action->setShortcut(shortcut);
  action->setEnabled(enabled);
  return action;
}

QMenu* SubMenu(QWidget* parent, const char* name, const QString& caption) {
  auto* menu = new QMenu(caption, parent);
  menu->setObjectName(QString::fromLatin1(name));
  menu->menuAction()->setObjectName(QString::fromLatin1(name));
  return menu;
}

QAction* Radio(QActionGroup* group, QAction* action, bool checked) {
  action->setCheckable(true);
  action->setChecked(checked);
  group->addAction(action);
  return action;
}

QIcon MenuImage(const char* name) {
  return QIcon(QStringLiteral(":/virel/menu/%1.png").arg(QLatin1String(name)));
}

}  // namespace

TfrmNES::TfrmNES(const QStringList& arguments, QWidget* parent, SoundDeviceFactory devices)
    : QMainWindow(parent),
      machine_(std::make_unique<Machine>()),
      time_(std::make_unique<TimeControl>(*machine_)) {
  // Installed before the MIDI menu is built: it keeps the synthesiser's
  // factory to come back to from a port.
  SetSoundDevices(*machine_->Sound, std::move(devices));
  InitArtwork();
  setObjectName(QStringLiteral("frmNES"));
  setWindowTitle(QStringLiteral("Virel - Emulador do console Nintendo de 8 bits"));
  setWindowIcon(QIcon(QStringLiteral(":/virel/icon.png")));
  machine_->host = this;

  client_ = new TClientArea(*this);
  setCentralWidget(client_);
  Terminal = new QPlainTextEdit(client_);
  Terminal->setObjectName(QStringLiteral("Terminal"));
  Terminal->setReadOnly(true);
  Terminal->setMaximumBlockCount(kLogLines);
  Terminal->setStyleSheet(
      QStringLiteral("QPlainTextEdit { background: black; color: white; border: none; }"));
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setStyleHint(QFont::SansSerif);
  font.setBold(true);
  Terminal->setFont(font);
  Terminal->hide();
  // The picture takes the keyboard (a click on it gives it back), so that
  // with nothing else holding it the keys are the game's.
  client_->setFocusPolicy(Qt::ClickFocus);
  DXDraw = new TDXDraw(client_);
  DXDraw->setObjectName(QStringLiteral("DXDraw"));
  DXDraw->setContextMenuPolicy(Qt::CustomContextMenu);
  messageLine_ = new TMessageLine(client_);

  CreateMenus();
  midiMenu_ = new TMidiMenu(*this, Som1);
  statesMenu_ = new TStatesMenu(*this, mnuCPU);
  connect(statesMenu_->Estados1, &QMenu::aboutToHide, this,
          [this] { QTimer::singleShot(0, this, &TfrmNES::ReturnKeyboardToPicture); });
  CreateToolBar();
  CreateStatusBar();
  CreateTimeItems();
  InstallStandardDialogs();
  AcceptFileDrops();
  connect(DXDraw, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenu->popup(DXDraw->mapToGlobal(at)); });

  // Key preview: the window sees a key before the control that has focus.
  qApp->installEventFilter(this);
  inputs_[0] = std::make_unique<TDXInput>(this, TDXInput::Config{0, 50, 10, true});
  inputs_[1] = std::make_unique<TDXInput>(this, TDXInput::Config{1, 50, 10, false});
  inputs_[0]->ReadMouseButtons = [this] { return PictureMouseButtons(); };

  // Fixed single border: the designed client area plus the menu bar.
  normalSize_ = QSize(kClientWidth, menuBar()->sizeHint().height() + kClientHeight);
  setFixedSize(normalSize_);

  // Start-up, in the order the window has always done it.
  DXDraw->setCursor(Qt::BlankCursor);
  try {
    ShowIdleScreen();
  } catch (const std::exception& e) {
    // Without a display the program still starts: settings and bindings are
    // loaded, and a cartridge will draw on the window itself.
    AppendLog(e.what());
  }
  machine_->SoundOn = false;
  machine_->RomFileName.clear();
  machine_->RomFolder.clear();
  QtSettingsStore store;
  settings_ = LoadSettings(store, [this](const std::string& line) { AppendLog(line); });
  ApplyLoadedSettings();
  ApplyKeyBindings();
  std::srand(unsigned(std::time(nullptr)));
  if (arguments.size() > 1) ApplyScreenSwitch(settings_, arguments[1].toStdString());
  if (!arguments.isEmpty()) startFile_ = arguments[0];
}

TfrmNES::~TfrmNES() {
  // FormDestroy: the settings reach the store once, at exit.
  CollectSettings();
  QtSettingsStore store;
  // Whatever damage the file had on loading is gone from the rewritten one.
  store.StartFresh();
  SaveSettings(store, settings_);
  store.Sync();
  // The recording's file is written while the window can still report.
  midiMenu_->StopRecording();
  // The menu hands its devices back to the sound layer as it goes, and the
  // layer goes with the Machine, before the window's children would.
  delete midiMenu_;
  midiMenu_ = nullptr;
  SoundStop(*machine_->Sound);
  qApp->removeEventFilter(this);
}

void TfrmNES::CreateMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("MainMenu"));

  mnuFile = SubMenu(this, "mnuFile", QStringLiteral("&Arquivo"));
  mnuLoadROM = Item(this, "mnuLoadROM", QStringLiteral("&Carregar ROM ..."), Qt::Key_F2);
  mnuFreeROM = Item(this, "mnuFreeROM", QStringLiteral("&Liberar ROM ..."), Qt::Key_F3, false);
  mnuSavesnapshot = Item(this, "mnuSavesnapshot", QStringLiteral("Salvar Figura"), Qt::Key_F5, false);
  LocalizarRoms1 = Item(this, "LocalizarRoms1", QStringLiteral("Localizar Roms"), {}, false);
  mnuSettings = Item(this, "mnuSettings", QStringLiteral("Configurações ..."), Qt::Key_F12);
  mnuRom = Item(this, "mnuRom", QStringLiteral("&Informações da ROM"), Qt::Key_F1, false);
  mnuExit = Item(this, "mnuExit", QStringLiteral("&Sair"), QKeySequence(Qt::CTRL | Qt::Key_F4));
  mnuLoadROM->setIcon(MenuImage("load"));
  mnuFreeROM->setIcon(MenuImage("unload"));
  mnuSavesnapshot->setIcon(MenuImage("snapshot"));
  LocalizarRoms1->setIcon(MenuImage("find"));
  mnuSettings->setIcon(MenuImage("settings"));
  mnuRom->setIcon(MenuImage("info"));
  mnuExit->setIcon(MenuImage("exit"));
  mnuFile->addActions({mnuLoadROM, mnuFreeROM, mnuSavesnapshot, LocalizarRoms1, mnuSettings, mnuRom});
  N6 = mnuFile->addSeparator();
  N6->setObjectName(QStringLiteral("N6"));
  Favoritos1 = SubMenu(mnuFile, "Favoritos1", QStringLiteral("Favoritos"));
  Favoritos1->menuAction()->setIcon(MenuImage("favourite"));
  for (int i = 0; i < kListSize; ++i) {
    FAV[i] = Item(this, QStringLiteral("FAV%1").arg(i + 1).toLatin1().constData(), QString());
    Favoritos1->addAction(FAV[i]);
    connect(FAV[i], &QAction::triggered, this, [this, i] { Command([this, i] { FAVClick(i); }); });
  }
  mnuFile->addMenu(Favoritos1);
  MRUSeparator = mnuFile->addSeparator();
  MRUSeparator->setObjectName(QStringLiteral("MRUSeparator"));
  for (int i = 0; i < kListSize; ++i) {
    MRU[i] = Item(this, QStringLiteral("MRU%1").arg(i + 1).toLatin1().constData(), QString());
    MRU[i]->setVisible(false);
    mnuFile->addAction(MRU[i]);
    connect(MRU[i], &QAction::triggered, this, [this, i] { Command([this, i] { MRUClick(i); }); });
  }
  MRUSeparator->setVisible(false);
  mnuFile->addSeparator();
  mnuFile->addAction(mnuExit);
  bar->addMenu(mnuFile);

  Vdeo1 = SubMenu(this, "Vdeo1", QStringLiteral("Vídeo"));
  Memoria1 = SubMenu(Vdeo1, "Memoria1", QStringLiteral("Alocação de Memória"));
  auto* memory = new QActionGroup(this);
  Vieo1 = Radio(memory, Item(this, "Vieo1", QStringLiteral("Video")), false);
  Sistema1 = Radio(memory, Item(this, "Sistema1", QStringLiteral("Sistema")), true);
  Memoria1->addActions({Vieo1, Sistema1});
  VerFps1 = Item(this, "VerFps1", QStringLiteral("Exibir Fps"));
  VerFps1->setCheckable(true);
  est = Item(this, "est", QStringLiteral("Esticar Totalmente"));
  est->setCheckable(true);
  TamanhoJanela1 = SubMenu(Vdeo1, "TamanhoJanela1", QStringLiteral("Tamanho da Janela"));
  auto* sizes = new QActionGroup(this);
  for (int i = 0; i < 4; ++i) {
    const QString caption = QStringLiteral("%1x").arg(i + 1);
    WindowSizes[i] = Radio(sizes, Item(this, "", caption), i == 0);
    WindowSizes[i]->setObjectName(QStringLiteral("Tamanho%1").arg(caption));
    WindowSizes[i]->setData(i + 1);
    TamanhoJanela1->addAction(WindowSizes[i]);
  }
  Efeitos1 = SubMenu(Vdeo1, "Efeitos1", QStringLiteral("Efeitos"));
  Nosise1 = SubMenu(Efeitos1, "Nosise1", QStringLiteral("Spray"));
  auto* spray = new QActionGroup(this);
  const char* sprayNames[4] = {"N01", "n11", "n21", "N51"};
  const int sprayTags[4] = {0, 1, 3, 5};
  for (int i = 0; i < 4; ++i) {
    SprayLevels[i] = Radio(spray, Item(this, sprayNames[i], QString::number(sprayTags[i])), i == 0);
    SprayLevels[i]->setData(sprayTags[i]);
    Nosise1->addAction(SprayLevels[i]);
  }
  Efeitos1->addMenu(Nosise1);
  ExibirLog1 = Item(this, "ExibirLog1", QStringLiteral("Exibir Log"));
  ExibirLog1->setCheckable(true);
  elaCheia1 = Item(this, "elaCheia1", QStringLiteral("Tela Cheia"), Qt::Key_F4);
  elaCheia1->setIcon(MenuImage("fullscreen"));
  Vdeo1->addMenu(Memoria1);
  Vdeo1->addActions({VerFps1, est});
  Vdeo1->addMenu(TamanhoJanela1);
  Vdeo1->addMenu(Efeitos1);
  MensagensNaTela1 = Item(this, "MensagensNaTela1", QStringLiteral("Mensagens na Tela"));
  MensagensNaTela1->setCheckable(true);
  MensagensNaTela1->setChecked(true);
  Vdeo1->addActions({ExibirLog1, MensagensNaTela1, elaCheia1});
  bar->addMenu(Vdeo1);

  Som1 = SubMenu(this, "Som1", QStringLiteral("Som"));
  abltsom = Item(this, "abltsom", QStringLiteral("Habilita Som"));
  abltsom->setCheckable(true);
  abltsom->setChecked(true);  // as designed; the stored setting decides at start-up
  abltsom->setIcon(MenuImage("sound"));
  Frequencia1 = SubMenu(Som1, "Frequencia1", QStringLiteral("Frequencia"));
  auto* rates = new QActionGroup(this);
  N11mhz1 = Radio(rates, Item(this, "N11mhz1", QStringLiteral("11 Khz")), false);
  N22mhz1 = Radio(rates, Item(this, "N22mhz1", QStringLiteral("22 Khz")), true);
  N44Khz1 = Radio(rates, Item(this, "N44Khz1", QStringLiteral("44 Khz")), false);
  Frequencia1->addActions({N11mhz1, N22mhz1, N44Khz1});
  Canais1 = SubMenu(Som1, "Canais1", QStringLiteral("Canais"));
  auto* channels = new QActionGroup(this);
  Estreo1 = Radio(channels, Item(this, "Estreo1", QStringLiteral("Estéreo")), true);
  Mono1 = Radio(channels, Item(this, "Mono1", QStringLiteral("Mono")), false);
  Canais1->addActions({Estreo1, Mono1});
  Voz1 = SubMenu(Som1, "Voz1", QStringLiteral("Voz"));
  auto* voices = new QActionGroup(this);
  SintetizadorMIDI1 =
      Radio(voices, Item(this, "SintetizadorMIDI1", QStringLiteral("Sintetizador MIDI")), true);
  Console1 = Radio(voices, Item(this, "Console1", QStringLiteral("Console")), false);
  Voz1->addActions({SintetizadorMIDI1, Console1});
  Som1->addAction(abltsom);
  Som1->addMenu(Frequencia1);
  Som1->addMenu(Canais1);
  Som1->addMenu(Voz1);
  bar->addMenu(Som1);

  mnuCPU = SubMenu(this, "mnuCPU", QStringLiteral("&CPU"));
  mnuReset = Item(this, "mnuReset", QStringLiteral("&Reiniciar"), QKeySequence(Qt::SHIFT | Qt::Key_F2));
  mnuPause = Item(this, "mnuPause", QStringLiteral("&Pausa"), QKeySequence(Qt::CTRL | Qt::Key_F2));
  mnuDebug = Item(this, "mnuDebug", QStringLiteral("&Debug"), Qt::Key_F6, false);
  mnuReset->setIcon(MenuImage("reset"));
  mnuPause->setIcon(MenuImage("pause"));
  mnuDebug->setIcon(MenuImage("debug"));
  Joystick1 = SubMenu(mnuCPU, "Joystick1", QStringLiteral("Joystick"));
  Joystick11 = SubMenu(Joystick1, "Joystick11", QStringLiteral("Joystick 1"));
  Reiniciar1 = Item(this, "Reiniciar1", QStringLiteral("Reiniciar"), {}, false);
  Joystick11->addAction(Reiniciar1);
  Joystick11->menuAction()->setEnabled(false);
  JoyStick21 = Item(this, "JoyStick21", QStringLiteral("JoyStick 2"), {}, false);
  Joystick1->addMenu(Joystick11);
  Joystick1->addAction(JoyStick21);
  Joystick1->menuAction()->setEnabled(false);
  mnusvecpd = Item(this, "mnusvecpd", QStringLiteral("Salvar Status"), Qt::Key_F8, false);
  mnuldacpd = Item(this, "mnuldacpd", QStringLiteral("Carregar Status"), Qt::Key_F9, false);
  mnuCPU->addActions({mnuReset, mnuPause, mnuDebug});
  // Also the window's own, so that their keys work in full screen, where the
  // hidden menu bar would take its menus' keys with it (F2, F3, F4, F8 and
  // F9 are answered by the window itself).
  addActions({mnuReset, mnuPause, mnuDebug, mnuSavesnapshot, mnuRom, mnuSettings});
  mnuCPU->addMenu(Joystick1);
  mnuCPU->addActions({mnusvecpd, mnuldacpd});
  Motor1 = SubMenu(mnuCPU, "Motor1", QStringLiteral("Motor"));
  auto* engines = new QActionGroup(this);
  MotorClassico1 = Radio(engines, Item(this, "MotorClassico1", QStringLiteral("Clássico (rápido)")), true);
  MotorConsole1 = Radio(engines, Item(this, "MotorConsole1", QStringLiteral("Console (preciso)")), false);
  Motor1->addActions({MotorClassico1, MotorConsole1});
  mnuCPU->addMenu(Motor1);
  PausarSemFoco1 = Item(this, "PausarSemFoco1", QStringLiteral("Pausar quando a janela perder o foco"));
  PausarSemFoco1->setCheckable(true);
  mnuCPU->addAction(PausarSemFoco1);
  bar->addMenu(mnuCPU);

  Help1 = SubMenu(this, "Help1", QStringLiteral("&Ajuda"));
  mnuAbout = Item(this, "mnuAbout", QStringLiteral("Sobre..."));
  mnuAbout->setIcon(MenuImage("about"));
  Help1->addAction(mnuAbout);
  bar->addMenu(Help1);

  // The popup menu repeats the shortcuts as labels only: the main menu's
  // items own them, and one key must not run a command twice.
  PopupMenu = new QMenu(this);
  PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
  pmuLoadRom = Item(this, "pmuLoadRom", QStringLiteral("&Carregar Rom ...\tF2"));
  pmuFreeROM = Item(this, "pmuFreeROM", QStringLiteral("&Liberar Rom ...\tF3"));
  AdicionaraoFavorito1 = Item(this, "AdicionaraoFavorito1", QStringLiteral("Adicionar ao Favorito"));
  pmuReset = Item(this, "pmuReset", QStringLiteral("&Resetar\tShift+F2"));
  pmuPause = Item(this, "pmuPause", QStringLiteral("&Pause\tCtrl+F2"));
  PopupMenu->addActions({pmuLoadRom, pmuFreeROM});
  PopupMenu->addSeparator();
  PopupMenu->addAction(AdicionaraoFavorito1);
  PopupMenu->addSeparator();
  PopupMenu->addActions({pmuReset, pmuPause});

  // Commands.
  auto bind = [this](QAction* action, void (TfrmNES::*handler)()) {
    connect(action, &QAction::triggered, this,
            [this, handler] { Command([this, handler] { (this->*handler)(); }); });
  };
  bind(mnuLoadROM, &TfrmNES::mnuLoadROMClick);
  bind(pmuLoadRom, &TfrmNES::mnuLoadROMClick);
  bind(mnuFreeROM, &TfrmNES::mnuFreeROMClick);
  bind(pmuFreeROM, &TfrmNES::mnuFreeROMClick);
  bind(mnuSavesnapshot, &TfrmNES::mnuSavesnapshotClick);
  bind(mnuSettings, &TfrmNES::mnuSettingClick);
  bind(mnuRom, &TfrmNES::mnuRomClick);
  bind(AdicionaraoFavorito1, &TfrmNES::AdicionaraoFavorito1Click);
  bind(mnuReset, &TfrmNES::mnuResetClick);
  bind(pmuReset, &TfrmNES::mnuResetClick);
  bind(mnuPause, &TfrmNES::mnuPauseClick);
  bind(pmuPause, &TfrmNES::mnuPauseClick);
  bind(mnuDebug, &TfrmNES::mnuDebugClick);
  bind(mnuAbout, &TfrmNES::mnuAboutClick);
  bind(abltsom, &TfrmNES::abltsomClick);
  connect(SintetizadorMIDI1, &QAction::triggered, this, [this] { ChooseVoice(SoundVoice::Midi); });
  connect(Console1, &QAction::triggered, this, [this] { ChooseVoice(SoundVoice::Console); });
  connect(MotorClassico1, &QAction::triggered, this,
          [this] { Command([this] { ChooseEngineClick(kClassicEngineId); }); });
  connect(MotorConsole1, &QAction::triggered, this,
          [this] { Command([this] { ChooseEngineClick(kConsoleEngineId); }); });
  bind(elaCheia1, &TfrmNES::ToggleFullScreen);
  connect(mnusvecpd, &QAction::triggered, this, [this] { Command([this] { SaveState(*machine_); }); });
  connect(mnuldacpd, &QAction::triggered, this, [this] {
    Command([this] {
      if (LoadState(*machine_) != RestoreResult::OtherEngine) return;
      // Only two engines: the state is the one's that does not run.
      const bool console = machine_->engine->Id() == kConsoleEngineId;
      LoadInOtherEngine(console ? kClassicEngineId : kConsoleEngineId, [this] {
        return LoadState(*machine_) == RestoreResult::Restored
                   ? "estado carregado de \"" + StateFileName(*machine_) + "\"."
                   : std::string();
      });
    });
  });
  connect(MensagensNaTela1, &QAction::toggled, this, [this](bool on) { messageLine_->SetSwitchedOn(on); });
  connect(mnuExit, &QAction::triggered, this, &QWidget::close);
  connect(VerFps1, &QAction::triggered, this, [this] { ShowFps = VerFps1->isChecked(); });
  connect(est, &QAction::triggered, this, [this] { DXDraw->SetStretch(est->isChecked()); });
  for (QAction* size : WindowSizes)
    connect(size, &QAction::triggered, this, [this, size] { SetWindowSize(size->data().toInt()); });
  connect(Vieo1, &QAction::triggered, this, [this] { DXDraw->SetSystemMemory(false); });
  connect(Sistema1, &QAction::triggered, this, [this] { DXDraw->SetSystemMemory(true); });
  connect(ExibirLog1, &QAction::triggered, this, [this] {
    Terminal->setVisible(ExibirLog1->isChecked());
    DXDraw->setVisible(!ExibirLog1->isChecked());
  });
  const std::pair<QAction*, int> rateItems[3] = {{N11mhz1, 11}, {N22mhz1, 22}, {N44Khz1, 44}};
  for (auto [item, rate] : rateItems) {
    connect(item, &QAction::triggered, this, [this, rate = rate] {
      SoundFrequencia = rate;
      SoundReset(*machine_->Sound);
    });
  }
  connect(Estreo1, &QAction::triggered, this, [this] { SoundSetChannels(*machine_->Sound, 1); });
  connect(Mono1, &QAction::triggered, this, [this] { SoundSetChannels(*machine_->Sound, 0); });
  // Menu refreshes, run as a menu opens.
  connect(mnuFile, &QMenu::aboutToShow, this, &TfrmNES::mnuFileClick);
  // The favourites refresh with "Arquivo" too: once all five items are
  // hidden, Qt no longer opens the empty submenu, so its own refresh would
  // never run again and a favourite added later would stay out of reach.
  connect(mnuFile, &QMenu::aboutToShow, this, &TfrmNES::Favoritos1Click);
  connect(Favoritos1, &QMenu::aboutToShow, this, &TfrmNES::Favoritos1Click);
  connect(mnuCPU, &QMenu::aboutToShow, this, &TfrmNES::mnuCPUClick);
  connect(PopupMenu, &QMenu::aboutToShow, this, &TfrmNES::ShowRunState);
  // A menu closed with Escape leaves the menu bar holding the keyboard, where
  // the next arrow opens a menu and Enter runs its first item. The check
  // waits for the menu to finish closing (the menu bar takes the keyboard
  // after the menu has hidden).
  for (QMenu* menu : {mnuFile, Vdeo1, Som1, mnuCPU, Help1, PopupMenu}) {
    connect(menu, &QMenu::aboutToHide, this,
            [this] { QTimer::singleShot(0, this, &TfrmNES::ReturnKeyboardToPicture); });
  }
  // "Habilita Som" draws its state in its picture: a checkable item with an
  // icon gets no check mark in most styles, so on and off looked alike.
  connect(abltsom, &QAction::toggled, this,
          [this](bool on) { abltsom->setIcon(MenuImage(on ? "sound" : "sound-off")); });
}

void TfrmNES::CreateToolBar() {
  Bar = new QToolBar(this);
  Bar->setObjectName(QStringLiteral("Bar"));
  Bar->setMovable(false);
  Bar->setFloatable(false);
  Bar->setFixedHeight(kToolBarHeight);
  Bar->setIconSize(QSize(20, 20));
  Bar->setContextMenuPolicy(Qt::PreventContextMenu);
  addToolBar(Qt::TopToolBarArea, Bar);
  ToolButton6 = Item(this, "ToolButton6Action", QStringLiteral("Joystick"));
  ToolButton6->setIcon(MenuImage("joystick"));
  // A button tied to a menu item shares its caption, image, enabled state
  // and command (and, for "Habilita Som", its pressed state).
  const std::pair<const char*, QAction*> buttons[] = {
      {"Opd", mnuLoadROM},          {"ToolButton1", mnuReset},
      {"ToolButton7", mnuFreeROM},  {"ToolButton2", LocalizarRoms1},
      {"ToolButton3", abltsom},     {"ToolButton4", mnuSettings},
      {"ToolButton6", ToolButton6}, {"ToolButton8", mnuAbout}};
  for (auto [name, action] : buttons) {
    Bar->addAction(action);
    QWidget* button = Bar->widgetForAction(action);
    button->setObjectName(QString::fromLatin1(name));
    button->setFixedSize(31, 26);
  }
}

void TfrmNES::CreateStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("StatusBar"));
  bar->setSizeGripEnabled(false);
  bar->setFixedHeight(kStatusBarHeight);
  StatusPanel0 = new QLabel(bar);
  StatusPanel0->setObjectName(QStringLiteral("StatusPanel0"));
  StatusPanel0->setFixedWidth(300);
  StatusPanel1 = new TStatusIcons(*this);
  StatusPanel1->setObjectName(QStringLiteral("StatusPanel1"));
  StatusPanel1->setFixedWidth(50);
  bar->addWidget(StatusPanel0);
  bar->addWidget(StatusPanel1);
  // A passing notice takes the bar's place for a while. The bar only moves
  // panels aside that are on screen at that moment, so a notice given before
  // the window shows or while full screen hides the bar was drawn over them.
  connect(bar, &QStatusBar::messageChanged, this, [this](const QString& notice) {
    StatusPanel0->setVisible(notice.isEmpty());
    StatusPanel1->setVisible(notice.isEmpty());
  });
}

void TfrmNES::SetWindowSize(int multiple) {
  const int chrome = menuBar()->sizeHint().height() + kToolBarHeight + kStatusBarHeight;
  auto windowFor = [chrome](int n) {
    // 1x is the designed window; from 2x on the picture fills the area.
    return QSize(std::max(kAreaWidth, 256 * n), chrome + std::max(kAreaHeight, 240 * n));
  };
  // The window's own frame counts too once the window system has given it one.
  const QSize frame = isVisible() ? frameGeometry().size() - geometry().size() : QSize(0, 0);
  QScreen* where = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
  const QSize available = where != nullptr ? where->availableGeometry().size() - frame : QSize(4096, 4096);
  const int asked = std::clamp(multiple, kMinWindowSize, kMaxWindowSize);
  int n = asked;
  while (n > 1 && (windowFor(n).width() > available.width() || windowFor(n).height() > available.height()))
    --n;
  // A smaller window than the one asked for is not left for the player to
  // puzzle out: the status bar names both sizes for a while.
  if (n < asked) {
    statusBar()->showMessage(QStringLiteral("Tamanho %1x não cabe na tela; usando %2x.").arg(asked).arg(n),
                             kSizeNoticeMs);
  } else {
    statusBar()->clearMessage();
  }
  // The player's choice is what is kept with the settings, so a screen
  // too small today does not lose 4x for a larger one tomorrow.
  chosenWindowSize_ = asked;
  windowSize_ = n;
  WindowSizes[n - 1]->setChecked(true);
  DXDraw->SetScale(n);
  normalSize_ = windowFor(n);
  // In full screen the new size waits for the way back to the window.
  if (!DXDraw->options().FullScreen) setFixedSize(normalSize_);
}

void TfrmNES::ApplyLoadedSettings() {
  const VirelSettings& s = settings_;
  move(s.WindowLeft, s.WindowTop);
  // These two items run their click handlers after taking the stored state.
  est->setChecked(s.VideoEsticar);
  DXDraw->SetStretch(est->isChecked());
  SetWindowSize(s.WindowSize);
  machine_->FrameRate = s.FrameRate;
  VerFps1->setChecked(s.ViewFrequency);
  ShowFps = VerFps1->isChecked();
  abltsom->setChecked(s.AbilitaSom);
  MensagensNaTela1->setChecked(s.ScreenMessages);
  PausarSemFoco1->setChecked(s.PauseOnFocusLoss);
  SoundFrequencia = s.SoundFrequencia;
  if (s.SoundFrequenciaStored) {
    if (s.SoundFrequencia == 11) N11mhz1->setChecked(true);
    if (s.SoundFrequencia == 22) N22mhz1->setChecked(true);
    if (s.SoundFrequencia == 44) N44Khz1->setChecked(true);
  }
  machine_->SoundVolume = s.SoundVolume;
  for (int i = 0; i < 5; ++i) machine_->ChannelEnabled[i] = s.SoundChannel[i];
  midiMenu_->ApplyStoredChoice(s.MidiOutPort);
  ChooseVoice(s.SoundVoice == 1 ? SoundVoice::Console : SoundVoice::Midi);
  ChooseEngine(*machine_, s.Motor == 1 ? kConsoleEngineId : kClassicEngineId);
  ShowEngine();
}

void TfrmNES::CollectSettings() {
  VirelSettings& s = settings_;
  s.WindowTop = placementStored_ ? storedPlacement_.top() : pos().y();
  s.WindowLeft = placementStored_ ? storedPlacement_.left() : pos().x();
  s.VideoEsticar = est->isChecked();
  s.WindowSize = chosenWindowSize_;
  s.FrameRate = machine_->FrameRate;
  s.ViewFrequency = ShowFps;
  s.AbilitaSom = abltsom->isChecked();
  s.ScreenMessages = MensagensNaTela1->isChecked();
  s.PauseOnFocusLoss = PausarSemFoco1->isChecked();
  s.SoundFrequencia = SoundFrequencia;
  s.SoundVolume = machine_->SoundVolume;
  for (int i = 0; i < 5; ++i) s.SoundChannel[i] = machine_->ChannelEnabled[i];
  s.MidiOutPort = midiMenu_->Choice();
  s.SoundVoice = machine_->Voice == SoundVoice::Console ? 1 : 0;
  s.Motor = machine_->engine->Id() == kConsoleEngineId ? 1 : 0;
}

void TfrmNES::ApplyKeyBindings() {
  for (int pad = 0; pad < 2; ++pad) {
    ApplyBindings(inputs_[pad]->Keys, settings_.Pads[pad]);
    inputs_[pad]->JoystickEnabled = settings_.Pads[pad].JoystickEnabled;
    inputs_[pad]->MouseEnabled = settings_.Pads[pad].MouseEnabled;
  }
  ApplyTimeSettings();
  statesMenu_->ApplyKeys();
}

void TfrmNES::Command(const std::function<void()>& command) {
  try {
    command();
  } catch (const std::exception& e) {
    // Said over the picture too, where the player looks once the box is gone.
    ShowMessage(e.what());
    ShowError(QString::fromUtf8(e.what()));
  } catch (...) {
    ShowError(QStringLiteral("Erro desconhecido."));
  }
  // An engine chosen while a loop ran: that loop has returned now. The run
  // in the new engine may ask for the other one in turn (a state it cannot
  // load), and its loop returns here too.
  while (!enginePending_.empty() && !RunLoopActive(*machine_)) SwitchEngineNow();
  // A command may have started or stopped emulation (the loop has returned
  // when it stopped).
  ShowRunState();
  // A close asked for while a run loop was active happens now that it has
  // returned, so the Machine is never destroyed under a running loop.
  if (closePending_ && !RunLoopActive(*machine_)) {
    closePending_ = false;
    QTimer::singleShot(0, this, &QWidget::close);
  }
}

void TfrmNES::RequestClose() {
  // Modal dialogs (settings, debugger, file and message boxes) each run their
  // own nested event loop; closing the window under them would unload the
  // cartridge while they still point into the Machine. They are dismissed
  // first, and the close comes back once their loops have unwound.
  if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
  bool dismissed = false;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget == this || !widget->isVisible() || !widget->isModal()) continue;
    if (auto* dialog = qobject_cast<QDialog*>(widget))
      dialog->reject();
    else
      widget->close();
    dismissed = true;
  }
  // A dialog that refuses to go must not keep the program alive for ever.
  constexpr int kMaxAttempts = 100;
  if ((dismissed || QApplication::activeModalWidget()) && ++closeAttempts_ < kMaxAttempts) {
    QTimer::singleShot(20, this, &TfrmNES::RequestClose);
    return;
  }
  closeAttempts_ = 0;
  close();
}

void TfrmNES::FinishBeforeQuit() {
  if (machine_->CartridgeLoaded() && !RunLoopActive(*machine_)) Command([this] { mnuFreeROMClick(); });
}

void TfrmNES::closeEvent(QCloseEvent* event) {
  // FormClose: the unload item unloads the cartridge when one is loaded
  // (the item is enabled only then).
  mnuFreeROM->trigger();
  if (RunLoopActive(*machine_)) {
    closePending_ = true;
    event->ignore();
    return;
  }
  event->accept();
}

void TfrmNES::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() != QEvent::ActivationChange) return;
  ActivationChanged();
  if (!isActiveWindow()) return;
  // The command-line cartridge starts at the first activation only: coming
  // back from a dialog or another program must not restart the game.
  if (activatedOnce_) return;
  activatedOnce_ = true;
  if (startFile_.isEmpty()) return;
  QTimer::singleShot(0, this, [this] {
    // A stop request may have closed the window in the meantime.
    if (!isVisible()) return;
    Command([this] {
      RestoreDisplay();
      StartAndRun(startFile_.toStdString(), false);
    });
  });
}

bool TfrmNES::eventFilter(QObject* watched, QEvent* event) {
  WatchWindowEvents(watched, event);
  if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
    auto* target = static_cast<QWidget*>(watched);
    auto* key = static_cast<QKeyEvent*>(event);
    if (KeepGameKeyFromMenus(target, *key)) return true;
    if (target->window() == this && key->modifiers() == Qt::NoModifier && FormKeyDown(key->key()))
      return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

bool TfrmNES::IsControllerKey(const QKeyEvent& key) const {
  const int code = VirtualKeyFromQt(key.key(), key.modifiers());
  if (code == 0) return false;
  for (const auto& input : inputs_)
    for (const auto& keys : input->Keys)
      if (std::find(keys.begin(), keys.end(), code) != keys.end()) return true;
  return false;
}

bool TfrmNES::KeepGameKeyFromMenus(QWidget* target, const QKeyEvent& key) {
  if (!machine_->CartridgeLoaded()) return false;
  const bool toMenuBar = target == menuBar();
  // The window's menus are windows of their own, owned by it or by its menus.
  bool toOwnMenu = false;
  if (qobject_cast<QMenu*>(target->window()) != nullptr) {
    for (QWidget* owner = target->window(); owner != nullptr && !toOwnMenu; owner = owner->parentWidget())
      toOwnMenu = owner == this;
  }
  if ((!toMenuBar && !toOwnMenu) || !IsControllerKey(key)) return false;
  // The tracker may not have seen the key yet, and it never will now.
  KeyboardTracker::Instance().Track(key);
  // The menu bar has the keyboard only through Escape or Alt; a game key
  // says the player is back in the game.
  if (toMenuBar) ReturnKeyboardToPicture();
  return true;
}

void TfrmNES::ReturnKeyboardToPicture() {
  // With no cartridge the menus keep Qt's usual keyboard use; a menu open
  // again (the player went on to the next one) keeps the keyboard.
  if (!machine_->CartridgeLoaded() || QApplication::activePopupWidget() != nullptr) return;
  // Losing the keyboard takes the menu bar out of its keyboard mode too.
  if (QWidget* focus = focusWidget(); focus == nullptr || focus == menuBar())
    client_->setFocus(Qt::OtherFocusReason);
}

bool TfrmNES::FormKeyDown(int key) {
  // Reached only by keys no attached menu took as a shortcut: with the menu
  // detached in full screen, or an item disabled (F3 then unloads anyway).
  switch (key) {
    case Qt::Key_F2: Command([this] { mnuLoadROMClick(); }); return true;
    case Qt::Key_F3: Command([this] { mnuFreeROMClick(); }); return true;
    case Qt::Key_F4: Command([this] { ToggleFullScreen(); }); return true;
    case Qt::Key_F8: mnusvecpd->trigger(); return true;
    case Qt::Key_F9: mnuldacpd->trigger(); return true;
    case Qt::Key_Escape:
      // Players expect Escape to leave full screen; in a window it stays with
      // whatever has the keyboard.
      if (!DXDraw->options().FullScreen) return false;
      Command([this] { ToggleFullScreen(); });
      return true;
    default: return false;
  }
}
