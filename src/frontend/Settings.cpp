#include "frontend/Settings.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>

namespace {

constexpr const char* kGeneralKey = "";
constexpr const char* kPadKeys[2] = {"JOY1", "JOY2"};
// Value names of a controller key, in the order of the binding fields.
constexpr const char* kBindingNames[kPadBindingCount] = {"UP", "DOWN", "LEFT",  "RIGHT",
                                                         "A",  "B",    "START", "SELECT"};

std::string Numbered(const char* prefix, int n) { return prefix + std::to_string(n); }

// Reads one stored value at a time, keeping the default of every value that
// is absent and reporting (then keeping the default of) every value that is
// present but unusable: the file may have been edited by hand or damaged.
class Reader {
 public:
  Reader(SettingsStore& store, const SettingsLog& log) : store_(store), log_(log) {}

  void Key(const char* key) { key_ = key; }

  // Integers within [low, high]; a number outside is refused unless `clamp`,
  // which brings it to the nearest bound (and still says so). A number within
  // that `valid` turns down is refused too.
  bool Int(std::string_view name, int32_t& value, int32_t low, int32_t high, bool clamp = false,
           const std::function<bool(int32_t)>& valid = {}) {
    if (!store_.ValueExists(name)) return false;
    const std::optional<int32_t> stored = store_.TryReadInteger(name);
    if (!stored) return Refuse(name, std::to_string(value));
    if (*stored < low || *stored > high) {
      if (!clamp) return Refuse(name, std::to_string(value));
      value = std::clamp(*stored, low, high);
      Report(name, std::to_string(value));
      return true;
    }
    if (valid && !valid(*stored)) return Refuse(name, std::to_string(value));
    value = *stored;
    return true;
  }
  // Any number reads as a boolean (non-zero is true); text does not.
  void Bool(std::string_view name, bool& value) {
    int32_t number = value ? 1 : 0;
    if (Int(name, number, INT32_MIN, INT32_MAX)) value = number != 0;
  }
  // Absent text reads as empty; text too long or holding a NUL is refused.
  bool Text(std::string_view name, std::string& value,
            const std::function<bool(const std::string&)>& valid = {}) {
    if (!store_.ValueExists(name)) return false;
    std::optional<std::string> stored = store_.TryReadString(name);
    if (!stored || stored->size() > kMaxSettingText || stored->find('\0') != std::string::npos ||
        (valid && !valid(*stored)))
      return Refuse(name, "\"" + value + "\"");
    value = std::move(*stored);
    return true;
  }

 private:
  bool Refuse(std::string_view name, const std::string& used) {
    Report(name, used);
    return false;
  }
  void Report(std::string_view name, const std::string& used) {
    if (!log_) return;
    std::string where = key_;
    if (!where.empty()) where += '/';
    log_("Configuração \"" + where + std::string(name) + "\" inválida; usando " + used + ".");
  }

