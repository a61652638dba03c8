// The debugger window: listing, registers, flags, stepping, runs to a
// breakpoint, reset, and the pictures of its rows.
#include "debugger/gui/DebugForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QShowEvent>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "cartridge/Lifecycle.h"
#include "debugger/Disassembler.h"
#include "core/Engine.h"

namespace {

constexpr int kImage = 16;  // side of one row picture
enum { RegA, RegX, RegY, RegS, RegPC };

QString Hex(unsigned value, int digits) {
  return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

// The row pictures are drawn rather than loaded: a faint dot for a plain row,
// a red disc for a breakpoint, and a green arrow for the current instruction.
QPixmap DrawRowImage(int index) {
  QPixmap pix(kImage, kImage);
  pix.fill(Qt::transparent);
  QPainter p(&pix);
  p.setRenderHint(QPainter::Antialiasing);
  switch (index) {
    case 0:
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(170, 170, 170));
      p.drawEllipse(QPointF(8, 8), 2, 2);
      break;
    case 1:
      p.setPen(QPen(QColor(120, 0, 0), 1));
      p.setBrush(QColor(220, 30, 30));
      p.drawEllipse(QPointF(8, 8), 6, 6);
      break;
    default: {
      QPainterPath arrow;
      arrow.moveTo(2, 5);
      arrow.lineTo(8, 5);
      arrow.lineTo(8, 1.5);
      arrow.lineTo(14.5, 8);
      arrow.lineTo(8, 14.5);
      arrow.lineTo(8, 11);
      arrow.lineTo(2, 11);
      arrow.closeSubpath();
      p.setPen(QPen(QColor(0, 90, 0), 1));
      p.setBrush(QColor(40, 200, 60));
      p.drawPath(arrow);
      break;
    }
  }
  return pix;
}

// A row shows its state picture (the marker, or nothing) left of its row
// picture, as one icon.
QIcon ComposeRowIcon(int image, bool marker) {
  QPixmap pix(2 * kImage + 2, kImage);
  pix.fill(Qt::transparent);
  QPainter p(&pix);
  if (marker) p.drawPixmap(0, 0, DrawRowImage(2));
  p.drawPixmap(kImage + 2, 0, DrawRowImage(image));
  return QIcon(pix);
}

}  // namespace

TfrmDebug::TfrmDebug(Machine& machine, QWidget* parent) : QDialog(parent), m(machine) {
  setObjectName(QStringLiteral("frmDebug"));
  setWindowTitle(QStringLiteral("Debug"));
  setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  for (int image = 0; image < 2; ++image)
    for (int marker = 0; marker < 2; ++marker) rowIcons[image][marker] = ComposeRowIcon(image, marker);

  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);
  auto* menuBar = new QMenuBar(this);
  BuildMenus(menuBar);
  outer->setMenuBar(menuBar);
  auto* toolBar = new QToolBar(this);
  BuildToolBar(toolBar);
  outer->addWidget(toolBar);

  auto* body = new QHBoxLayout;
  body->setContentsMargins(6, 6, 6, 6);
  lvCode = new QTreeWidget(this);
  lvCode->setObjectName(QStringLiteral("lvCode"));
  lvCode->setColumnCount(2);
  lvCode->setHeaderLabels({QStringLiteral("Address"), QStringLiteral("Opcode")});
  lvCode->setRootIsDecorated(false);
  lvCode->setUniformRowHeights(true);
  lvCode->setSelectionMode(QAbstractItemView::SingleSelection);
  lvCode->setIconSize(QSize(2 * kImage + 2, kImage));
  lvCode->setAllColumnsShowFocus(true);
  lvCode->header()->setStretchLastSection(true);
  lvCode->setColumnWidth(0, 110);
  lvCode->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  connect(lvCode, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem* row, int) { ListingDoubleClick(row); });
  body->addWidget(lvCode, 1);
  auto* panel = new QWidget(this);
  BuildRegisters(panel);
  body->addWidget(panel);
  outer->addLayout(body, 1);

  BuildStatusBar();
  outer->addWidget(StatusBar);
  resize(600, 460);
}

TfrmDebug::~TfrmDebug() = default;

