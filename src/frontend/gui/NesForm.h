// The main window TfrmNES: it owns the one Machine and the user's settings,
// shows the emulated picture (or the log), offers every command through the
// main menu, toolbar, popup menu and function keys, and is the core's Host.
//
// The dialogs of other units are used when their header exists (until then
// the command's item stays disabled). Each is created when its command runs,
// shown modally and freed:
//   frontend/gui/SettingForm.h        TfrmSetting(TfrmNES& owner); exec() == Accepted on OK
//   cartridge/gui/RomPropertyForm.h   TfrmROMProperty(Machine& m, QWidget* parent)
//   debugger/gui/DebugForm.h          TfrmDebug(Machine& m, QWidget* parent)
// The values the settings dialog edits live in machine() (FrameRate,
// SoundVolume, ChannelEnabled), in ShowFps, and in settings() (Pads,
// StartFullScreen, FullScreenMode); the window re-applies the key bindings
// after OK. display() offers the display modes.
#pragma once

#include <QImage>
#include <QMainWindow>
#include <QStringList>
#include <array>
#include <chrono>
#include <functional>
#include <memory>

#include "core/Host.h"
#include "core/Machine.h"
#include "frontend/Settings.h"
#include "frontend/gui/JoystickButtons.h"
#include "frontend/gui/TDXInput.h"
#include "sound/SoundDevices.h"
#include "timeline/TimeControl.h"
#include "video/FrameRateMeter.h"

class QAction;
class QActionGroup;
class QKeyEvent;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QToolBar;
class QTimer;
class QToolButton;
class TDXDraw;
class TClientArea;
class TStatusIcons;
class TMessageLine;
class TMidiMenu;
class TStatesMenu;

class TfrmNES : public QMainWindow, public Host {
  Q_OBJECT
 public:
  // `arguments` are the command line without the program: a cartridge to
  // start at the first activation, then "/S0" or "/S1".
  // `devices` serves the Machine's sound layer from the first start on
  // (none: sound opens quietly to nothing).
  explicit TfrmNES(const QStringList& arguments = {}, QWidget* parent = nullptr,
                   SoundDeviceFactory devices = {});
  // Saves the settings.
  ~TfrmNES() override;

  Machine& machine() { return *machine_; }
  VirelSettings& settings() { return settings_; }
  TDXDraw* display() const { return DXDraw; }
  TDXInput& input(int pad) { return *inputs_[pad]; }
  // "Saída MIDI" and the music recording.
  TMidiMenu& midiMenu() { return *midiMenu_; }
  // "Estados": the nine state slots and the undo of a slot load.
  TStatesMenu& statesMenu() { return *statesMenu_; }
  // Frames the run loop has shown since the window opened: the recording's clock.
  int64_t FramesRun() const { return framesRun_; }
  bool ShowFps = false;
  bool UseDirectDraw = false;
  int SoundFrequencia = 11;

  // --- Controls, named as in the form ---------------------------------------------
  TDXDraw* DXDraw = nullptr;
  QPlainTextEdit* Terminal = nullptr;
  QToolBar* Bar = nullptr;
  QMenu* PopupMenu = nullptr;
  QLabel* StatusPanel0 = nullptr;
  TStatusIcons* StatusPanel1 = nullptr;
  QMenu *mnuFile, *Favoritos1, *Vdeo1, *Memoria1, *TamanhoJanela1, *Efeitos1, *Nosise1, *Som1, *Frequencia1,
      *Canais1, *Voz1, *mnuCPU, *Joystick1, *Joystick11, *Help1;
  QAction *mnuLoadROM, *mnuFreeROM, *mnuSavesnapshot, *LocalizarRoms1, *mnuSettings, *mnuRom, *N6,
      *MRUSeparator, *mnuExit;
  std::array<QAction*, kListSize> FAV{}, MRU{};
  QAction *Vieo1, *Sistema1, *VerFps1, *est, *ExibirLog1, *elaCheia1;
  std::array<QAction*, 4> SprayLevels{};  // N01, n11, n21, N51
  std::array<QAction*, 4> WindowSizes{};  // 1x to 4x
  QAction *abltsom, *N11mhz1, *N22mhz1, *N44Khz1, *Estreo1, *Mono1;
  QAction *SintetizadorMIDI1, *Console1;  // "Voz"
  QAction* MensagensNaTela1 = nullptr;    // "Vídeo > Mensagens na Tela"
  QAction* PausarSemFoco1 = nullptr;      // "CPU > Pausar quando a janela perder o foco"
  QMenu* Motor1 = nullptr;                // "CPU > Motor"
  QAction *MotorClassico1, *MotorConsole1;
  QAction *mnuReset, *mnuPause, *mnuDebug, *Reiniciar1, *JoyStick21, *mnusvecpd, *mnuldacpd;
  QAction *AvancoRapido1, *AvancarQuadro1;  // "CPU": fast-forward on/off, frame advance
  QAction *mnuAbout, *pmuLoadRom, *pmuFreeROM, *AdicionaraoFavorito1, *pmuReset, *pmuPause, *ToolButton6;