  SettingsStore& store_;
  const SettingsLog& log_;
  std::string key_;
};

// Screen coordinates beyond this are damage, not a second monitor.
constexpr int32_t kMaxWindowCoordinate = 32767;
// Rates the sound layer can open: any other stored number is taken as the
// rate, as the rate menu items do, but not one no device can play.
constexpr int32_t kMaxSoundRate = 192000;
constexpr int32_t kMaxVolume = 255;
constexpr int32_t kMaxKeyCode = 255;

// "%dx%dx%d" with plausible numbers, or the word the window stores for the
// screen's own mode.
bool ValidScreenMode(const std::string& text) {
  if (text.empty() || text == "SCREEN") return true;
  int width = 0, height = 0, depth = 0;
  char tail = 0;
  if (text.size() > 32 || std::sscanf(text.c_str(), "%dx%dx%d%c", &width, &height, &depth, &tail) != 3)
    return false;
  return width > 0 && width <= 16384 && height > 0 && height <= 16384 && depth > 0 && depth <= 64;
}

void LoadPad(SettingsStore& store, Reader& read, int pad, PadBindings& bindings) {
  if (!store.OpenKey(kPadKeys[pad])) {
    // An unreadable controller-2 key leaves that controller on codes 10-17,
    // which no ordinary keyboard produces; controller 1 keeps its defaults.
    if (pad == 1) {
      for (int i = 0; i < kPadBindingCount; ++i) bindings.Keys[i] = 10 + i;
    }
    return;
  }
  read.Key(kPadKeys[pad]);
  read.Bool("ENABLED", bindings.JoystickEnabled);
  for (int i = 0; i < kPadBindingCount; ++i) read.Int(kBindingNames[i], bindings.Keys[i], 0, kMaxKeyCode);
  // Added later: an older file lacks it and the mouse plays as it always did.
  if (pad == 0) read.Bool("MOUSE", bindings.MouseEnabled);
  store.CloseKey();
}

void SavePad(SettingsStore& store, int pad, const PadBindings& bindings) {
  if (!store.OpenKey(kPadKeys[pad])) return;
  for (int i = 0; i < kPadBindingCount; ++i) store.WriteInteger(kBindingNames[i], bindings.Keys[i]);
  store.WriteInteger("ENABLED", bindings.JoystickEnabled ? 1 : 0);
  if (pad == 0) store.WriteInteger("MOUSE", bindings.MouseEnabled ? 1 : 0);
  store.CloseKey();
}

constexpr const char* kTimeKey = "TEMPO";
constexpr int32_t kMaxJoyButtonCode = JoyButtonCode({kMaxJoysticks, kJoystickButtons});

void LoadTime(SettingsStore& store, Reader& read, TimeSettings& time) {
  if (!store.OpenKey(kTimeKey)) return;
  read.Key(kTimeKey);
  for (int c = 0; c < kTimeCommandCount; ++c) read.Int(TimeCommandValueName(c), time.Keys[c], 0, kChordMax);
  // Only the speeds the settings page offers; another one is refused with
  // its log line like any unusable value.
  const auto offered = [](int32_t speed) {
    return std::find(kFastForwardSpeeds.begin(), kFastForwardSpeeds.end(), speed) != kFastForwardSpeeds.end();
  };
  read.Int("VELOCIDADE", time.FastForwardSpeed, 0, 8, false, offered);
  read.Int("REBOBINAR_MINUTOS", time.RewindMinutes, kMinRewindMinutes, kMaxRewindMinutes, true);
  read.Int("ANTECIPAR", time.RunAhead, 0, kMaxRunAhead, true);
  // The joystick buttons came after the rest: older stores lack them and
  // keep none.
  const auto isButton = [](int32_t code) { return JoyButtonFromCode(code).has_value(); };
  for (int c = 0; c < kTimeCommandCount; ++c) {
    int32_t code = JoyButtonCode(time.Buttons[c]);
    if (read.Int(TimeCommandValueName(c) + "_JOY", code, 0, kMaxJoyButtonCode, false, isButton))
      time.Buttons[c] = *JoyButtonFromCode(code);
  }
  store.CloseKey();
}

void SaveTime(SettingsStore& store, const TimeSettings& time) {
  if (!store.OpenKey(kTimeKey)) return;
  for (int c = 0; c < kTimeCommandCount; ++c) store.WriteInteger(TimeCommandValueName(c), time.Keys[c]);
  store.WriteInteger("VELOCIDADE", time.FastForwardSpeed);
  store.WriteInteger("REBOBINAR_MINUTOS", time.RewindMinutes);
  store.WriteInteger("ANTECIPAR", time.RunAhead);
  for (int c = 0; c < kTimeCommandCount; ++c)
    store.WriteInteger(TimeCommandValueName(c) + "_JOY", JoyButtonCode(time.Buttons[c]));
  store.CloseKey();
}

}  // namespace

