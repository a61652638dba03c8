#include "cartridge/gui/RomPropertyForm.h"

#include <QCheckBox>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <string_view>

#include "core/Text.h"
#include "core/gui/DialogArtwork.h"
#include "core/gui/Shape.h"

namespace {

// Bytes from the file shown as characters: Windows-1252, and, as an edit
// control shows a string, only up to its first zero.
QString FileText(std::string_view bytes) {
  const size_t zero = bytes.find('\0');
  return QString::fromStdString(Cp1252ToUtf8(bytes.substr(0, zero)));
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int left, int top) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->adjustSize();
  label->move(left, top);
  return label;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, int left, int top, int width) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setGeometry(left, top, width, 21);
  edit->setReadOnly(true);
  // Information to read, not fields to visit with Tab.
  edit->setFocusPolicy(Qt::NoFocus);
  return edit;
}

QCheckBox* MakeCheck(QWidget* parent, const char* name, const char* text, int left, int top) {
  auto* box = new QCheckBox(QString::fromUtf8(text), parent);
  box->setObjectName(QString::fromLatin1(name));
  box->adjustSize();
  box->move(left, top);
  return box;
}

}  // namespace

QString RomFileNameText(const std::string& fileName) {
  // Only a-z change: the name is UTF-8 and accented letters keep their case.
  std::string upper = fileName;
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return QString::fromStdString(upper);
}

QString HeaderMagicText(const std::array<uint8_t, 16>& header) {
  return FileText(std::string_view(reinterpret_cast<const char*>(header.data()), 3));
}

QString ExpansionText(const std::array<uint8_t, 16>& header) {
  // Byte 7 as one character, then bytes 8-15 up to their first zero; a zero
  // byte 7 ends the text at once.
  return FileText(std::string_view(reinterpret_cast<const char*>(header.data()) + 7, 9));
}

QString MappingText(int mapperNumber, const std::string& mapperName) {
  // Only the low four bits of the number are printed: mapper 66 reads "#2".
  return QStringLiteral("#%1, ").arg(mapperNumber & 15) + QString::fromStdString(mapperName);
}

TfrmROMProperty::TfrmROMProperty(const Machine& m, QWidget* parent) : QDialog(parent) {
  InitDialogArtwork();
  setObjectName(QStringLiteral("frmROMProperty"));
  setWindowTitle(QStringLiteral("Propriedade da Rom"));
  // A fixed dialog border, over every other window while it is open.
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint |
                 Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
  setModal(true);
  setFixedSize(369, 263);
  setFont(DialogFont());

  Label1 = MakeLabel(this, "Label1", QStringLiteral("Arquivo:"), 8, 20);
  edFileName = MakeEdit(this, "edFileName", 112, 16, 242);
  Label2 = MakeLabel(this, "Label2", QStringLiteral("Header :"), 8, 44);
  edHeader = MakeEdit(this, "edHeader", 112, 40, 33);
  Label3 = MakeLabel(this, "Label3", QStringLiteral("Páginas P Programa:"), 8, 68);
  edProgPages = MakeEdit(this, "edProgPages", 112, 64, 33);
  Label7 = MakeLabel(this, "Label7", QStringLiteral("ROM"), 152, 68);
  lblROM = MakeLabel(this, "lblROM", QString(), 200, 68);
  Label4 = MakeLabel(this, "Label4", QStringLiteral("Páginas P Caractere:"), 8, 92);
  edCharPages = MakeEdit(this, "edCharPages", 112, 88, 33);
  Label8 = MakeLabel(this, "Label8", QStringLiteral("VROM"), 152, 92);
  lblVROM = MakeLabel(this, "lblVROM", QString(), 200, 92);

  // The flags are shown, never edited: their panel is disabled.
  pnlCheck = new QWidget(this);
  pnlCheck->setObjectName(QStringLiteral("pnlCheck"));
  pnlCheck->setGeometry(16, 112, 345, 48);
  pnlCheck->setEnabled(false);
  cbVertMirror = MakeCheck(pnlCheck, "cbVertMirror", "Vertical Mirroring", 32, 5);
  cbBattery = MakeCheck(pnlCheck, "cbBattery", "Bateria", 32, 24);
  cbTrainer = MakeCheck(pnlCheck, "cbTrainer", "Trainer", 168, 5);
  cbFourScreen = MakeCheck(pnlCheck, "cbFourScreen", "Four Screen", 168, 24);

  Label5 = MakeLabel(this, "Label5", QStringLiteral("Mapeamento:"), 8, 170);
  edMapping = MakeEdit(this, "edMapping", 112, 166, 201);
  Label6 = MakeLabel(this, "Label6", QStringLiteral("Expanção:"), 8, 194);
  edEXpansion = MakeEdit(this, "edEXpansion", 112, 190, 121);

  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setGeometry(316, 174, 51, 48);
  Image1->setPixmap(QPixmap(QStringLiteral(":/dialogs/cartridge.png")));
  Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Image1->setContentsMargins(1, 1, 0, 0);
  Shape13 = new TShape(TShape::stRectangle, this);
  Shape13->setObjectName(QStringLiteral("Shape13"));
  Shape13->setGeometry(317, 175, 48, 48);
  Shape13->setOutlineOnly(true);
  Shape13->setAttribute(Qt::WA_TransparentForMouseEvents);

  Bevel1 = new QFrame(this);
  Bevel1->setObjectName(QStringLiteral("Bevel1"));
  Bevel1->setGeometry(0, 224, 369, 9);
  Bevel1->setFrameShape(QFrame::HLine);
  Bevel1->setFrameShadow(QFrame::Sunken);

  btnOK = new QPushButton(QStringLiteral("OK"), this);
  btnOK->setObjectName(QStringLiteral("btnOK"));
  btnOK->setGeometry(144, 233, 75, 25);
  btnOK->setDefault(true);
  connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);

  FillFields(m);
}

void TfrmROMProperty::FillFields(const Machine& m) {
  const auto& h = m.RomHeader;
  edFileName->setText(RomFileNameText(m.RomFileName));
  edHeader->setText(HeaderMagicText(h));
  edProgPages->setText(QString::number(h[4]));
  lblROM->setText(QString::asprintf("[%d Kb]", h[4] * 16));
  lblROM->adjustSize();
  edCharPages->setText(QString::number(h[5]));
  lblVROM->setText(QString::asprintf("[%d Kb]", h[5] * 8));
  lblVROM->adjustSize();
  // Mirroring and the battery flag as the machine has them now: the mapper
  // may have changed both since the header was read.
  cbVertMirror->setChecked(m.Mirroring == TMirroring::Vertical);
  cbBattery->setChecked(m.CartFlags & kCartBattery);
  cbTrainer->setChecked(m.CartFlags & kCartTrainer);
  cbFourScreen->setChecked(m.CartFlags & kCartFourScreen);
  edMapping->setText(MappingText(m.MapperNumber, m.LoadedMapperName));
  edEXpansion->setText(ExpansionText(h));
  // Long texts show from their start, as they were typed.
  for (QLineEdit* edit : {edFileName, edMapping, edEXpansion}) edit->setCursorPosition(0);
}

void TfrmROMProperty::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (centred_) return;
  centred_ = true;
  // Centred on the screen, whatever the owner's position.
  QScreen* screen = parentWidget() != nullptr ? parentWidget()->screen() : QGuiApplication::primaryScreen();
  if (screen != nullptr) move(screen->availableGeometry().center() - rect().center());
}
