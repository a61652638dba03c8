// The user's settings as the main window keeps them between runs: every value
// with its type and default, read once at start-up and written once at exit in
// a fixed order, over a small key-value store (QSettings in the program, a
// recording store in the tests). No toolkit here.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "frontend/Controllers.h"
#include "frontend/TimeSettings.h"

// A per-user store of named values grouped under three keys: the general key
// (empty name) and the controller keys "JOY1" and "JOY2". Integers and
// booleans are 32-bit numbers, booleans 0 or 1.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // Makes `key` the key the next reads and writes go to, creating it when
  // needed; false when it cannot be opened.
  virtual bool OpenKey(std::string_view key) = 0;
  virtual void CloseKey() {}
  virtual bool ValueExists(std::string_view name) = 0;
  virtual int32_t ReadInteger(std::string_view name) = 0;
  // An absent string reads as empty.
  virtual std::string ReadString(std::string_view name) = 0;
  // The stored value when it is usable as its type: nothing for text where a
  // number belongs, a number beyond 32 bits, a list. The defaults suit stores
  // that keep typed values.
  virtual std::optional<int32_t> TryReadInteger(std::string_view name) { return ReadInteger(name); }
  virtual std::optional<std::string> TryReadString(std::string_view name) { return ReadString(name); }
  virtual void WriteInteger(std::string_view name, int32_t value) = 0;
  virtual void WriteString(std::string_view name, std::string_view value) = 0;
};

constexpr int kListSize = 5;
constexpr int kDesignedTop = 147;
constexpr int kDesignedLeft = 237;

struct VirelSettings {
  std::string Path;  // initial folder of the open dialog
  int32_t WindowTop = kDesignedTop;
  int32_t WindowLeft = kDesignedLeft;
  bool VideoEsticar = false;   // "Esticar Totalmente"
  int32_t WindowSize = 2;      // "Tamanho da Janela": picture area as a multiple of 256 x 240
  int32_t FrameRate = 1;       // frame-skip modulus, 1-10
  bool ViewFrequency = false;  // "Exibir Fps"
  // "Habilita Som": with nothing stored the item's own state, checked, so a
  // first start plays sound.
  bool AbilitaSom = true;
  int32_t SoundFrequencia = 11;
  // Whether "SoundFrequencia" was stored: only a stored 11, 22 or 44 moves the
  // check mark of the rate items, the form's own "22 Khz" stays otherwise.
  bool SoundFrequenciaStored = false;
  // 0-255. With nothing stored the sound starts at its loudest, the top of
  // the settings dialog's slider: "Habilita Som" is then plainly heard.
  int32_t SoundVolume = 255;
  std::array<bool, 5> SoundChannel{true, true, true, true, true};
  int32_t StartFullScreen = 0;  // "WIN"
  std::string FullScreenMode;   // "SCREEN", "%dx%dx%d" or empty
  std::array<std::string, kListSize> RecentList;
  std::array<std::string, kListSize> FavoriteList;
  std::array<PadBindings, 2> Pads{kDefaultPad1, kDefaultPad2};
  // "Saída MIDI": the output port the notes go to; empty for the internal
  // synthesiser. Read and written after every other general value.
  std::string MidiOutPort;
  // "Som > Voz": 0 plays the music as MIDI notes, 1 through the console's own
  // sound chip.
  int32_t SoundVoice = 0;
  // "CPU > Motor": 0 runs the designed engine, 1 the console engine.
  int32_t Motor = 0;
  // "Vídeo > Mensagens na Tela": what a command did, and the states that
  // last (pause, rewind, fast-forward), drawn over the picture.
  bool ScreenMessages = true;
  // "Pausar quando a janela perder o foco": the game waits while another
  // program has the player's attention.
  bool PauseOnFocusLoss = false;
  // Under the key "TEMPO", after both controllers.
  TimeSettings Time;
};

constexpr int kMinWindowSize = 1;
constexpr int kMaxWindowSize = 4;
constexpr int kMinFrameRate = 1;
constexpr int kMaxFrameRate = 10;

// Longest text value taken from the store (paths, display modes): a damaged
// file must not fill the menus with megabytes.
constexpr size_t kMaxSettingText = 4096;

// Receives one line per unusable stored value.
using SettingsLog = std::function<void(const std::string&)>;

// Reads every value in the stored order; absent values keep their defaults.
// A stored "FrameRate" outside 1-10 is clamped into that range (the scanline
// hook divides by it); a stored "TamanhoJanela" outside 1-4 likewise. A value
// of the wrong type, out of its range or too long is replaced by its default
// and reported through `log`, one line each.
VirelSettings LoadSettings(SettingsStore& store, const SettingsLog& log = {});
// Writes every value, defaults included, in the stored order. A key that
// cannot be opened is skipped.
void SaveSettings(SettingsStore& store, const VirelSettings& s);

// The second command-line argument: "/S0" or "/S1" overrides the loaded
// start-in-full-screen value; anything else leaves it alone.
void ApplyScreenSwitch(VirelSettings& s, std::string_view argument);

// Puts `entry` at the front of a five-entry list unless it is already there
// (exact comparison), dropping the last entry. Returns whether it changed.
bool PushFront(std::array<std::string, kListSize>& list, const std::string& entry);