VirelSettings LoadSettings(SettingsStore& store, const SettingsLog& log) {
  VirelSettings s;
  Reader read(store, log);
  // When the general key cannot be opened the table's defaults stand: the
  // rest of the system needs a frame-skip modulus and five-entry lists.
  if (store.OpenKey(kGeneralKey)) {
    read.Key(kGeneralKey);
    read.Text("Path", s.Path);
    read.Int("PWwindowsTop", s.WindowTop, -kMaxWindowCoordinate, kMaxWindowCoordinate);
    read.Int("PWwindowsLeft", s.WindowLeft, -kMaxWindowCoordinate, kMaxWindowCoordinate);
    read.Bool("VideoEsticar", s.VideoEsticar);
    // The scanline hook takes the frame counter modulo this value.
    read.Int("FrameRate", s.FrameRate, kMinFrameRate, kMaxFrameRate, true);
    read.Bool("ViewFrequency", s.ViewFrequency);
    read.Bool("AbilitaSom", s.AbilitaSom);
    s.SoundFrequenciaStored = read.Int("SoundFrequencia", s.SoundFrequencia, 1, kMaxSoundRate);
    read.Int("SoundVolume", s.SoundVolume, 0, kMaxVolume);
    for (int i = 0; i < 5; ++i) read.Bool(Numbered("SoundChannel", i + 1), s.SoundChannel[i]);
    read.Int("WIN", s.StartFullScreen, 0, 1);
    // Full screen without a usable stored mode would have nothing to switch to.
    if (!read.Text("SCREEN", s.FullScreenMode, ValidScreenMode)) s.StartFullScreen = 0;
    for (int i = 0; i < kListSize; ++i) read.Text(Numbered("MRU", i + 1), s.RecentList[i]);
    for (int i = 0; i < kListSize; ++i) read.Text(Numbered("FAV", i + 1), s.FavoriteList[i]);
    // Added later than the rest, each after the ones before it: older stores
    // lack them and keep their defaults.
    read.Text("MidiOutPort", s.MidiOutPort);
    read.Int("TamanhoJanela", s.WindowSize, kMinWindowSize, kMaxWindowSize, true);
    read.Int("SoundVoice", s.SoundVoice, 0, 1);
    read.Int("Motor", s.Motor, 0, 1);
    read.Bool("MensagensNaTela", s.ScreenMessages);
    read.Bool("PausarSemFoco", s.PauseOnFocusLoss);
    store.CloseKey();
  }
  LoadPad(store, read, 0, s.Pads[0]);
  LoadPad(store, read, 1, s.Pads[1]);
  LoadTime(store, read, s.Time);
  return s;
}

void SaveSettings(SettingsStore& store, const VirelSettings& s) {
  if (store.OpenKey(kGeneralKey)) {
    store.WriteInteger("PWwindowsTop", s.WindowTop);
    store.WriteInteger("PWwindowsLeft", s.WindowLeft);
    store.WriteInteger("FrameRate", s.FrameRate);
    store.WriteInteger("ViewFrequency", s.ViewFrequency ? 1 : 0);
    store.WriteInteger("SoundVolume", s.SoundVolume);
    store.WriteInteger("SoundFrequencia", s.SoundFrequencia);
    store.WriteInteger("AbilitaSom", s.AbilitaSom ? 1 : 0);
    for (int i = 0; i < 5; ++i)
      store.WriteInteger(Numbered("SoundChannel", i + 1), s.SoundChannel[i] ? 1 : 0);
    store.WriteString("SCREEN", s.FullScreenMode);
    store.WriteInteger("WIN", s.StartFullScreen);
    for (int i = 0; i < kListSize; ++i) store.WriteString(Numbered("MRU", i + 1), s.RecentList[i]);
    for (int i = 0; i < kListSize; ++i) store.WriteString(Numbered("FAV", i + 1), s.FavoriteList[i]);
    store.WriteInteger("VideoEsticar", s.VideoEsticar ? 1 : 0);
    store.WriteString("Path", s.Path);
    store.WriteString("MidiOutPort", s.MidiOutPort);
    store.WriteInteger("TamanhoJanela", s.WindowSize);
    store.WriteInteger("SoundVoice", s.SoundVoice);
    store.WriteInteger("Motor", s.Motor);
    store.WriteInteger("MensagensNaTela", s.ScreenMessages ? 1 : 0);
    store.WriteInteger("PausarSemFoco", s.PauseOnFocusLoss ? 1 : 0);
    store.CloseKey();
  }
  SavePad(store, 0, s.Pads[0]);
  SavePad(store, 1, s.Pads[1]);
  SaveTime(store, s.Time);
}

void ApplyScreenSwitch(VirelSettings& s, std::string_view argument) {
  if (argument == "/S0") s.StartFullScreen = 0;
  if (argument == "/S1") s.StartFullScreen = 1;
}

bool PushFront(std::array<std::string, kListSize>& list, const std::string& entry) {
  if (std::find(list.begin(), list.end(), entry) != list.end()) return false;
  std::move_backward(list.begin(), list.end() - 1, list.end());
  list[0] = entry;
  return true;
}
