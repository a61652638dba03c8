// TfrmDebug, the debugger window: a listing of disassembled instructions with
// the current one marked, the registers and status flags with limited editing,
// single step, run to a breakpoint or a pause, reset, and breakpoints on rows.
// It works on the Machine it is given; while it is open no run loop executes,
// and the processor advances only through its steps.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QString>
#include <array>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "core/Machine.h"

class QAction;
class QCheckBox;
class QLineEdit;
class QStatusBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

class TfrmDebug : public QDialog {
  Q_OBJECT

 public:
  // Item data of a listing row, in the Address column: its row image (0 plain,
  // 1 breakpoint) and its state image (2 current instruction, -1 none).
  static constexpr int kImageRole = Qt::UserRole + 1;
  static constexpr int kStateRole = Qt::UserRole + 2;
  static constexpr int kRowsPerFill = 18;

  explicit TfrmDebug(Machine& m, QWidget* parent = nullptr);
  ~TfrmDebug() override;

  // What the window holds, for its owner and for tests.
  QTreeWidget* Listing() const { return lvCode; }
  QTreeWidgetItem* RowOf(uint16_t address) const;
  bool HasBreakpoint(const QString& caption) const;
  bool StopRequested() const { return stopRequest; }

  // The commands, also reachable through the menus and tool buttons.
  void StepOverClick();
  void RodarClick();
  void PausaClick();
  void ReiniciarClick();
  void BreakpointsClick();

 protected:
  void showEvent(QShowEvent* event) override;

 public slots:
  // Every way of closing (close box, Esc, accept) ends a run in progress.
  void done(int result) override;

 private:
  void BuildMenus(class QMenuBar* bar);
  void BuildToolBar(class QToolBar* bar);
  void BuildRegisters(class QWidget* panel);
  void BuildStatusBar();

  void RefreshRegisters();
  void AddRows(uint16_t from);
  void ShowAddress(uint16_t address);
  void MarkCurrent(QTreeWidgetItem* row);
  void OneStep();
  void SetRowImages(QTreeWidgetItem* row, bool current);
  void SuspendListing();
  void ResumeListing();

  void ListingDoubleClick(QTreeWidgetItem* row);
  void RegisterEdited(int which, const QString& text);
  void FlagClicked(int bit, bool checked);

  Machine& m;

  QTreeWidget* lvCode = nullptr;
  std::array<QLineEdit*, 5> edtRegs{};  // A, X, Y, S, PC
  std::array<QCheckBox*, 8> chkFlags{};
  QStatusBar* StatusBar = nullptr;

  // Listing rows by address, kept beside the view so that a lookup and a
  // sorted insert do not walk the whole listing.
  std::map<uint16_t, QTreeWidgetItem*> rows;
  std::vector<std::pair<QString, QTreeWidgetItem*>> breakpoints;
  QTreeWidgetItem* previousRow = nullptr;
  QTreeWidgetItem* markedRow = nullptr;
  bool stopRequest = false;
  bool refreshing = false;
  bool runInProgress = false;
  int listingSuspended = 0;

  // Composite icons: index [image][hasMarker].
  std::array<std::array<QIcon, 2>, 2> rowIcons;
};
