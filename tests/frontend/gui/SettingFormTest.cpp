// The settings dialog over a set of fields of its own: what it shows, what OK
// and Cancel write, the volume levels, the click-then-press key capture, the
// live display of controller 1, and the joystick buttons of the "Tempo" page.
#include "frontend/gui/SettingForm.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <memory>
#include <ostream>

#include "core/gui/Shape.h"
#include "frontend/gui/TDXInput.h"
#include "frontend/gui/TimePage.h"

static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

// The main window's fields as the dialog sees them.
struct Fields {
  int FrameRate = 3;
  int SoundVolume = 10;
  std::array<bool, 5> ChannelEnabled{true, false, true, false, true};
  std::array<PadBindings, 2> Pads{kDefaultPad1, PadBindings{kDefaultPad2.Keys, true}};
  int StartFullScreen = 1;
  std::string FullScreenMode = "640x480x32";
  bool ShowFps = true;

  TSettingFields Refs() {
    return {FrameRate, SoundVolume, ChannelEnabled, Pads, StartFullScreen, FullScreenMode, ShowFps};
  }
  bool operator==(const Fields& o) const {
    return FrameRate == o.FrameRate && SoundVolume == o.SoundVolume && ChannelEnabled == o.ChannelEnabled &&
           Pads[0].Keys == o.Pads[0].Keys && Pads[1].Keys == o.Pads[1].Keys &&
           Pads[0].JoystickEnabled == o.Pads[0].JoystickEnabled &&
           Pads[1].JoystickEnabled == o.Pads[1].JoystickEnabled && StartFullScreen == o.StartFullScreen &&
           FullScreenMode == o.FullScreenMode && ShowFps == o.ShowFps;
  }
};

const QStringList kModes{"1024x768x32", "640x480x32", "320x240x16"};

struct SettingFormFixture : ::testing::Test {
  Fields f;
  std::unique_ptr<TfrmSetting> dlg;

  void Open(const QStringList& modes = kModes) {
    dlg = std::make_unique<TfrmSetting>(f.Refs(), modes);
    dlg->show();
    dlg->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
  }
  // A key typed into the dialog, where the keyboard focus is.
  void Type(Qt::Key key) {
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus != nullptr ? focus : dlg.get(), key);
  }
  void Click(TShape* shape) {
    dlg->PageControl->setCurrentWidget(dlg->tsJoypad1);
    QTest::mouseClick(shape, Qt::LeftButton);
  }
  std::vector<QColor> Colours() {
    std::vector<QColor> c;
    for (int b = 0; b < kPadBindingCount; ++b) c.push_back(dlg->ShapeOf(PadBinding(b))->brushColor());
    return c;
  }
};

TEST_F(SettingFormFixture, ShowsTheMainWindowsFields) {
  Open();
  EXPECT_EQ(dlg->windowTitle(), "Configurações ...");
  EXPECT_EQ(dlg->size(), QSize(369, 324));
  const QStringList captions{"NES", "Vídeo", "Som", "Jogador 1", "Jogador 2", "Rede"};
  ASSERT_EQ(dlg->PageControl->count(), captions.size());
  for (int i = 0; i < captions.size(); ++i) EXPECT_EQ(dlg->PageControl->tabText(i), captions[i]);

  EXPECT_EQ(dlg->seRate->value(), 3);
  EXPECT_EQ(dlg->seRate->minimum(), 1);
  EXPECT_EQ(dlg->seRate->maximum(), 10);
  // A stored 10 is level 0 of the dialog's eleven.
  EXPECT_EQ(dlg->tbVolume->value(), 10);
  EXPECT_EQ(dlg->lbVolume->text(), "0");
  QCheckBox* const channels[] = {dlg->cbCH1, dlg->cbCH2, dlg->cbCH3, dlg->cbCH4, dlg->cbCH5};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(channels[i]->isChecked(), f.ChannelEnabled[i]) << i;
  EXPECT_FALSE(dlg->cbJoy1->isChecked());
  EXPECT_TRUE(dlg->cbJoy2->isChecked());
  EXPECT_TRUE(dlg->rbFull->isChecked());
  EXPECT_FALSE(dlg->rbNormal->isChecked());
  EXPECT_EQ(dlg->cbDisplay->count(), 3);
  EXPECT_EQ(dlg->cbDisplay->currentText(), "640x480x32");
  EXPECT_TRUE(dlg->cbDisplay->isEnabled());
  EXPECT_TRUE(dlg->ckViewFreq->isChecked());
  EXPECT_EQ(dlg->WorkingKeys(), kDefaultPad1.Keys);

  // What cannot be used: controller 2's page, turbo, the network button.
  EXPECT_FALSE(dlg->tsJoypad2->isEnabled());
  EXPECT_FALSE(dlg->tbjoy1->isEnabled());
  EXPECT_FALSE(dlg->SpeedButton1->isEnabled());
  EXPECT_TRUE(dlg->btnOK->isDefault());
  EXPECT_TRUE(dlg->tj1->isActive());
  EXPECT_EQ(dlg->tj1->interval(), 300);
}

