// "Saída MIDI" and "Gravar Música (MIDI)...".
#include "frontend/gui/MidiMenu.h"

#include <QAction>
#include <QActionGroup>
#include <QFileDialog>
#include <QMenu>
#include <algorithm>
#include <exception>

#include "core/AtomicFile.h"
#include "frontend/gui/NesForm.h"
#include "sound/MidiRecorder.h"
#include "sound/Sound.h"
#if VIREL_WITH_DEVICES
#include "sound/devices/MidiPortOut.h"
#endif

TMidiMenu::TMidiMenu(TfrmNES& form, QMenu* soundMenu) : QObject(&form), form_(form) {
  setObjectName(QStringLiteral("MidiMenu"));
  internal_ = CurrentSoundDevices(*form_.machine().Sound).midi;
#if VIREL_WITH_DEVICES
  ListPorts = [] { return ListMidiOutputPorts(); };
#else
  ListPorts = [] { return std::vector<std::string>{}; };
#endif

  SaidaMIDI1 = new QMenu(QStringLiteral("Saída MIDI"), soundMenu);
  SaidaMIDI1->setObjectName(QStringLiteral("SaidaMIDI1"));
  SaidaMIDI1->menuAction()->setObjectName(QStringLiteral("SaidaMIDI1"));
  group_ = new QActionGroup(this);
  SintetizadorInterno1 = new QAction(QStringLiteral("Sintetizador interno"), this);
  SintetizadorInterno1->setObjectName(QStringLiteral("SintetizadorInterno1"));
  SintetizadorInterno1->setCheckable(true);
  SintetizadorInterno1->setChecked(true);
  group_->addAction(SintetizadorInterno1);
  SaidaMIDI1->addAction(SintetizadorInterno1);
  connect(SintetizadorInterno1, &QAction::triggered, this, [this] { Choose(std::string()); });
  // The ports come and go (a synthesiser switched on, a program started):
  // the list is the one there is when the menu opens.
  connect(SaidaMIDI1, &QMenu::aboutToShow, this, &TMidiMenu::RefreshPorts);

  GravarMusica1 = new QAction(QStringLiteral("Gravar Música (MIDI)..."), this);
  GravarMusica1->setObjectName(QStringLiteral("GravarMusica1"));
  GravarMusica1->setCheckable(true);
  connect(GravarMusica1, &QAction::triggered, this, &TMidiMenu::RecordClicked);

  soundMenu->addSeparator();
  soundMenu->addMenu(SaidaMIDI1);
  soundMenu->addAction(GravarMusica1);

  ChooseMidiFile = [this] {
    QFileDialog dialog(&form_, QStringLiteral("Gravar Música (MIDI)"), QString(),
                       QStringLiteral("Arquivo MIDI (*.mid)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("mid"));
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
  };
}

TMidiMenu::~TMidiMenu() {
  StopRecording();
  // A port device logging into the window must not stay in the layer.
  SoundDeviceFactory devices = CurrentSoundDevices(*form_.machine().Sound);
  devices.midi = internal_;
  SetSoundDevices(*form_.machine().Sound, std::move(devices));
}

void TMidiMenu::RefreshPorts() {
  for (QAction* item : portItems_) {
    group_->removeAction(item);
    SaidaMIDI1->removeAction(item);
    item->deleteLater();
  }
  portItems_.clear();
  std::vector<std::string> ports = ListPorts();
  // The chosen port stays listed while it is away, so the menu shows what
  // is chosen (its messages go nowhere until it returns).
  if (!choice_.empty() && std::find(ports.begin(), ports.end(), choice_) == ports.end())
    ports.push_back(choice_);
  for (const std::string& port : ports) {
    auto* item = new QAction(QString::fromStdString(port).replace('&', QStringLiteral("&&")), this);
    item->setObjectName(QStringLiteral("MidiPort"));
    item->setCheckable(true);
    item->setChecked(port == choice_);
    group_->addAction(item);
    SaidaMIDI1->addAction(item);
    connect(item, &QAction::triggered, this, [this, port] { Choose(port); });
    portItems_.push_back(item);
  }
  SintetizadorInterno1->setChecked(choice_.empty());
}

void TMidiMenu::InstallDevice() {
  SoundDeviceFactory devices = CurrentSoundDevices(*form_.machine().Sound);
#if VIREL_WITH_DEVICES
  if (!choice_.empty()) {
    devices.midi = MidiPortFactory(choice_, [this](const std::string& line) { form_.AppendLog(line); });
  } else {
    devices.midi = synthesiserSilenced_ ? nullptr : internal_;
  }
#else
  devices.midi = synthesiserSilenced_ ? nullptr : internal_;
#endif
  SetSoundDevices(*form_.machine().Sound, std::move(devices));
}

void TMidiMenu::Choose(const std::string& port) {
  // Choosing the same port again reopens it (it may have gone and come back).
  if (port.empty() && choice_.empty()) return;
  choice_ = port;
  SintetizadorInterno1->setChecked(choice_.empty());
  InstallDevice();
  // Playing now: the old device falls silent, the new one picks the notes up.
  SoundSwitchMidiDevice(*form_.machine().Sound);
}

void TMidiMenu::SetSynthesiserSilenced(bool silenced) {
  if (silenced == synthesiserSilenced_) return;
  synthesiserSilenced_ = silenced;
  // A port plays on whichever voice is heard; only the synthesiser changes.
  if (!choice_.empty()) return;
  InstallDevice();
  SoundSwitchMidiDevice(*form_.machine().Sound);
}

void TMidiMenu::ApplyStoredChoice(const std::string& port) {
  if (port.empty()) return;
  const std::vector<std::string> ports = ListPorts();
  if (std::find(ports.begin(), ports.end(), port) == ports.end()) {
    form_.AppendLog("Porta MIDI não encontrada: " + port + "; usando o sintetizador interno.");
    return;
  }
  Choose(port);
}

void TMidiMenu::RecordClicked() {
  if (!GravarMusica1->isChecked()) {
    StopRecording();
    return;
  }
  QString path = ChooseMidiFile ? ChooseMidiFile() : QString();
  if (path.isEmpty()) {
    GravarMusica1->setChecked(false);
    return;
  }
  // The file is written only when the recording ends: a folder that cannot
  // take it is said now, before the player's music is played into nothing.
  try {
    CheckFileCanBeWritten(path.toStdString());
  } catch (const std::exception& e) {
    GravarMusica1->setChecked(false);
    if (form_.ShowError)
      form_.ShowError(QString::fromUtf8(e.what()) + QStringLiteral(" A gravação não foi iniciada."));
    return;
  }
  recordPath_ = path;
  // Frames as the window runs them: a pause is no gap in the music.
  recorder_ = std::make_shared<MidiRecorder>([this] { return form_.FramesRun(); });
  SoundAttachTap(*form_.machine().Sound, recorder_);
}

void TMidiMenu::StopRecording() {
  if (!recorder_) return;
  SoundDetachTap(*form_.machine().Sound);
  const std::shared_ptr<MidiRecorder> recorder = std::move(recorder_);
  recorder_.reset();
  GravarMusica1->setChecked(false);
  try {
    recorder->Save(recordPath_.toStdString());
    form_.AppendLog("Música gravada: " + recordPath_.toStdString());
  } catch (const std::exception& e) {
    if (form_.ShowError) form_.ShowError(QString::fromUtf8(e.what()));
  }
}
