// The settings and ROM information dialogs as the main window's commands
// open them: OK on the settings puts the new keys into the input components
// at once, Cancel leaves them; the ROM dialog describes the running
// cartridge.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

#include "FormFixture.h"
#include "cartridge/gui/RomPropertyForm.h"
#include "core/gui/Shape.h"
#include "frontend/gui/SettingForm.h"
#include "frontend/gui/TDXInput.h"
#include "video/gui/DXDraw.h"

namespace {

// Runs `inside` on the modal dialog a command opens, once it has the keyboard.
template <typename Dialog>
void WhenOpen(const std::function<void(Dialog&)>& inside) {
  QTimer::singleShot(0, [inside] {
    auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
    inside(*dialog);
  });
}

TEST_F(FormTest, SettingsOkReappliesTheKeysCancelLeavesThem) {
  Open();
  for (bool ok : {false, true}) {
    WhenOpen<TfrmSetting>([ok](TfrmSetting& dlg) {
      dlg.PageControl->setCurrentWidget(dlg.tsJoypad1);
      QTest::mouseClick(dlg.es1, Qt::LeftButton);
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_W);
      dlg.seRate->setValue(4);
      (ok ? dlg.btnOK : dlg.btnCancel)->click();
    });
    Item("mnuSettings")->trigger();
    const int left = ok ? 'W' : 37;
    EXPECT_EQ(form->settings().Pads[0].Keys[pbLeft], left) << ok;
    EXPECT_EQ(form->input(0).Keys[isLeft][0], left) << ok;
    EXPECT_EQ(form->machine().FrameRate, ok ? 4 : 1) << ok;
  }
  // Kept at exit like any other change.
  Close();
  EXPECT_EQ(Stored("JOY1/LEFT").toInt(), 'W');
  EXPECT_EQ(Stored("FrameRate").toInt(), 4);
}

TEST_F(FormTest, SettingsOffersTheDisplayModesAndLeavesTheDisplayAsItWas) {
  Open();
  const bool initialised = form->display()->Initialized();
  QStringList offered;
  WhenOpen<TfrmSetting>([&](TfrmSetting& dlg) {
    for (int i = 0; i < dlg.cbDisplay->count(); ++i) offered << dlg.cbDisplay->itemText(i);
    dlg.btnCancel->click();
  });
  Item("mnuSettings")->trigger();
  EXPECT_TRUE(offered.contains(QStringLiteral("320x240x16")));
  EXPECT_EQ(form->display()->Initialized(), initialised);
}

TEST_F(FormTest, RomInformationDescribesTheRunningCartridge) {
  Open();
  nextRomFile = kPadRom;
  QString fileName, header;
  bool enabled = false;
  RunFrames([&] { Item("mnuLoadROM")->trigger(); },
            [&] {
              enabled = Item("mnuRom")->isEnabled();
              WhenOpen<TfrmROMProperty>([&](TfrmROMProperty& dlg) {
                fileName = dlg.edFileName->text();
                header = dlg.edHeader->text();
                dlg.btnOK->click();
              });
              Item("mnuRom")->trigger();
              return true;
            });
  EXPECT_TRUE(enabled);
  EXPECT_EQ(fileName, QStringLiteral("FRONTEND_PAD.NES"));
  EXPECT_EQ(header, QStringLiteral("NES"));
}

}  // namespace