TEST_F(SettingFormFixture, VolumeAndScreenChoicesFromOtherFields) {
  struct Case {
    int volume, position;
  };
  for (const Case c : {Case{255, 0}, Case{128, 5}, Case{0, 10}, Case{25, 10}, Case{26, 9}}) {
    f.SoundVolume = c.volume;
    f.StartFullScreen = 0;
    f.FullScreenMode = "800x600x16";  // not offered: the first entry is shown
    Open();
    EXPECT_EQ(dlg->tbVolume->value(), c.position) << c.volume;
    EXPECT_EQ(dlg->lbVolume->text(), QString::number(10 - c.position));
    EXPECT_TRUE(dlg->rbNormal->isChecked());
    EXPECT_FALSE(dlg->cbDisplay->isEnabled());
    EXPECT_EQ(dlg->cbDisplay->currentText(), "1024x768x32");
  }
}

TEST_F(SettingFormFixture, OkWritesEveryField) {
  Open();
  dlg->seRate->setValue(7);
  dlg->cbCH1->setChecked(false);
  dlg->cbCH2->setChecked(true);
  dlg->cbJoy1->setChecked(true);
  dlg->ckViewFreq->setChecked(false);
  dlg->tbVolume->setValue(3);
  dlg->cbDisplay->setCurrentIndex(2);
  dlg->btnOK->click();
  EXPECT_EQ(dlg->result(), QDialog::Accepted);

  EXPECT_EQ(f.FrameRate, 7);
  EXPECT_EQ(f.SoundVolume, 178);
  EXPECT_EQ(f.ChannelEnabled, (std::array<bool, 5>{false, true, true, false, true}));
  EXPECT_TRUE(f.Pads[0].JoystickEnabled);
  EXPECT_TRUE(f.Pads[1].JoystickEnabled);  // written back as it was
  EXPECT_FALSE(f.ShowFps);
  EXPECT_EQ(f.StartFullScreen, 1);
  EXPECT_EQ(f.FullScreenMode, "320x240x16");

  // Window mode keeps the stored display mode.
  Open();
  QTest::mouseClick(dlg->rbNormal, Qt::LeftButton);
  dlg->btnOK->click();
  EXPECT_EQ(f.StartFullScreen, 0);
  EXPECT_EQ(f.FullScreenMode, "320x240x16");
}

TEST_F(SettingFormFixture, OkWithTheVolumeUntouchedKeepsTheStoredVolume) {
  // Neither 10 nor 200 is one of the eleven levels; OK alone keeps them.
  for (int stored : {10, 200}) {
    f.SoundVolume = stored;
    Open();
    dlg->btnOK->click();
    EXPECT_EQ(f.SoundVolume, stored);
  }
}

TEST_F(SettingFormFixture, CancelWritesNothing) {
  const Fields before = f;
  Open();
  dlg->seRate->setValue(9);
  dlg->tbVolume->setValue(0);
  dlg->cbCH3->setChecked(false);
  dlg->cbJoy1->setChecked(true);
  dlg->ckViewFreq->setChecked(false);
  QTest::mouseClick(dlg->rbNormal, Qt::LeftButton);
  Click(dlg->es1);
  Type(Qt::Key_W);
  dlg->btnCancel->click();
  EXPECT_EQ(dlg->result(), QDialog::Rejected);
  EXPECT_TRUE(f == before);
}

