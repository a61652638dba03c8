// TfrmNES: the commands behind the menus, the toolbar, the popup menu and the
// function keys, and the refresh handlers that run as a menu opens. Commands
// that start emulation return only when the run loop stops; given while a
// loop runs, they only set Running and that loop carries on.
#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <utility>

#include "cartridge/Lifecycle.h"
#include "cartridge/SaveState.h"
#include "cartridge/gui/RomPropertyForm.h"
#include "debugger/gui/DebugForm.h"
#include "engine/EngineChoice.h"
#include "frontend/gui/AboutForm.h"
#include "frontend/gui/MidiMenu.h"
#include "frontend/gui/NesForm.h"
#include "frontend/gui/NesFormParts.h"
#include "frontend/gui/RomDialog.h"
#include "frontend/gui/SettingForm.h"
#include "frontend/gui/StatesMenu.h"
#include "sound/Sound.h"
#include "sound/VoiceOutput.h"
#include "video/Screenshot.h"
#include "video/gui/DXDraw.h"

namespace {

std::string Utf8(const QString& text) { return text.toStdString(); }

// A path shown as a menu caption: "&" would otherwise mark a mnemonic.
QString Caption(const std::string& path) { return QString::fromStdString(path).replace('&', "&&"); }

}  // namespace

void TfrmNES::mnuLoadROMClick() {
  PrepareToOpen();
  const QString path = ChooseRomFile();
  if (path.isEmpty()) return;
  LoadChosenFile(path);
}

void TfrmNES::PrepareToOpen() {
  RestoreDisplay();
  // The dialog (or the error a refused file brings) needs the window: full
  // screen is left as F4 leaves it, with the game kept, so a cancel or a
  // file that is no cartridge loses nothing.
  if (DXDraw->options().FullScreen) ToggleFullScreen();
}

void TfrmNES::LoadChosenFile(const QString& path) { StartAndRun(Utf8(path), true); }

void TfrmNES::StartAndRun(std::string path, bool recent) {
  if (!StartCartridge(*machine_, path)) return;
  // Only a cartridge that started is remembered: a refused file is not
  // offered again, nor does it move the dialog away from the games. A path
  // already in the list keeps its place.
  if (recent) PushFront(settings_.RecentList, path);
  settings_.Path = Utf8(QDir::toNativeSeparators(QFileInfo(QString::fromStdString(path)).absolutePath()));
  RunOrContinue(*machine_);
}

QString TfrmNES::RomDialogFolder() const { return QString::fromStdString(settings_.Path); }

void TfrmNES::mnuFreeROMClick() {
  SetCartridgeItemsEnabled(false);
  UnloadCartridge(*machine_);
  ShowIdleScreen();
}

void TfrmNES::MRUClick(int index) { StartAndRun(settings_.RecentList[index], false); }

void TfrmNES::FAVClick(int index) { StartAndRun(settings_.FavoriteList[index], false); }

void TfrmNES::StartFile(const QString& path) {
  Command([this, path] { StartAndRun(Utf8(path), false); });
}

void TfrmNES::AdicionaraoFavorito1Click() {
  // With nothing loaded the candidate is empty; pushing it would drop a
  // favourite for nothing.
  if (!machine_->CartridgeLoaded() || machine_->RomFileName.empty()) return;
  PushFront(settings_.FavoriteList, machine_->RomFolder + machine_->RomFileName);
  // Shown at once: the submenu may have no visible item left to open with.
  Favoritos1Click();
}

void TfrmNES::mnuPauseClick() {
  // The player's own pause or resume: the focus no longer decides.
  pausedForFocus_ = false;
  if (machine_->Running) {
    // The loop stops at the next frame start and the channels fall silent.
    machine_->Running = false;
    StatusPanel1->update();
    return;
  }
  // Resuming needs a cartridge: the item is reachable by its shortcut before
  // the CPU menu has ever refreshed it.
  if (!machine_->CartridgeLoaded()) return;
  StatusPanel1->update();
  RunOrContinue(*machine_);
  StatusPanel1->update();
}

void TfrmNES::mnuResetClick() {
  if (!machine_->Running) return;
  machine_->Running = false;
  ResetMachine(*machine_);
  RunOrContinue(*machine_);
}

void TfrmNES::mnuDebugClick() {
  const bool wasRunning = machine_->Running;
  machine_->Running = false;
  // Under the debugger every frame is the real one, shown as it runs.
  time_->SetSuspended(true);
  {
    TfrmDebug dialog(*machine_, this);
    dialog.exec();
  }
  time_->SetSuspended(false);
  if (wasRunning) RunOrContinue(*machine_);
}

void TfrmNES::mnuSettingClick() {
  TfrmSetting dialog(*this);
  if (dialog.exec() == QDialog::Accepted) ApplyKeyBindings();
}

void TfrmNES::mnuRomClick() {
  TfrmROMProperty dialog(*machine_, this);
  dialog.exec();
}

void TfrmNES::mnuAboutClick() {
  TfrmAbout about(this);
  about.exec();
}

void TfrmNES::mnuSavesnapshotClick() {
  const QString path = ChooseBitmapFile();
  if (path.isEmpty()) return;
  SaveScreenshot(*machine_, Utf8(path));
}

void TfrmNES::abltsomClick() {
  if (abltsom->isChecked()) {
    SoundStart(*machine_->Sound, nullptr, SoundFrequencia, 255);
    machine_->SoundOn = true;
  } else {
    machine_->SoundOn = false;
    SoundStop(*machine_->Sound);
  }
  StatusPanel1->update();
}

