// The main window's "Estados" menu: "Salvar no Espaço 1".."9", "Carregar do
// Espaço 1".."9" (each with the slot's picture and the date and time of its
// save, or "(vazio)") and "Desfazer Carregar Estado", on the keys of the time
// controls' settings. The slots themselves are timeline/StateSlots.h.
#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <memory>

#include "timeline/StateSlots.h"

class QAction;
class QMenu;
class TfrmNES;

class TStatesMenu : public QObject {
  Q_OBJECT
 public:
  // Adds the menu to the window's menu bar right after `beside`.
  TStatesMenu(TfrmNES& form, QMenu* beside);
  ~TStatesMenu() override;

  // Takes the keys from the window's settings (at start and after OK on the
  // settings dialog).
  void ApplyKeys();
  // A cartridge started (true) or went (false): the items follow, and the
  // state an undo would bring back belongs to no game any more.
  void SetCartridgeLoaded(bool loaded);
  // Captions, pictures and enabled states from the slot files as they are now.
  void Refresh();

  StateSlots& stateSlots() { return *slots_; }

  QMenu* Estados1 = nullptr;
  std::array<QAction*, kStateSlots> SalvarEspaco{}, CarregarEspaco{};
  QAction* DesfazerCarregar1 = nullptr;

 private:
  void Save(int slot);
  void Load(int slot);
  void Undo();
  void ShowWhilePaused();
  // Shows what a command did on the status bar (the log has it already).
  void Report(const SlotOutcome& outcome);

  TfrmNES& form_;
  std::unique_ptr<StateSlots> slots_;
  bool loaded_ = false;
};