TEST_F(SettingFormFixture, LevelsMapOntoTheVolumeScale) {
  const int expected[11] = {0, 25, 51, 76, 102, 127, 153, 178, 204, 229, 255};
  for (int level = 0; level <= 10; ++level) {
    f.SoundVolume = 77;
    Open();
    // Move away first, so that the level's own position is a move too.
    dlg->tbVolume->setValue(dlg->tbVolume->value() == 5 ? 4 : 5);
    dlg->tbVolume->setValue(10 - level);
    EXPECT_EQ(dlg->lbVolume->text(), QString::number(level));
    dlg->btnOK->click();
    EXPECT_EQ(f.SoundVolume, expected[level]) << "level " << level;
  }
}

TEST_F(SettingFormFixture, TwoShapesClickedThenOneKeyBindsBoth) {
  Open();
  Click(dlg->es1);
  Click(dlg->b1a);
  EXPECT_EQ(dlg->es1->brushColor(), kShapeWaiting);
  EXPECT_EQ(dlg->b1a->brushColor(), kShapeWaiting);
  EXPECT_EQ(dlg->llp->text(), "Pressione uma tecla..");
  EXPECT_FALSE(dlg->tj1->isActive());

  // Enter is taken for the buttons: it does not close the dialog as OK.
  Type(Qt::Key_Return);
  EXPECT_TRUE(dlg->isVisible());
  EXPECT_TRUE(dlg->tj1->isActive());
  auto keys = kDefaultPad1.Keys;
  keys[pbLeft] = 13;
  keys[pbA] = 13;
  EXPECT_EQ(dlg->WorkingKeys(), keys);
  EXPECT_EQ(f.Pads[0].Keys, kDefaultPad1.Keys);  // not before OK

  // The timer's next tick ends the marks; the prompt stays.
  dlg->tj1Timer();
  EXPECT_EQ(dlg->es1->brushColor(), kShapeIdle);
  EXPECT_EQ(dlg->llp->text(), "Pressione uma tecla..");

  // A second capture: one click, a letter.
  Click(dlg->sl1);
  Type(Qt::Key_Q);
  keys[pbSelect] = 'Q';
  dlg->btnOK->click();
  EXPECT_EQ(f.Pads[0].Keys, keys);
}

TEST_F(SettingFormFixture, KeyWithoutClickOnlyHighlights) {
  Open();
  dlg->PageControl->setCurrentWidget(dlg->tsJoypad1);
  Type(Qt::Key_Space);  // A on the default keys
  const std::vector<QColor> colours = Colours();
  for (int b = 0; b < kPadBindingCount; ++b)
    EXPECT_EQ(colours[b], b == pbA ? kShapeLit : kShapeIdle) << "binding " << b;
  EXPECT_EQ(dlg->WorkingKeys(), kDefaultPad1.Keys);
  EXPECT_TRUE(dlg->isVisible());

  // The match is against the main window's keys, not the edited copies.
  Click(dlg->es1);
  Type(Qt::Key_W);
  dlg->tj1Timer();
  Type(Qt::Key_W);
  EXPECT_EQ(dlg->es1->brushColor(), kShapeIdle);
  dlg->tj1Timer();
  Type(Qt::Key_Left);
  EXPECT_EQ(dlg->es1->brushColor(), kShapeLit);
  EXPECT_EQ(dlg->WorkingKeys()[pbLeft], 'W');
}

TEST_F(SettingFormFixture, HeldKeyIsOnePressAndLetsTheLiveDisplayRun) {
  Open();
  dlg->PageControl->setCurrentWidget(dlg->tsJoypad1);
  QWidget* focus = QApplication::focusWidget();
  QTest::keyPress(focus, Qt::Key_Space);  // A on the default keys, Button 1 live
  EXPECT_EQ(dlg->b1a->brushColor(), kShapeLit);
  dlg->tj1Timer();
  EXPECT_EQ(dlg->b1a->brushColor(), kShapeLitRound);
  // The keyboard's repeats of the held key neither highlight nor stop the
  // timer.
  dlg->tj1->start();
  QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
  QApplication::sendEvent(focus, &repeat);
  EXPECT_EQ(dlg->b1a->brushColor(), kShapeLitRound);
  EXPECT_TRUE(dlg->tj1->isActive());
  QTest::keyRelease(focus, Qt::Key_Space);
}