  // --- Commands -----------------------------------------------------------------
  void mnuLoadROMClick();
  void mnuFreeROMClick();
  void MRUClick(int index);
  void FAVClick(int index);
  void AdicionaraoFavorito1Click();
  void mnuPauseClick();
  void mnuResetClick();
  void mnuDebugClick();
  void mnuSettingClick();
  void mnuRomClick();
  void mnuAboutClick();
  void mnuSavesnapshotClick();
  void abltsomClick();
  // "Som > Voz": who plays the music, at once. The console voice joins a
  // running game from its sound registers; while it plays, the default
  // synthesiser stays silent (a chosen MIDI port and a recording still get
  // every note).
  void ChooseVoice(SoundVoice voice);
  // "CPU > Motor": the engine that runs the console. With a cartridge in,
  // the change restarts it after asking; the switch itself waits until no
  // run loop is active, as the old engine may be running it.
  void ChooseEngineClick(std::string_view id);
  void SwitchEngineNow();
  // Checks the menu item of the engine that runs.
  void ShowEngine();
  // A state the other engine saved (a slot, or "Carregar Status"): the
  // cartridge restarts in `engine` as "CPU > Motor" restarts it, without
  // asking, then `load` runs and its words go to the message line. A game
  // that was paused stays paused on the loaded state.
  void LoadInOtherEngine(std::string_view engine, std::function<std::string()> load);
  void mnuFileClick();
  void Favoritos1Click();
  void mnuCPUClick();
  // The orderly end asked for from outside (a stop signal, the desktop session
  // ending): open dialogs and menus are dismissed first, then the window
  // closes as "Sair" closes it (cartridge unloaded, settings saved).
  void RequestClose();
  // The application quits while the window is still open (a quit request that
  // bypassed the close): the cartridge is unloaded here, at the outermost level.
  void FinishBeforeQuit();
  // Caption and picture of "Pausa"/"Rodar" after Running: the command they run.
  void ShowRunState();
  // Starts a file as the recent and favourite items do.
  void StartFile(const QString& path);
  // The Load command with `path` in place of the open dialog's choice.
  void LoadChosenFile(const QString& path);
  // A file dropped on the window (NesFormDrop.cpp): the Load command with the
  // dropped file as the choice.
  void OpenDroppedFile(const QString& path);
  // The folder the open dialog starts in: that of the last cartridge started,
  // kept as "Path" (empty before the first: the dialog takes the working folder).
  QString RomDialogFolder() const;
  // Rebuilds both controllers' key tables and joystick switches, and takes
  // the time controls' keys and settings.
  void ApplyKeyBindings();

  // --- Time controls (NesFormTime.cpp) ------------------------------------------------
  TimeControl& timeControl() { return *time_; }
  // "Avanço Rápido": on until chosen again (the held key works besides).
  void FastForwardClick();
  // "Avançar um Quadro": paused, runs one frame and shows it; running, pauses.
  void FrameAdvanceClick();

  // --- Message line and the player's attention (NesFormFeedback.cpp) ----------------
  TMessageLine& messageLine() { return *messageLine_; }
  // Puts the line over the bottom of the picture as it lies now.
  void PlaceMessageLine();
  // The states that last (paused, rewinding, fast-forward) on the line.
  void ShowLastingState();

  // --- Display --------------------------------------------------------------------
  void ShowIdleScreen();
  void ToggleFullScreen();
  void RestoreDisplay();
  // "Tamanho da Janela": the picture area becomes `multiple` times 256 x 240
  // (1 keeps the designed window), or the largest multiple that fits the
  // screen, which the status bar then names; the item of the size taken is
  // checked. Full screen draws at the largest multiple the screen holds.
  void SetWindowSize(int multiple);
  int WindowSize() const { return windowSize_; }

  // --- Host ---------------------------------------------------------------------------
  void AppendLog(std::string_view line) override;
  void RefreshColorTable() override;
  void PresentFrame() override;
  void PollControllers() override;
  void ProcessMessages() override;
  void PrepareDisplay() override;
  void LeaveDisplay() override;
  void SetCartridgeItemsEnabled(bool enabled) override;
  void SetStatusText(std::string_view text) override;
  void ShowMessage(std::string_view text) override;
  bool SoundEnabled() const override;
  int SoundRate() const override { return SoundFrequencia; }

