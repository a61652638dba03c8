// The music leaving the main window: the "Som" menu's submenu "Saída MIDI"
// (the internal synthesiser or one of the system's MIDI output ports, chosen
// at once and kept in the settings) and its item "Gravar Música (MIDI)...",
// which records everything the sound layer sends into a Standard MIDI File
// until it is unchecked, the cartridge is unloaded or the window closes.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sound/SoundDevices.h"

class QAction;
class QActionGroup;
class QMenu;
class TfrmNES;
class MidiRecorder;

class TMidiMenu : public QObject {
  Q_OBJECT
 public:
  // Adds the submenu and the recording item to `soundMenu`. The device the
  // layer has installed now is the internal synthesiser.
  TMidiMenu(TfrmNES& form, QMenu* soundMenu);
  // Ends a recording and gives the layer its internal synthesiser back.
  ~TMidiMenu() override;

  // The stored choice at start-up: a port that is not there now falls back
  // to the internal synthesiser with one log line naming it.
  void ApplyStoredChoice(const std::string& port);
  // The port chosen, empty for the internal synthesiser.
  const std::string& Choice() const { return choice_; }
  // Chooses the internal synthesiser (empty) or a port, taking effect at once.
  void Choose(const std::string& port);
  // While the console voice plays the music the internal synthesiser is not
  // installed (it would play the same music twice); a chosen port and a
  // recording keep receiving every message. Takes effect at once.
  void SetSynthesiserSilenced(bool silenced);

  bool Recording() const { return recorder_ != nullptr; }
  // Ends the recording, if one runs, and writes its file; a file that
  // cannot be written reaches the user through the window's error display.
  void StopRecording();

  // Replaceable for tests: the save dialog (empty = cancel) and the ports.
  std::function<QString()> ChooseMidiFile;
  std::function<std::vector<std::string>()> ListPorts;

  QMenu* SaidaMIDI1 = nullptr;
  QAction* SintetizadorInterno1 = nullptr;
  QAction* GravarMusica1 = nullptr;

 private:
  void RefreshPorts();
  void RecordClicked();
  void InstallDevice();

  TfrmNES& form_;
  QActionGroup* group_ = nullptr;
  std::vector<QAction*> portItems_;
  std::string choice_;
  bool synthesiserSilenced_ = false;
  std::function<std::unique_ptr<MidiOut>()> internal_;
  std::shared_ptr<MidiRecorder> recorder_;
  QString recordPath_;
};