void TfrmDebug::BuildMenus(QMenuBar* bar) {
  // The window's own shortcuts: while it is open the main window's F2/F5/F8/F9
  // are out of reach, so nothing clashes.
  struct Item {
    const char* name;
    const char* caption;
    QKeySequence key;
    bool enabled;
    void (TfrmDebug::*command)();
  };
  const Item debugItems[] = {
      {"mnuRodar", "Rodar", QKeySequence(Qt::Key_F9), true, &TfrmDebug::RodarClick},
      {"mnuStepOver", "Step Over", QKeySequence(Qt::Key_F8), true, &TfrmDebug::StepOverClick},
      {"mnuSkip", "Skip", QKeySequence(Qt::SHIFT | Qt::Key_F8), false, nullptr},
      {"mnuRunToCursor", "Run to cursor", QKeySequence(Qt::Key_F4), false, nullptr},
      {"mnuPausa", "Pausa", QKeySequence(Qt::Key_F2), true, &TfrmDebug::PausaClick},
      {"mnuReiniciar", "Reiniciar", QKeySequence(Qt::CTRL | Qt::Key_F2), true, &TfrmDebug::ReiniciarClick},
      {nullptr, nullptr, {}, false, nullptr},
      {"mnuBreakpoints", "Breakpoints", QKeySequence(Qt::Key_F5), true, &TfrmDebug::BreakpointsClick},
      {"mnuViewBreakpoints", "View Breakpoints", {}, false, nullptr},
  };
  QMenu* debug = bar->addMenu(QStringLiteral("Debug"));
  debug->setObjectName(QStringLiteral("mnuDebug"));
  for (const Item& item : debugItems) {
    if (!item.name) {
      debug->addSeparator();
      continue;
    }
    QAction* action = debug->addAction(QString::fromUtf8(item.caption));
    action->setObjectName(QString::fromUtf8(item.name));
    action->setShortcut(item.key);
    action->setEnabled(item.enabled);
    if (item.command) connect(action, &QAction::triggered, this, item.command);
  }

  // The viewers of the "Exibir" menu are shown but have no function yet.
  QMenu* view = bar->addMenu(QStringLiteral("Exibir"));
  view->setObjectName(QStringLiteral("mnuExibir"));
  const std::pair<const char*, const char*> viewItems[] = {{"mnuPatternTables", "Pattern Tables"},
                                                           {"mnuNomeTabela", "Nome da Tabela"},
                                                           {"mnuPalette", "Palette"},
                                                           {"mnuSaidaSom", "Saida de Som"}};
  for (const auto& [name, caption] : viewItems) {
    QAction* action = view->addAction(QString::fromUtf8(caption));
    action->setObjectName(QString::fromUtf8(name));
    action->setEnabled(false);
  }
}

void TfrmDebug::BuildToolBar(QToolBar* bar) {
  bar->setObjectName(QStringLiteral("ToolBar"));
  bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
  const struct {
    const char* name;
    const char* caption;
    void (TfrmDebug::*command)();
  } buttons[] = {{"tbRun", "Run", &TfrmDebug::RodarClick},
                 {"tbPause", "Pause", &TfrmDebug::PausaClick},
                 {"tbStepOver", "Step Over", &TfrmDebug::StepOverClick},
                 {"tbSkip", "Skip", nullptr}};
  for (const auto& b : buttons) {
    QAction* action = bar->addAction(QString::fromUtf8(b.caption));
    action->setObjectName(QString::fromUtf8(b.name));
    if (b.command)
      connect(action, &QAction::triggered, this, b.command);
    else
      action->setEnabled(false);
  }
}

void TfrmDebug::BuildRegisters(QWidget* panel) {
  auto* column = new QVBoxLayout(panel);
  column->setContentsMargins(0, 0, 0, 0);
  auto* grid = new QGridLayout;
  const char* names[5] = {"A", "X", "Y", "S", "PC"};
  for (int r = 0; r < 5; ++r) {
    auto* label = new QLabel(QString::fromUtf8(names[r]), panel);
    auto* edit = new QLineEdit(panel);
    edit->setObjectName(QStringLiteral("edt") + QString::fromUtf8(names[r]));
    edit->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    edit->setMaximumWidth(70);
    label->setBuddy(edit);
    grid->addWidget(label, r, 0);
    grid->addWidget(edit, r, 1);
    edtRegs[r] = edit;
    connect(edit, &QLineEdit::textChanged, this, [this, r](const QString& text) { RegisterEdited(r, text); });
  }
  column->addLayout(grid);

  auto* group = new QGroupBox(QStringLiteral("Processor Status"), panel);
  group->setObjectName(QStringLiteral("grpStatus"));
  auto* flags = new QVBoxLayout(group);
  const char* captions[8] = {"0 - CARRY",       "1 - ZERO",     "2 - IRQ DISABLE", "3 - DECIMAL MODE",
                             "4 - BRK COMMAND", "5 - NOT USED", "6 - OVERFLOW",    "7 - NEGATIVE"};
  for (int bit = 0; bit < 8; ++bit) {
    auto* box = new QCheckBox(QString::fromUtf8(captions[bit]), group);
    box->setObjectName(QStringLiteral("chkFlag%1").arg(bit));
    flags->addWidget(box);
    chkFlags[bit] = box;
    // clicked, unlike toggled, comes only from the user, never from a refresh.
    connect(box, &QCheckBox::clicked, this, [this, bit](bool checked) { FlagClicked(bit, checked); });
  }
  column->addWidget(group);
  column->addStretch(1);
}