TEST_F(SettingFormFixture, ClickLeftWithoutKeyCarriesIntoTheNextDialog) {
  Open();
  Click(dlg->st1);
  dlg->btnCancel->click();
  // The capture is still pending: the first key of the next dialog ends it
  // without highlighting, the second highlights.
  Open();
  dlg->PageControl->setCurrentWidget(dlg->tsJoypad1);
  Type(Qt::Key_Space);
  EXPECT_EQ(dlg->b1a->brushColor(), kShapeIdle);
  EXPECT_EQ(dlg->WorkingKeys(), kDefaultPad1.Keys);
  Type(Qt::Key_Space);
  EXPECT_EQ(dlg->b1a->brushColor(), kShapeLit);
}

TEST_F(SettingFormFixture, DisplayListOnlyWithFullScreen) {
  Open();
  QTest::mouseClick(dlg->rbNormal, Qt::LeftButton);
  EXPECT_TRUE(dlg->rbNormal->isChecked());
  EXPECT_FALSE(dlg->cbDisplay->isEnabled());
  QTest::mouseClick(dlg->rbFull, Qt::LeftButton);
  EXPECT_TRUE(dlg->rbFull->isChecked());
  EXPECT_TRUE(dlg->cbDisplay->isEnabled());

  // No modes: full screen cannot be chosen, and OK leaves its choice alone.
  Open(QStringList{});
  EXPECT_FALSE(dlg->rbFull->isEnabled());
  EXPECT_FALSE(dlg->cbDisplay->isEnabled());
  QTest::mouseClick(dlg->rbFull, Qt::LeftButton);
  EXPECT_FALSE(dlg->cbDisplay->isEnabled());
  dlg->btnOK->click();
  EXPECT_EQ(f.StartFullScreen, 1);
  EXPECT_EQ(f.FullScreenMode, "640x480x32");
}

// The colour along the middle of the volume bar, a fraction of its height
// from the top.
QColor BarColour(QSlider* bar, double fromTop) {
  const QImage image = bar->grab().toImage();
  return image.pixelColor(image.width() / 2, int(image.height() * fromTop));
}

int Distance(const QColor& a, const QColor& b) {
  return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
}

TEST_F(SettingFormFixture, TheVolumeBarFillsUpAsTheLevelRises) {
  Open();
  dlg->PageControl->setCurrentWidget(dlg->tsSound);
  QSlider* bar = dlg->tbVolume;
  // Level 10 (position 0, the top): filled; level 0 (position 10): empty.
  bar->setValue(0);
  EXPECT_EQ(dlg->lbVolume->text(), "10");
  const QColor full = BarColour(bar, 0.5);
  bar->setValue(10);
  EXPECT_EQ(dlg->lbVolume->text(), "0");
  const QColor empty = BarColour(bar, 0.5);
  const QColor highlight = bar->palette().color(QPalette::Highlight);
  EXPECT_LT(Distance(full, highlight), Distance(empty, highlight));
  EXPECT_EQ(BarColour(bar, 0.2), empty);

  // Level 5: filled below the handle, empty above it.
  bar->setValue(5);
  EXPECT_EQ(dlg->lbVolume->text(), "5");
  const QColor above = BarColour(bar, 0.2), below = BarColour(bar, 0.8);
  EXPECT_LT(Distance(below, full), Distance(below, empty));
  EXPECT_LT(Distance(above, empty), Distance(above, full));
}