void TfrmNES::ChooseVoice(SoundVoice voice) {
  const bool console = voice == SoundVoice::Console;
  Console1->setChecked(console);
  SintetizadorMIDI1->setChecked(!console);
  if (machine_->Voice == voice) return;
  machine_->Voice = voice;
  // The chip's device is let go at once rather than left open playing
  // silence; the next frame with the console voice opens it again.
  if (!console) VoiceCloseOutput(*machine_->Sound);
  midiMenu_->SetSynthesiserSilenced(console);
}

void TfrmNES::ShowEngine() {
  const bool console = machine_->engine->Id() == kConsoleEngineId;
  MotorConsole1->setChecked(console);
  MotorClassico1->setChecked(!console);
}

void TfrmNES::ChooseEngineClick(std::string_view id) {
  if (machine_->engine->Id() == id) return;
  if (machine_->CartridgeLoaded() &&
      !Confirm(QStringLiteral("Trocar o motor reinicia o cartucho em execução. Os estados salvos num "
                              "motor só carregam no outro por essa troca: carregar um deles troca o motor "
                              "sozinho. Continuar?"))) {
    ShowEngine();
    return;
  }
  enginePending_ = id;
  // A running loop belongs to the engine being replaced: it stops at its
  // next frame's end, and the switch happens once it has returned.
  machine_->Running = false;
}

void TfrmNES::SwitchEngineNow() {
  const std::string id = std::exchange(enginePending_, std::string());
  const auto load = std::exchange(pendingLoad_, nullptr);
  const bool run = std::exchange(runAfterSwitch_, true);
  const bool loaded = machine_->CartridgeLoaded();
  const std::string path = machine_->RomFolder + machine_->RomFileName;
  // The battery RAM is written and the cartridge let go by the engine that
  // ran it; the new one powers the console up from the file.
  if (loaded) {
    SetCartridgeItemsEnabled(false);
    UnloadCartridge(*machine_);
  }
  ChooseEngine(*machine_, id);
  ShowEngine();
  const std::string caption(EngineCaption(id));
  machine_->Log("Motor: " + caption);
  const std::string switched = "Motor trocado para " + caption;
  if (!loaded) {
    ShowMessage(switched + ".");
    return;
  }
  if (!load) {
    ShowMessage(switched + "; o cartucho foi reiniciado.");
    LoadAndStart(*machine_, path);
    return;
  }
  if (!StartCartridge(*machine_, path)) return;
  std::string said = load();
  // One sentence: the load's own words follow the switch's.
  if (!said.empty() && said[0] >= 'A' && said[0] <= 'Z') said[0] = char(said[0] - 'A' + 'a');
  ShowMessage(said.empty() ? switched + "." : switched + "; " + said);
  if (run) {
    RunOrContinue(*machine_);
    return;
  }
  // Paused it was, and paused it stays, showing the state just loaded.
  machine_->Running = false;
  RefreshColorTable();
  PresentFrame();
  ShowRunState();
}

void TfrmNES::mnuFileClick() {
  for (int i = 0; i < kListSize; ++i) {
    MRU[i]->setVisible(!settings_.RecentList[i].empty());
    MRU[i]->setText(Caption(settings_.RecentList[i]));
  }
  MRUSeparator->setVisible(MRU[0]->isVisible());
}

void TfrmNES::Favoritos1Click() {
  for (int i = 0; i < kListSize; ++i) {
    FAV[i]->setVisible(!settings_.FavoriteList[i].empty());
    FAV[i]->setText(Caption(settings_.FavoriteList[i]));
  }
  N6->setVisible(FAV[0]->isVisible());
}

void TfrmNES::mnuCPUClick() {
  const bool loaded = !machine_->RomFileName.empty();
  mnuReset->setEnabled(loaded);
  mnuPause->setEnabled(loaded);
  ShowRunState();
}

void TfrmNES::ShowRunState() {
  // The pause item names the command it will run, in its caption and its
  // picture; the popup's item follows it.
  const bool running = machine_->Running;
  ShowLastingState();
  const QString caption = running ? QStringLiteral("&Pausa") : QStringLiteral("&Rodar");
  if (mnuPause->text() == caption) return;  // unchanged: no repaint of the menus
  mnuPause->setText(caption);
  mnuPause->setIcon(
      QIcon(running ? QStringLiteral(":/virel/menu/pause.png") : QStringLiteral(":/virel/menu/run.png")));
  pmuPause->setText(running ? QStringLiteral("&Pause\tCtrl+F2") : QStringLiteral("&Rodar\tCtrl+F2"));
}

void TfrmNES::SetCartridgeItemsEnabled(bool enabled) {
  mnuFreeROM->setEnabled(enabled);
  mnuSavesnapshot->setEnabled(enabled);
  mnusvecpd->setEnabled(enabled);
  mnuldacpd->setEnabled(enabled);
  mnuRom->setEnabled(enabled);
  mnuDebug->setEnabled(enabled);
  AvancarQuadro1->setEnabled(enabled);
  statesMenu_->SetCartridgeLoaded(enabled);
  FollowTimeButtons(enabled);
  // Another cartridge, or none: the rewind history has nothing to go back to.
  time_->Forget();
}

void TfrmNES::InstallStandardDialogs() {
  ChooseRomFile = [this] { return ChooseRomWithDialog(this, RomDialogFolder()); };
  ChooseBitmapFile = [this] {
    QFileDialog dialog(this, QStringLiteral("Salvar Figura como..."), QString(),
                       QStringLiteral("Windows Bitmap (*.bmp)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("bmp"));
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
  };
  ShowError = [this](const QString& text) {
    QMessageBox::critical(this, QStringLiteral("Virel Emulador"), text);
  };
  Confirm = [this](const QString& text) {
    return QMessageBox::question(this, QStringLiteral("Virel Emulador"), text) == QMessageBox::Yes;
  };
}