void TfrmDebug::BuildStatusBar() {
  StatusBar = new QStatusBar(this);
  StatusBar->setObjectName(QStringLiteral("StatusBar"));
  StatusBar->setSizeGripEnabled(false);
  for (const char* text : {"F9 Iniciar", "F8 Step Over", "F5 Breakpoint", "F2 Pausa"}) {
    auto* panel = new QLabel(QString::fromUtf8(text), StatusBar);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StatusBar->addWidget(panel);
  }
  auto* rest = new QLabel(StatusBar);
  rest->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  StatusBar->addWidget(rest, 1);
}

// --- Listing ---------------------------------------------------------------

QTreeWidgetItem* TfrmDebug::RowOf(uint16_t address) const {
  auto it = rows.find(address);
  return it == rows.end() ? nullptr : it->second;
}

bool TfrmDebug::HasBreakpoint(const QString& caption) const {
  for (const auto& entry : breakpoints)
    if (entry.first == caption) return true;
  return false;
}

void TfrmDebug::SuspendListing() {
  if (listingSuspended++ == 0) lvCode->setUpdatesEnabled(false);
}

void TfrmDebug::ResumeListing() {
  if (--listingSuspended == 0) lvCode->setUpdatesEnabled(true);
}

void TfrmDebug::SetRowImages(QTreeWidgetItem* row, bool current) {
  const int image = HasBreakpoint(row->text(0)) ? 1 : 0;
  row->setData(0, kImageRole, image);
  row->setData(0, kStateRole, current ? 2 : -1);
  row->setIcon(0, rowIcons[image][current ? 1 : 0]);
}

void TfrmDebug::AddRows(uint16_t from) {
  SuspendListing();
  uint16_t a = from;
  // Stop at the first instruction already listed: from there on the listing
  // already follows the same byte stream.
  for (int i = 0; i < kRowsPerFill && !rows.count(a); ++i) {
    const uint16_t at = a;
    const QString text = QString::fromStdString(Disassemble(m, a));
    auto* row = new QTreeWidgetItem({Hex(at, 4), text});
    SetRowImages(row, false);
    // Rows stay in address order: insert before the next listed address.
    auto next = rows.upper_bound(at);
    const int index =
        next == rows.end() ? lvCode->topLevelItemCount() : lvCode->indexOfTopLevelItem(next->second);
    lvCode->insertTopLevelItem(index, row);
    rows.emplace(at, row);
  }
  ResumeListing();
  MarkCurrent(RowOf(from));
}

void TfrmDebug::ShowAddress(uint16_t address) {
  if (QTreeWidgetItem* row = RowOf(address))
    MarkCurrent(row);
  else
    AddRows(address);
}

void TfrmDebug::MarkCurrent(QTreeWidgetItem* row) {
  // The marker leaves the row it is on as well as the previous row: after a
  // double-click or a reset the two differ, and the listing must never show
  // two current instructions.
  if (previousRow) SetRowImages(previousRow, false);
  if (markedRow && markedRow != previousRow) SetRowImages(markedRow, false);
  markedRow = row;
  if (!row) return;
  lvCode->setCurrentItem(row);
  SetRowImages(row, true);
  lvCode->scrollToItem(row);
}

// --- Stepping ----------------------------------------------------------------