TEST_F(SettingFormFixture, LiveDisplayFollowsTheDialogsOwnInput) {
  Open();
  dlg->PageControl->setCurrentWidget(dlg->tsJoypad1);
  // A joystick held left with buttons 1 and 3 (A and Start).
  dlg->DXInput1->ReadJoystick = [](int number, int range, JoystickReading& r) {
    EXPECT_EQ(number, 0);
    r.X = -range;
    r.Y = 0;
    r.Buttons = 0b101;
    return true;
  };
  dlg->tj1Timer();
  std::vector<QColor> c = Colours();
  EXPECT_EQ(c[pbLeft], kShapeLit);
  EXPECT_EQ(c[pbA], kShapeLitRound);
  EXPECT_EQ(c[pbStart], kShapeLit);
  for (PadBinding b : {pbUp, pbDown, pbRight, pbB, pbSelect}) EXPECT_EQ(c[b], kShapeIdle) << b;

  // The dialog's own keys, not the bindings: K is Up, X is B.
  dlg->DXInput1->ReadJoystick = [](int, int, JoystickReading&) { return false; };
  QWidget* focus = QApplication::focusWidget();
  QTest::keyPress(focus, Qt::Key_K);
  QTest::keyPress(focus, Qt::Key_X);
  dlg->tj1Timer();
  c = Colours();
  EXPECT_EQ(c[pbUp], kShapeLit);
  EXPECT_EQ(c[pbB], kShapeLitRound);
  EXPECT_EQ(c[pbLeft], kShapeIdle);
  QTest::keyRelease(focus, Qt::Key_K);
  QTest::keyRelease(focus, Qt::Key_X);
  dlg->tj1Timer();
  for (const QColor& colour : Colours()) EXPECT_EQ(colour, kShapeIdle);
}

TEST_F(SettingFormFixture, ChangingPagesRestartsTheLiveDisplay) {
  Open();
  Click(dlg->ci1);
  ASSERT_FALSE(dlg->tj1->isActive());
  dlg->PageControl->setCurrentWidget(dlg->tsSound);
  EXPECT_TRUE(dlg->tj1->isActive());
  Type(Qt::Key_U);  // ends the capture left open above
  EXPECT_EQ(dlg->WorkingKeys()[pbUp], 'U');
}

// The "Tempo" page over time settings of its own, with the joysticks it
// listens to fed by the test.
struct TempoPageFixture : SettingFormFixture {
  TimeSettings time;
  JoystickButtons pads{0, 0};

  TTimePage& OpenTempo() {
    dlg = std::make_unique<TfrmSetting>(f.Refs(), kModes, nullptr, &time);
    dlg->show();
    EXPECT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
    dlg->PageControl->setCurrentWidget(dlg->tsTempo);
    dlg->tsTempo->ReadJoysticks = [this] { return pads; };
    return *dlg->tsTempo;
  }
  // Clicks the command's joystick button, then holds `button` of `joystick`
  // until the page has taken it.
  void Bind(TTimePage& page, int command, int joystick, int button) {
    QTest::mouseClick(page.PadButtons[command], Qt::LeftButton);
    EXPECT_EQ(page.PadButtons[command]->text(), "Pressione...");
    pads[size_t(joystick - 1)] |= 1u << (button - 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return page.CapturingButton() < 0; }, 1000));
    pads = {0, 0};
  }
};

// A press on any joystick binds the waiting command; a button held since
// before the click is no press, and one another command or a controller's
// joystick (controller 2's is on) uses is refused with the reason.
TEST_F(TempoPageFixture, AJoystickPressBindsTheWaitingCommand) {
  TTimePage& page = OpenTempo();
  EXPECT_EQ(page.PadButtons[tcRewind]->text(), "(nenhum)");
  pads = {1u << 2, 0};
  Bind(page, tcRewind, 1, 5);
  EXPECT_EQ(page.PadButtons[tcRewind]->text(), "Joystick 1 botão 5");
  const struct {
    int command, joystick, button;
    const char* warning;  // empty when bound
  } cases[] = {
      {tcFrameAdvance, 1, 5,
       "O Joystick 1 botão 5 já é usado por \"Rebobinar (segurar)\"; escolha outro para \"Avançar um "
       "Quadro\"."},
      {tcFrameAdvance, 2, 3,
       "O Joystick 2 botão 3 já é usado por Jogador 2 (Start); escolha outro para \"Avançar um Quadro\"."},
      {tcFrameAdvance, 1, 3, ""},
      {tcSaveSlot1 + 4, 2, 12, ""},
  };
  for (const auto& c : cases) {
    Bind(page, c.command, c.joystick, c.button);
    EXPECT_EQ(page.lbAviso->text(), QString::fromUtf8(c.warning));
  }
  dlg->btnOK->click();
  TimeSettings want;
  want.Buttons[tcRewind] = {1, 5};
  want.Buttons[tcFrameAdvance] = {1, 3};
  want.Buttons[tcSaveSlot1 + 4] = {2, 12};
  EXPECT_EQ(time.Buttons, want.Buttons);
}