  // Replaceable for tests: the open and save dialogs (an empty path is a
  // cancel), the general error display and the question box.
  std::function<QString()> ChooseRomFile;
  std::function<QString()> ChooseBitmapFile;
  std::function<void(const QString&)> ShowError;
  // A yes-or-no question; true for yes.
  std::function<bool(const QString&)> Confirm;
  // The joysticks' buttons as the time controls' bindings see them (SDL2).
  JoystickButtonsReader ReadJoystickButtons;
  // The window path draws the frame here when the display is unavailable.
  const QImage& WindowPicture() const { return windowPicture_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  friend class TClientArea;
  // Runs a command: an error escaping it reaches the user, and a close that
  // had to wait for the run loop happens once the loop has returned.
  void Command(const std::function<void()>& command);
  // Starts the cartridge at `path` and runs it, as LoadAndStart does; once it
  // has started, its folder becomes the open dialog's and, with `recent`,
  // its path joins the recent list. A refused file changes nothing.
  void StartAndRun(std::string path, bool recent);
  // Before a file is chosen or dropped: the surface back and full screen left
  // (the game goes on).
  void PrepareToOpen();
  void CreateMenus();
  void CreateToolBar();
  void CreateStatusBar();
  void InstallStandardDialogs();
  void AcceptFileDrops();
  void ApplyLoadedSettings();
  void CollectSettings();
  bool FormKeyDown(int key);
  // While a cartridge is loaded, a controller's key aimed at the menu bar or
  // at one of the window's menus is kept from it (it still counts for the
  // controller): true when `key` was such a key.
  bool KeepGameKeyFromMenus(QWidget* target, const QKeyEvent& key);
  bool IsControllerKey(const QKeyEvent& key) const;
  // After a menu closes, the keyboard goes back to the picture rather than
  // staying with the menu bar, while a cartridge is loaded.
  void ReturnKeyboardToPicture();
  void DrawFpsText(int x, int y, const QString& format);
  // The two halves of ToggleFullScreen, without the display's restart.
  void ShowWindowed();
  void ShowFullScreen();
  void UpdatePaletteColors();
  void CreateTimeItems();
  void ApplyTimeSettings();
  // The held keys and joystick buttons (rewind, fast-forward) as they stand
  // at a frame start.
  void ReadHeldTimeKeys();
  // Each joystick button bound to a pressed command (slots, undo, the
  // fast-forward toggle, frame advance) that went down since the last look
  // runs its command's item, once.
  void RunPressedTimeButtons();
  // A paused game has no frame starts: a timer looks at the joysticks instead,
  // while a cartridge is in and a command has a button.
  void FollowTimeButtons(bool cartridgeLoaded);
  void PollTimeButtonsWhilePaused();
  bool AnyTimeButton() const;
  QAction* TimeCommandItem(int command) const;
  // The status bar names fast-forward and rewind while they run.
  void ShowTimeStatus();
  // The text of the time control running now (rewind, fast-forward), or none.
  QString TimeStateText() const;
  // NesFormFeedback.cpp: a modal dialog over the window holds the run loop
  // where it is, so the notes it left sounding are silenced until the game
  // runs on; the mouse's buttons count for the game only when pressed on the
  // picture; the game waits while another program has the focus, when the
  // player asked for it.
  void WatchWindowEvents(QObject* watched, QEvent* event);
  void ActivationChanged();
  uint32_t PictureMouseButtons() const;
  // Resumes the sound a dialog held, once the run goes on.
  void ContinueHeldSound();

  std::unique_ptr<Machine> machine_;
  TMessageLine* messageLine_ = nullptr;
  // The state load waiting for the engine switch, and whether the game runs
  // on after it.
  std::function<std::string()> pendingLoad_;
  bool runAfterSwitch_ = true;
  // Mouse buttons pressed on the picture (bits 0-2: left, right, middle).
  uint32_t pictureButtons_ = 0;
  // The game paused because the window lost the focus: it resumes with it.
  bool pausedForFocus_ = false;
  std::unique_ptr<TimeControl> time_;
  std::chrono::steady_clock::time_point lastShown_{};
  QString timeStatus_;
  std::unique_ptr<TJoystickButtons> joysticks_;
  QTimer* timeButtonTimer_ = nullptr;
  // The joysticks as last read, and as the last look for presses saw them.
  JoystickButtons padsNow_, padsSeen_;
  VirelSettings settings_;
  std::array<std::unique_ptr<TDXInput>, 2> inputs_;
  TClientArea* client_ = nullptr;
  QString startFile_;
  bool activatedOnce_ = false;
  bool closePending_ = false;
  // The engine chosen while a run loop was active: switched to once it returns.
  std::string enginePending_;
  int closeAttempts_ = 0;
  QSize normalSize_;
  int windowSize_ = 1;        // the multiple in use
  int chosenWindowSize_ = 1;  // the one the player chose (kept with the settings)
  QRect storedPlacement_;
  bool placementStored_ = false;
  FrameRateMeter fpsMeter_;
  QImage windowPicture_;
  QString windowFpsText_;
  TMidiMenu* midiMenu_ = nullptr;
  TStatesMenu* statesMenu_ = nullptr;
  int64_t framesRun_ = 0;
  QStringList shownIcons_;
};
