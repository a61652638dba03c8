// The ROM information dialog over cartridges installed in memory: the header
// fields and sizes, the mapper line with its four-bit number, the expansion
// text, and the flags as the machine has them when the dialog opens.
#include "cartridge/gui/RomPropertyForm.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <cstring>
#include <ostream>

#include "support/TestMachine.h"

static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

// An iNES header as a loader reads it: magic, bank counts, flags, mapper.
std::array<uint8_t, 16> Header(int prg, int chr, int mapper, uint8_t flags6, const char* tail = "") {
  std::array<uint8_t, 16> h{'N', 'E', 'S', 0x1A, uint8_t(prg), uint8_t(chr)};
  h[6] = static_cast<uint8_t>(flags6 | (mapper & 0x0F) << 4);
  h[7] = static_cast<uint8_t>(mapper & 0xF0);
  if (*tail) std::memcpy(&h[7], tail, std::min<size_t>(std::strlen(tail), 9));
  return h;
}

struct RomPropertyFixture : ::testing::Test {
  TestMachine t;

  void Install(int prg, int chr, int mapper, uint8_t flags6, const char* tail = "") {
    ASSERT_TRUE(InstallCartridge(t.m, prg, chr, mapper, flags6));
    t.m.RomHeader = Header(prg, chr, mapper, flags6, tail);
    t.m.RomFileName = "super mário bros (j).nes";
  }
};

TEST_F(RomPropertyFixture, CleanHeaderShowsCountsSizesAndFlags) {
  Install(8, 16, 4, 0x01);
  TfrmROMProperty dlg(t.m);
  EXPECT_EQ(dlg.windowTitle(), "Propriedade da Rom");
  EXPECT_EQ(dlg.size(), QSize(369, 263));
  EXPECT_TRUE(dlg.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(dlg.isModal());

  // Only a-z are raised: the accented letter keeps its case.
  EXPECT_EQ(dlg.edFileName->text(), "SUPER MáRIO BROS (J).NES");
  EXPECT_EQ(dlg.edHeader->text(), "NES");
  EXPECT_EQ(dlg.edProgPages->text(), "8");
  EXPECT_EQ(dlg.lblROM->text(), "[128 Kb]");
  EXPECT_EQ(dlg.edCharPages->text(), "16");
  EXPECT_EQ(dlg.lblVROM->text(), "[128 Kb]");
  EXPECT_EQ(dlg.edMapping->text(), "#4, Nintendo MMC3");
  EXPECT_EQ(dlg.edEXpansion->text(), "");
  EXPECT_TRUE(dlg.cbVertMirror->isChecked());
  EXPECT_FALSE(dlg.cbBattery->isChecked());
  EXPECT_FALSE(dlg.cbTrainer->isChecked());
  EXPECT_FALSE(dlg.cbFourScreen->isChecked());

  // Nothing on the dialog can be changed or visited with Tab.
  EXPECT_FALSE(dlg.pnlCheck->isEnabled());
  for (QLineEdit* e :
       {dlg.edFileName, dlg.edHeader, dlg.edProgPages, dlg.edCharPages, dlg.edMapping, dlg.edEXpansion}) {
    EXPECT_TRUE(e->isReadOnly()) << e->objectName().toStdString();
    EXPECT_EQ(e->focusPolicy(), Qt::NoFocus) << e->objectName().toStdString();
  }
  EXPECT_TRUE(dlg.btnOK->isDefault());
  EXPECT_FALSE(dlg.Image1->pixmap().isNull());
}

TEST_F(RomPropertyFixture, HeaderFlagsOfBatteryTrainerAndFourScreen) {
  Install(2, 1, 0, 0x0E);  // horizontal, battery, trainer, four screens
  TfrmROMProperty dlg(t.m);
  EXPECT_FALSE(dlg.cbVertMirror->isChecked());
  EXPECT_TRUE(dlg.cbBattery->isChecked());
  EXPECT_TRUE(dlg.cbTrainer->isChecked());
  EXPECT_TRUE(dlg.cbFourScreen->isChecked());
  EXPECT_EQ(dlg.lblROM->text(), "[32 Kb]");
  EXPECT_EQ(dlg.lblVROM->text(), "[8 Kb]");
  EXPECT_EQ(dlg.edMapping->text(), "#0, No Mapper");
}

TEST(RomPropertyTexts, ExpansionTextFromByteSeven) {
  struct Case {
    char tail[10];  // bytes 7-15; what the literal leaves out is zero
    const char* shown;
  };
  const Case cases[] = {
      {"DiskDude!", "DiskDude!"},  // all nine bytes
      {"Ab\0cd", "Ab"},            // up to the first zero
      {"\0Hidden", ""},            // a zero byte 7 shows nothing
      {"\xC9t\xE9\x80", "Été€"},   // Windows-1252, not Latin-1
  };
  for (const Case& c : cases) {
    std::array<uint8_t, 16> h{'N', 'E', 'S', 0x1A, 1, 1};
    std::memcpy(&h[7], c.tail, 9);
    EXPECT_EQ(ExpansionText(h), QString::fromUtf8(c.shown)) << c.shown;
  }
}

TEST_F(RomPropertyFixture, HeaderTextFromByteSevenShownInTheField) {
  Install(1, 1, 0, 0x01, "DiskDude!");
  TfrmROMProperty dlg(t.m);
  EXPECT_EQ(dlg.edEXpansion->text(), "DiskDude!");
  // The mapper number read from such a header is the loader's business; the
  // dialog prints the number the machine runs.
  EXPECT_EQ(dlg.edMapping->text(), "#0, No Mapper");
}

TEST_F(RomPropertyFixture, MapperLinePrintsOnlyTheLowFourBits) {
  struct Case {
    int mapper;
    const char* shown;
  };
  const Case cases[] = {
      {66, "#2, GNROM switch"},
      {77, "#13, "},  // a mapper without a name
      {18, "#2, Jaleco SS8806"},
      {1, "#1, Nintendo MMC1"},
  };
  for (const Case& c : cases) {
    Install(4, 4, c.mapper, 0x01);
    TfrmROMProperty dlg(t.m);
    EXPECT_EQ(dlg.edMapping->text(), QString::fromUtf8(c.shown)) << c.mapper;
  }
}

TEST_F(RomPropertyFixture, FlagsAreReadWhenTheDialogOpens) {
  Install(8, 8, 4, 0x03);  // MMC3 with a battery in its header
  {
    TfrmROMProperty dlg(t.m);
    EXPECT_TRUE(dlg.cbBattery->isChecked());
    EXPECT_TRUE(dlg.cbVertMirror->isChecked());
  }
  // The game switches its battery RAM off and selects horizontal mirroring.
  t.m.MapperWrite(t.m, 0xA001, 0x00);
  t.m.MapperWrite(t.m, 0xA000, 0x01);
  TfrmROMProperty dlg(t.m);
  EXPECT_FALSE(dlg.cbBattery->isChecked());
  EXPECT_FALSE(dlg.cbVertMirror->isChecked());
  // Back on again with bit 7.
  t.m.MapperWrite(t.m, 0xA001, 0x80);
  EXPECT_TRUE(TfrmROMProperty(t.m).cbBattery->isChecked());
}

TEST_F(RomPropertyFixture, OkClosesTheModalDialog) {
  Install(1, 1, 0, 0x01);
  TfrmROMProperty dlg(t.m);
  QTimer::singleShot(0, &dlg, [&] { dlg.btnOK->click(); });
  EXPECT_EQ(dlg.exec(), QDialog::Accepted);
}

}  // namespace