// A wait ends without a press by Escape or a second click (the binding
// stays), by Delete or Backspace (it goes) or by "Padrão" (every one goes).
TEST_F(TempoPageFixture, AWaitEndsByEscapeSecondClickOrClearing) {
  time.Buttons[tcUndoLoad] = {1, 9};
  time.Buttons[tcFastForward] = {2, 6};
  for (Qt::Key key : {Qt::Key_Escape, Qt::Key_unknown, Qt::Key_Delete, Qt::Key_Backspace, Qt::Key_Home}) {
    SCOPED_TRACE(key);
    TTimePage& page = OpenTempo();
    QPushButton* button = page.PadButtons[tcUndoLoad];
    QTest::mouseClick(button, Qt::LeftButton);
    if (key == Qt::Key_unknown)
      QTest::mouseClick(button, Qt::LeftButton);
    else if (key == Qt::Key_Home)
      page.btnPadrao->click();
    else
      QTest::keyClick(button, key);
    EXPECT_TRUE(dlg->isVisible());  // Escape went to the wait, not to the dialog
    pads = {1u << 10, 0};           // pressed after the wait: taken by nothing
    QTest::qWait(50);
    pads = {0, 0};
    const bool cleared = key != Qt::Key_Escape && key != Qt::Key_unknown;
    EXPECT_EQ(page.Values().Buttons[tcUndoLoad], (cleared ? JoyButton{} : JoyButton{1, 9}));
    EXPECT_EQ(button->text(), cleared ? "(nenhum)" : "Joystick 1 botão 9");
    EXPECT_EQ(page.Values().Buttons[tcFastForward].Bound(), key != Qt::Key_Home);
  }
}

// Every key and joystick button shows its whole text, showing the longest
// bindings or waiting for a press, in the dialog's font and in a larger one
// (other desktops give other fonts).
TEST_F(TempoPageFixture, EveryButtonShowsItsWholeText) {
  for (int c = 0; c < kTimeCommandCount; ++c) time.Buttons[c] = {kMaxJoysticks, kJoystickButtons - c % 2};
  time.Keys[tcFrameAdvance] = kChordCtrl | kChordShift | 107;  // Ctrl+Shift+numeric plus
  auto expectFits = [](QPushButton* b) {
    QStyleOptionButton option;
    option.initFrom(b);
    option.text = b->text();
    const QRect inside = b->style()->subElementRect(QStyle::SE_PushButtonContents, &option, b);
    EXPECT_LE(b->fontMetrics().horizontalAdvance(b->text()), inside.width()) << b->text().toStdString();
    EXPECT_LE(b->sizeHint().width(), b->width()) << b->text().toStdString();
  };
  for (int pixels : {11, 15}) {
    TTimePage& page = OpenTempo();
    QFont font = page.font();
    font.setPixelSize(pixels);
    page.setFont(font);
    for (int c = 0; c < kTimeCommandCount; ++c) {
      for (QPushButton* b : {page.KeyButtons[c], page.PadButtons[c]}) {
        QApplication::processEvents();  // the layout follows the text
        expectFits(b);
        QTest::mouseClick(b, Qt::LeftButton);
        QApplication::processEvents();
        expectFits(b);
        QTest::keyClick(b, Qt::Key_Escape);
      }
    }
    // Nor is anything pushed out of sight to the right.
    EXPECT_LE(page.PadButtons[0]->geometry().right(), page.KeyButtons[0]->parentWidget()->width());
  }
}

}  // namespace
