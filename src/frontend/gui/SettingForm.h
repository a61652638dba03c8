// TfrmSetting, the settings dialog: frame skip, window or full-screen start
// with its display mode, the frame-rate display, sound volume and channels,
// controller 1's keys (click the buttons of the drawing, then press a key)
// and both joystick switches. It copies the main window's fields when it is
// created and writes them back only on OK; the registry is not its business.
// A 300 ms timer shows controller 1's buttons live from the dialog's own
// input component.
#pragma once

#include <QDialog>
#include <QStringList>
#include <array>
#include <memory>
#include <string>

#include "frontend/Controllers.h"
#include "frontend/TimeSettings.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QTabWidget;
class QTimer;
class QWidget;
class TDXInput;
class TfrmNES;
class TShape;
class TTimePage;

// The main window's fields the dialog edits, wherever the window keeps them.
struct TSettingFields {
  int& FrameRate;                       // frame-skip modulus, 1-10
  int& SoundVolume;                     // 0-255
  std::array<bool, 5>& ChannelEnabled;  // the five sound channels
  std::array<PadBindings, 2>& Pads;     // keys and joystick switches
  int& StartFullScreen;                 // 0 window, 1 full screen
  std::string& FullScreenMode;          // "%dx%dx%d"
  bool& ShowFps;
};

// Shape colours: grey idle, red waiting for a key, blue a direction, Select
// or Start pressed (or a key's match), navy A or B pressed.
inline const QColor kShapeIdle{0x80, 0x80, 0x80};
inline const QColor kShapeWaiting{0xFF, 0x00, 0x00};
inline const QColor kShapeLit{0x00, 0x00, 0xFF};
inline const QColor kShapeLitRound{0x00, 0x00, 0x80};

class TfrmSetting : public QDialog {
  Q_OBJECT
 public:
  // `displayModes` are the display modes written "%dx%dx%d"; none means the
  // drawing surface is unavailable and full screen cannot be chosen. With
  // `time`, the page "Tempo" edits the time controls' settings too.
  TfrmSetting(const TSettingFields& fields, const QStringList& displayModes, QWidget* parent = nullptr,
              TimeSettings* time = nullptr);
  // The main window's Settings command: its fields, and the modes of its
  // display component (initialised for the enumeration when it is not).
  explicit TfrmSetting(TfrmNES& owner);
  ~TfrmSetting() override;

  // The working copies of controller 1's keys (Up, Down, Left, Right, A, B,
  // Start, Select), written to the main window on OK.
  const std::array<int32_t, kPadBindingCount>& WorkingKeys() const { return keys_; }
  // The shape of controller 1's page that edits a binding.
  TShape* ShapeOf(PadBinding binding) const { return pad1Shapes_[binding]; }

  // --- Controls, named as in the form ---------------------------------------------
  QTabWidget* PageControl;
  QWidget *tsNES, *tsScreen, *tsSound, *tsJoypad1, *tsJoypad2, *TabSheet1;
  TTimePage* tsTempo = nullptr;  // only with the time settings to edit
  QSpinBox* seRate;
  QGroupBox* gbWindow;
  QRadioButton *rbNormal, *rbFull;
  QComboBox* cbDisplay;
  QCheckBox* ckViewFreq;
  QGroupBox* gbVolume;
  QSlider* tbVolume;
  QLabel* lbVolume;
  QCheckBox *cbCH1, *cbCH2, *cbCH3, *cbCH4, *cbCH5;
  TShape *ci1, *ba1, *es1, *di1, *sl1, *st1, *b1a, *bb1;
  QLabel* llp;
  QCheckBox *cbJoy1, *tbjoy1, *cbJoy2;
  QCheckBox* ckMouse1;             // "Mouse controla o Jogador 1"
  std::array<TShape*, 8> Shape{};  // Shape1-Shape8 of controller 2's page
  QPushButton* SpeedButton1;
  QPushButton *btnOK, *btnCancel;
  QTimer* tj1;
  std::unique_ptr<TDXInput> DXInput1;

  // --- Handlers ---------------------------------------------------------------------
  void rbNormalClick(QRadioButton* clicked);
  void tbVolumeChange();
  // A key while the dialog has focus, as a virtual-key code. True when the
  // key was taken for a binding (it then does nothing else in the dialog).
  bool FormKeyDown(int key);
  void tj1Timer();
  void PageControlChanging();
  void PageControlChange();
  void b1aMouseUp(TShape* shape);
  void btnOKClick();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreatePages();
  QWidget* CreateNesPage();
  QWidget* CreateScreenPage();
  QWidget* CreateSoundPage();
  QWidget* CreateJoypadPage(int pad);
  QWidget* CreateNetworkPage();
  void FormCreate(const QStringList& displayModes);
  void ShowKeyHints();
  // What else answers to a time control's key: a controller's button (the
  // keys as edited here) or one of the main window's own keys.
  QString KeyOwner(int32_t chord) const;
  // Likewise for a joystick button: a controller's, while its joystick is on.
  QString ButtonOwner(JoyButton button) const;

  TSettingFields fields_;
  TimeSettings* time_ = nullptr;
  std::array<int32_t, kPadBindingCount> keys_{};
  std::array<TShape*, kPadBindingCount> pad1Shapes_{};
  // Only a track bar the user moved changes the stored volume: the dialog's
  // eleven levels cannot show most stored values, which OK must not lose.
  bool volumeMoved_ = false;
};