void TfrmDebug::RefreshRegisters() {
  refreshing = true;
  const CpuRegisters s = m.engine->Registers();
  edtRegs[RegA]->setText(Hex(s.A, 2));
  edtRegs[RegX]->setText(Hex(s.X, 2));
  edtRegs[RegY]->setText(Hex(s.Y, 2));
  edtRegs[RegS]->setText(Hex(s.S, 4));
  edtRegs[RegPC]->setText(Hex(s.PC, 4));
  for (int bit = 0; bit < 8; ++bit) chkFlags[bit]->setChecked(s.P & (1u << bit));
  refreshing = false;
}

void TfrmDebug::OneStep() {
  previousRow = RowOf(m.engine->Registers().PC);
  // The address DebugStep returns is the one after the instruction even when
  // the slice end has just entered an interrupt; the record's PC is the
  // truth, so a step across the vertical blank lands in the NMI handler
  // instead of dropping the interrupt while its return frame stays on the stack.
  m.engine->Step();
  ShowAddress(m.engine->Registers().PC);
  RefreshRegisters();
}

void TfrmDebug::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  if (QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
  stopRequest = false;
  RefreshRegisters();
  AddRows(m.engine->Registers().PC);
}

void TfrmDebug::done(int result) {
  stopRequest = true;
  QDialog::done(result);
}

void TfrmDebug::StepOverClick() {
  stopRequest = false;
  OneStep();
}

void TfrmDebug::RodarClick() {
  // F9 pressed again while running would otherwise start a run inside the
  // message processing of this one.
  if (runInProgress) return;
  runInProgress = true;
  stopRequest = false;
  lvCode->setCursor(Qt::WaitCursor);
  SuspendListing();
  // The first step comes before the test, so a run started on a breakpoint
  // leaves it; messages are handled after every instruction so that Pausa and
  // closing the window reach the stop request.
  bool stop;
  do {
    OneStep();
    QApplication::processEvents();
    stop = (markedRow && HasBreakpoint(markedRow->text(0))) || stopRequest;
  } while (!stop);
  stopRequest = stop;
  runInProgress = false;
  ResumeListing();
  lvCode->unsetCursor();
  if (QTreeWidgetItem* row = lvCode->currentItem()) lvCode->scrollToItem(row);
}

void TfrmDebug::PausaClick() { stopRequest = true; }

void TfrmDebug::ReiniciarClick() {
  stopRequest = true;
  ResetMachine(m);
  // One step, so that the reset routine's first instruction has already run
  // when the new state is shown.
  OneStep();
}

void TfrmDebug::BreakpointsClick() {
  const QList<QTreeWidgetItem*> selected = lvCode->selectedItems();
  if (selected.isEmpty()) return;
  QTreeWidgetItem* row = selected.first();
  const QString caption = row->text(0);
  auto it = std::find_if(breakpoints.begin(), breakpoints.end(),
                         [&](const auto& entry) { return entry.first == caption; });
  if (it != breakpoints.end())
    breakpoints.erase(it);
  else
    breakpoints.emplace_back(caption, row);
  SetRowImages(row, row == markedRow);
}

void TfrmDebug::ListingDoubleClick(QTreeWidgetItem* row) {
  bool ok = false;
  const unsigned address = row->text(0).toUInt(&ok, 16);
  if (ok) {
    CpuRegisters r = m.engine->Registers();
    r.PC = static_cast<uint16_t>(address);
    m.engine->SetRegisters(r);
  }
  RefreshRegisters();
}

void TfrmDebug::RegisterEdited(int which, const QString& text) {
  if (refreshing) return;
  bool ok = false;
  unsigned value = text.toUInt(&ok, 16);
  if (!ok) value = 0;
  CpuRegisters s = m.engine->Registers();
  switch (which) {
    case RegA: s.A = static_cast<uint8_t>(value); break;
    case RegX: s.X = static_cast<uint8_t>(value); break;
    case RegY: s.Y = static_cast<uint8_t>(value); break;
    case RegS: s.S = static_cast<uint8_t>(value); break;
    case RegPC: s.PC = static_cast<uint16_t>(value); break;
  }
  m.engine->SetRegisters(s);
}

void TfrmDebug::FlagClicked(int bit, bool checked) {
  if (refreshing) return;
  const uint8_t mask = static_cast<uint8_t>(1u << bit);
  CpuRegisters r = m.engine->Registers();
  r.P = checked ? (r.P | mask) : (r.P & ~mask);
  m.engine->SetRegisters(r);
}
