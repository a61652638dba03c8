// TfrmROMProperty, the ROM information dialog: what the loaded cartridge's
// header says (file, magic, bank counts and sizes, flags, mapper, the
// expansion bytes as text) and how the machine reads it now (mirroring and
// the battery flag a mapper may have changed). Read-only, filled once when
// it is created; shown modally and always on top.
#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <cstdint>
#include <string>

#include "core/Machine.h"

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class TShape;

// The texts the dialog shows for a header and a file name, apart from the
// widgets that show them.
QString RomFileNameText(const std::string& fileName);  // a-z in upper case, nothing else
QString HeaderMagicText(const std::array<uint8_t, 16>& header);
QString ExpansionText(const std::array<uint8_t, 16>& header);
QString MappingText(int mapperNumber, const std::string& mapperName);

class TfrmROMProperty : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmROMProperty(const Machine& m, QWidget* parent = nullptr);

  // --- Controls, named as in the form ---------------------------------------------
  QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7, *Label8;
  QLineEdit *edFileName, *edHeader, *edProgPages, *edCharPages, *edMapping, *edEXpansion;
  QLabel *lblROM, *lblVROM;
  QWidget* pnlCheck;
  QCheckBox *cbVertMirror, *cbBattery, *cbTrainer, *cbFourScreen;
  QLabel* Image1;
  TShape* Shape13;
  QFrame* Bevel1;
  QPushButton* btnOK;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FillFields(const Machine& m);
  bool centred_ = false;
};
