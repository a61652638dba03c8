#include "frontend/Settings.h"

#include <algorithm>

namespace {

constexpr const char* kGeneralKey = "";
constexpr const char* kPadKeys[2] = {"JOY1", "JOY2"};
// Value names of a controller key, in the order of the binding fields.
constexpr const char* kBindingNames[kPadBindingCount] = {"UP", "DOWN", "LEFT",  "RIGHT",
                                                         "A",  "B",    "START", "SELECT"};

std::string Numbered(const char* prefix, int n) { return prefix + std::to_string(n); }

// Integers and booleans are read only when present, so absent values keep
// the defaults already in the record.
void ReadInt(SettingsStore& store, std::string_view name, int32_t& value) {
  if (store.ValueExists(name)) value = store.ReadInteger(name);
}
void ReadBool(SettingsStore& store, std::string_view name, bool& value) {
  if (store.ValueExists(name)) value = store.ReadInteger(name) != 0;
}

void LoadPad(SettingsStore& store, int pad, PadBindings& bindings) {
  if (!store.OpenKey(kPadKeys[pad])) {
    // An unreadable controller-2 key leaves that controller on codes 10-17,
    // which no ordinary keyboard produces; controller 1 keeps its defaults.
    if (pad == 1) {
      for (int i = 0; i < kPadBindingCount; ++i) bindings.Keys[i] = 10 + i;
    }
    return;
  }
  ReadBool(store, "ENABLED", bindings.JoystickEnabled);
  for (int i = 0; i < kPadBindingCount; ++i) ReadInt(store, kBindingNames[i], bindings.Keys[i]);
  store.CloseKey();
}

void SavePad(SettingsStore& store, int pad, const PadBindings& bindings) {
  if (!store.OpenKey(kPadKeys[pad])) return;
  for (int i = 0; i < kPadBindingCount; ++i) store.WriteInteger(kBindingNames[i], bindings.Keys[i]);
  store.WriteInteger("ENABLED", bindings.JoystickEnabled ? 1 : 0);
  store.CloseKey();
}

}  // namespace

VirelSettings LoadSettings(SettingsStore& store) {
  VirelSettings s;
  // When the general key cannot be opened the table's defaults stand: the
  // rest of the system needs a frame-skip modulus and five-entry lists.
  if (store.OpenKey(kGeneralKey)) {
    s.Path = store.ReadString("Path");
    ReadInt(store, "PWwindowsTop", s.WindowTop);
    ReadInt(store, "PWwindowsLeft", s.WindowLeft);
    ReadBool(store, "VideoEsticar", s.VideoEsticar);
    ReadInt(store, "FrameRate", s.FrameRate);
    ReadBool(store, "ViewFrequency", s.ViewFrequency);
    ReadBool(store, "AbilitaSom", s.AbilitaSom);
    if (store.ValueExists("SoundFrequencia")) {
      s.SoundFrequencia = store.ReadInteger("SoundFrequencia");
      s.SoundFrequenciaStored = true;
    }
    ReadInt(store, "SoundVolume", s.SoundVolume);
    for (int i = 0; i < 5; ++i) ReadBool(store, Numbered("SoundChannel", i + 1), s.SoundChannel[i]);
    ReadInt(store, "WIN", s.StartFullScreen);
    if (store.ValueExists("SCREEN")) {
      s.FullScreenMode = store.ReadString("SCREEN");
    } else {
      // Full screen without a stored mode would have nothing to switch to.
      s.StartFullScreen = 0;
    }
    for (int i = 0; i < kListSize; ++i) s.RecentList[i] = store.ReadString(Numbered("MRU", i + 1));
    for (int i = 0; i < kListSize; ++i) s.FavoriteList[i] = store.ReadString(Numbered("FAV", i + 1));
    // Added later than the rest, each after the ones before it: older stores
    // lack them and keep their defaults.
    s.MidiOutPort = store.ReadString("MidiOutPort");
    ReadInt(store, "TamanhoJanela", s.WindowSize);
    store.CloseKey();
  }
  // The scanline hook takes the frame counter modulo this value.
  s.FrameRate = std::clamp<int32_t>(s.FrameRate, kMinFrameRate, kMaxFrameRate);
  s.WindowSize = std::clamp<int32_t>(s.WindowSize, kMinWindowSize, kMaxWindowSize);
  LoadPad(store, 0, s.Pads[0]);
  LoadPad(store, 1, s.Pads[1]);
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
    store.CloseKey();
  }
  SavePad(store, 0, s.Pads[0]);
  SavePad(store, 1, s.Pads[1]);
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
