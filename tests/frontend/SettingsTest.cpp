// The settings record against an in-memory store: defaults on a first start,
// stored values, the clamp of the frame-skip modulus, the failure rules for
// keys that cannot be opened, the load and save order, and the two lists.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "frontend/Settings.h"

namespace {

// Keeps values per key and records every access as "key/name" so the order
// of reads and writes can be checked.
class MemoryStore : public SettingsStore {
 public:
  std::map<std::string, std::map<std::string, std::variant<int32_t, std::string>>> keys;
  std::set<std::string> unopenable;
  std::vector<std::string> reads, writes;

  bool OpenKey(std::string_view key) override {
    if (unopenable.count(std::string(key))) return false;
    current_ = std::string(key);
    return true;
  }
  bool ValueExists(std::string_view name) override { return keys[current_].count(std::string(name)) > 0; }
  int32_t ReadInteger(std::string_view name) override {
    reads.push_back(Where(name));
    return std::get<int32_t>(keys[current_].at(std::string(name)));
  }
  std::string ReadString(std::string_view name) override {
    reads.push_back(Where(name));
    auto& values = keys[current_];
    auto it = values.find(std::string(name));
    return it == values.end() ? std::string() : std::get<std::string>(it->second);
  }
  void WriteInteger(std::string_view name, int32_t value) override {
    writes.push_back(Where(name));
    keys[current_][std::string(name)] = value;
  }
  void WriteString(std::string_view name, std::string_view value) override {
    writes.push_back(Where(name));
    keys[current_][std::string(name)] = std::string(value);
  }

 private:
  std::string Where(std::string_view name) const { return current_ + "/" + std::string(name); }
  std::string current_;
};

TEST(Settings, FirstStartGivesTheDefaults) {
  MemoryStore store;
  VirelSettings s = LoadSettings(store);
  EXPECT_TRUE(s.AbilitaSom);  // the item's own state: a first start plays sound
  EXPECT_TRUE(s.Pads[0].MouseEnabled);
  EXPECT_FALSE(s.Pads[1].MouseEnabled);
  EXPECT_TRUE(s.ScreenMessages);
  EXPECT_FALSE(s.PauseOnFocusLoss);
  EXPECT_EQ(s.SoundFrequencia, 11);
  EXPECT_FALSE(s.SoundFrequenciaStored);
  EXPECT_EQ(s.SoundVolume, 255);  // the loudest, the slider's top
  for (bool on : s.SoundChannel) EXPECT_TRUE(on);
  EXPECT_EQ(s.FrameRate, 1);
  EXPECT_EQ(s.StartFullScreen, 0);
  EXPECT_EQ(s.WindowTop, 147);
  EXPECT_EQ(s.WindowLeft, 237);
  EXPECT_FALSE(s.ViewFrequency);
  EXPECT_FALSE(s.VideoEsticar);
  EXPECT_EQ(s.MidiOutPort, "");  // the internal synthesiser
  EXPECT_EQ(s.WindowSize, 2);
  for (int i = 0; i < kListSize; ++i) {
    EXPECT_EQ(s.RecentList[i], "");
    EXPECT_EQ(s.FavoriteList[i], "");
  }
  const std::array<int32_t, 8> pad1{38, 40, 37, 39, 32, 17, 13, 9}, pad2{69, 88, 83, 68, 16, 90, 81, 87};
  EXPECT_EQ(s.Pads[0].Keys, pad1);
  EXPECT_EQ(s.Pads[1].Keys, pad2);
  EXPECT_FALSE(s.Pads[0].JoystickEnabled);
  EXPECT_FALSE(s.Pads[1].JoystickEnabled);
  // No time control answers to a joystick button until one is bound.
  for (JoyButton b : s.Time.Buttons) EXPECT_FALSE(b.Bound());
}

TEST(Settings, SavedValuesComeBackUnchanged) {
  VirelSettings out;
  out.Path = "/jogos";
  out.WindowTop = 12;
  out.WindowLeft = -30;
  out.VideoEsticar = true;
  out.WindowSize = 3;
  out.FrameRate = 4;
  out.ViewFrequency = true;
  out.AbilitaSom = true;
  out.SoundFrequencia = 44;
  out.SoundVolume = 200;
  out.SoundChannel = {true, false, true, false, false};
  out.StartFullScreen = 1;
  out.FullScreenMode = "640x480x32";
  out.RecentList = {"/a.nes", "", "/c.nes", "", "/e.nes"};
  out.FavoriteList = {"", "/f.nes", "", "", ""};
  out.Pads[0].Keys = {1, 2, 3, 4, 5, 6, 7, 8};
  out.Pads[1].JoystickEnabled = true;
  out.MidiOutPort = "Sintetizador Externo:entrada 1";
  out.SoundVoice = 1;
  out.Motor = 1;
  out.Time.Buttons[tcRewind] = {1, 5};
  out.Time.Buttons[tcSaveSlot1 + 8] = {kMaxJoysticks, kJoystickButtons};
  MemoryStore store;
  SaveSettings(store, out);
  VirelSettings in = LoadSettings(store);
  EXPECT_EQ(in.Path, out.Path);
  EXPECT_EQ(in.WindowTop, 12);
  EXPECT_EQ(in.WindowLeft, -30);
  EXPECT_TRUE(in.VideoEsticar);
  EXPECT_EQ(in.WindowSize, 3);
  EXPECT_EQ(in.FrameRate, 4);
  EXPECT_TRUE(in.ViewFrequency);
  EXPECT_TRUE(in.AbilitaSom);
  EXPECT_EQ(in.SoundFrequencia, 44);
  EXPECT_TRUE(in.SoundFrequenciaStored);
  EXPECT_EQ(in.SoundVolume, 200);
  EXPECT_EQ(in.SoundChannel, out.SoundChannel);
  EXPECT_EQ(in.StartFullScreen, 1);
  EXPECT_EQ(in.FullScreenMode, "640x480x32");
  EXPECT_EQ(in.RecentList, out.RecentList);
  EXPECT_EQ(in.FavoriteList, out.FavoriteList);
  EXPECT_EQ(in.Pads[0].Keys, out.Pads[0].Keys);
  EXPECT_TRUE(in.Pads[1].JoystickEnabled);
  EXPECT_EQ(in.MidiOutPort, out.MidiOutPort);
  EXPECT_EQ(in.SoundVoice, 1);
  EXPECT_EQ(in.Motor, 1);
  EXPECT_EQ(in.Time.Buttons, out.Time.Buttons);
  EXPECT_EQ(std::get<int32_t>(store.keys["TEMPO"]["REBOBINAR_JOY"]), 105);
  // Defaults are written too, so the store is complete after the first exit.
  EXPECT_EQ(std::get<int32_t>(store.keys["JOY2"]["UP"]), 69);
}

TEST(Settings, StoredValuesThatNeedCare) {
  struct Case {
    const char* name;
    int32_t stored;
    int32_t expected;
  };
  // The frame-skip modulus is clamped into 1-10; any non-zero boolean is true.
  for (Case c : {Case{"FrameRate", 0, 1}, Case{"FrameRate", -7, 1}, Case{"FrameRate", 11, 10},
                 Case{"FrameRate", 10, 10}, Case{"FrameRate", 3, 3}}) {
    MemoryStore store;
    store.keys[""][c.name] = c.stored;
    EXPECT_EQ(LoadSettings(store).FrameRate, c.expected) << c.stored;
  }
  // A hand-edited window size outside 1-4 falls back into that range.
  for (Case c : {Case{"TamanhoJanela", 0, 1}, Case{"TamanhoJanela", 9, 4}, Case{"TamanhoJanela", 1, 1},
                 Case{"TamanhoJanela", 4, 4}}) {
    MemoryStore store;
    store.keys[""][c.name] = c.stored;
    EXPECT_EQ(LoadSettings(store).WindowSize, c.expected) << c.stored;
  }
  // A voice the window does not know plays MIDI (the window logs it, as its test shows).
  for (Case c : {Case{"SoundVoice", 2, 0}, Case{"SoundVoice", -1, 0}, Case{"SoundVoice", 1, 1}}) {
    MemoryStore store;
    store.keys[""][c.name] = c.stored;
    EXPECT_EQ(LoadSettings(store).SoundVoice, c.expected) << c.stored;
  }
  // So does an engine it does not know: the designed one runs.
  for (Case c : {Case{"Motor", 2, 0}, Case{"Motor", -1, 0}, Case{"Motor", 1, 1}}) {
    MemoryStore store;
    store.keys[""][c.name] = c.stored;
    EXPECT_EQ(LoadSettings(store).Motor, c.expected) << c.stored;
  }
  // Time controls: a speed not offered keeps 4x, history and run-ahead are
  // clamped, a key code beyond any chord is refused, and so is a joystick
  // button no joystick has (joystick 1-8, button 1-32, stored j × 100 + b).
  for (Case c : {Case{"VELOCIDADE", 3, 4}, Case{"VELOCIDADE", 0, 0}, Case{"VELOCIDADE", 8, 8},
                 Case{"REBOBINAR_MINUTOS", 0, 1}, Case{"REBOBINAR_MINUTOS", 500, 60}, Case{"ANTECIPAR", 9, 3},
                 Case{"ANTECIPAR", 2, 2}, Case{"REBOBINAR", 0x800, 8}, Case{"REBOBINAR", 0x141, 0x141},
                 Case{"REBOBINAR_JOY", 105, 105}, Case{"REBOBINAR_JOY", 832, 832},
                 Case{"REBOBINAR_JOY", 133, 0}, Case{"REBOBINAR_JOY", 100, 0}, Case{"REBOBINAR_JOY", 905, 0},
                 Case{"REBOBINAR_JOY", 5, 0}, Case{"REBOBINAR_JOY", -105, 0}}) {
    MemoryStore store;
    store.keys["TEMPO"][c.name] = c.stored;
    std::vector<std::string> log;
    const TimeSettings t = LoadSettings(store, [&log](const std::string& line) { log.push_back(line); }).Time;
    const std::string name = c.name;
    const int32_t got = name == "VELOCIDADE"          ? t.FastForwardSpeed
                        : name == "REBOBINAR_MINUTOS" ? t.RewindMinutes
                        : name == "ANTECIPAR"         ? t.RunAhead
                        : name == "REBOBINAR"         ? t.Keys[tcRewind]
                                                      : JoyButtonCode(t.Buttons[tcRewind]);
    EXPECT_EQ(got, c.expected) << c.name << " " << c.stored;
    // Whatever is not taken as stored says so, one line each.
    EXPECT_EQ(log.size(), c.expected == c.stored ? 0u : 1u) << c.name << " " << c.stored;
    if (name == "REBOBINAR_JOY") {
      const std::vector<std::string> refused{"Configuração \"TEMPO/REBOBINAR_JOY\" inválida; usando 0."};
      EXPECT_EQ(log, c.expected == c.stored ? std::vector<std::string>{} : refused) << c.stored;
    }
  }
  MemoryStore store;
  store.keys[""]["ViewFrequency"] = 7;
  store.keys[""]["SoundFrequencia"] = 33;
  store.keys[""]["WIN"] = 1;  // but no "SCREEN"
  VirelSettings s = LoadSettings(store);
  EXPECT_TRUE(s.ViewFrequency);
  EXPECT_EQ(s.SoundFrequencia, 33);
  EXPECT_TRUE(s.SoundFrequenciaStored);
  EXPECT_EQ(s.StartFullScreen, 0);
}

// Text settings at their limits: the longest text kept is 4,096 characters,
// and a screen mode is exactly three numbers with nothing after them.
TEST(Settings, TextsAndScreenModesAtTheirLimits) {
  const struct {
    const char* name;
    std::string stored;
    bool kept;
  } cases[] = {
      {"Path", std::string(kMaxSettingText, 'p'), true},
      {"Path", std::string(kMaxSettingText + 1, 'p'), false},
      {"SCREEN", "640x480x16", true},
      {"SCREEN", "640x480x16 ", false},
      {"SCREEN", "640x480x16x", false},
      {"SCREEN", "640x480x16bits", false},
      {"SCREEN", "640x480", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + "=" + c.stored.substr(0, 20) + " (" + std::to_string(c.stored.size()) +
                 ")");
    MemoryStore store;
    store.keys[""][c.name] = c.stored;
    store.keys[""]["WIN"] = 1;
    std::vector<std::string> log;
    const VirelSettings s = LoadSettings(store, [&log](const std::string& line) { log.push_back(line); });
    const std::string& read = std::string(c.name) == "Path" ? s.Path : s.FullScreenMode;
    EXPECT_EQ(read, c.kept ? c.stored : std::string());
    EXPECT_EQ(log.size(), c.kept ? 0u : 1u);
    // A refused mode also keeps the window from starting in full screen.
    if (std::string(c.name) == "SCREEN") {
      EXPECT_EQ(s.StartFullScreen, c.kept ? 1 : 0);
    }
  }
}

TEST(Settings, KeysThatCannotBeOpened) {
  MemoryStore store;
  store.keys["JOY2"]["ENABLED"] = 1;
  store.keys["JOY1"]["UP"] = 99;
  store.unopenable = {"JOY2"};
  VirelSettings s = LoadSettings(store);
  const std::array<int32_t, 8> fallback{10, 11, 12, 13, 14, 15, 16, 17};
  EXPECT_EQ(s.Pads[1].Keys, fallback);
  EXPECT_FALSE(s.Pads[1].JoystickEnabled);
  EXPECT_EQ(s.Pads[0].Keys[pbUp], 99);

  store.unopenable = {"", "JOY1"};
  s = LoadSettings(store);
  EXPECT_EQ(s.FrameRate, 1);
  EXPECT_EQ(s.Pads[0].Keys, kDefaultPad1.Keys);
  // Saving skips the keys that cannot be opened and still writes the others.
  SaveSettings(store, s);
  for (const std::string& w : store.writes)
    EXPECT_TRUE(w.rfind("JOY2/", 0) == 0 || w.rfind("TEMPO/", 0) == 0) << w;
  EXPECT_EQ(store.writes.size(), 9u + kTimeCommandCount + 3 + kTimeCommandCount);
}

TEST(Settings, ReadAndWriteOrder) {
  MemoryStore store;
  SaveSettings(store, VirelSettings{});
  std::vector<std::string> expected = {"/PWwindowsTop", "/PWwindowsLeft",   "/FrameRate", "/ViewFrequency",
                                       "/SoundVolume",  "/SoundFrequencia", "/AbilitaSom"};
  for (int i = 1; i <= 5; ++i) expected.push_back("/SoundChannel" + std::to_string(i));
  expected.insert(expected.end(), {"/SCREEN", "/WIN"});
  for (int i = 1; i <= 5; ++i) expected.push_back("/MRU" + std::to_string(i));
  for (int i = 1; i <= 5; ++i) expected.push_back("/FAV" + std::to_string(i));
  expected.insert(expected.end(), {"/VideoEsticar", "/Path", "/MidiOutPort", "/TamanhoJanela", "/SoundVoice",
                                   "/Motor", "/MensagensNaTela", "/PausarSemFoco"});
  for (const char* key : {"JOY1", "JOY2"}) {
    for (const char* name : {"UP", "DOWN", "LEFT", "RIGHT", "A", "B", "START", "SELECT", "ENABLED"}) {
      expected.push_back(std::string(key) + "/" + name);
    }
  }
  expected.insert(expected.begin() + static_cast<std::ptrdiff_t>(expected.size() - 9), "JOY1/MOUSE");
  const auto timeNames = [] {
    std::vector<std::string> names;
    for (int c = 0; c < kTimeCommandCount; ++c) names.push_back("TEMPO/" + TimeCommandValueName(c));
    for (const char* name : {"VELOCIDADE", "REBOBINAR_MINUTOS", "ANTECIPAR"})
      names.push_back(std::string("TEMPO/") + name);
    for (int c = 0; c < kTimeCommandCount; ++c) names.push_back("TEMPO/" + TimeCommandValueName(c) + "_JOY");
    return names;
  }();
  expected.insert(expected.end(), timeNames.begin(), timeNames.end());
  EXPECT_EQ(store.writes, expected);

  LoadSettings(store);
  std::vector<std::string> read = {"/Path",         "/PWwindowsTop",    "/PWwindowsLeft",
                                   "/VideoEsticar", "/FrameRate",       "/ViewFrequency",
                                   "/AbilitaSom",   "/SoundFrequencia", "/SoundVolume"};
  for (int i = 1; i <= 5; ++i) read.push_back("/SoundChannel" + std::to_string(i));
  read.insert(read.end(), {"/WIN", "/SCREEN"});
  for (int i = 1; i <= 5; ++i) read.push_back("/MRU" + std::to_string(i));
  for (int i = 1; i <= 5; ++i) read.push_back("/FAV" + std::to_string(i));
  read.push_back("/MidiOutPort");
  read.push_back("/TamanhoJanela");
  read.push_back("/SoundVoice");
  read.push_back("/Motor");
  read.push_back("/MensagensNaTela");
  read.push_back("/PausarSemFoco");
  for (const char* key : {"JOY1", "JOY2"}) {
    for (const char* name : {"ENABLED", "UP", "DOWN", "LEFT", "RIGHT", "A", "B", "START", "SELECT"}) {
      read.push_back(std::string(key) + "/" + name);
    }
    if (std::string(key) == "JOY1") read.push_back("JOY1/MOUSE");
  }
  read.insert(read.end(), timeNames.begin(), timeNames.end());
  EXPECT_EQ(store.reads, read);
}

TEST(Settings, ScreenSwitchOverridesTheStoredMode) {
  VirelSettings s;
  s.StartFullScreen = 1;
  ApplyScreenSwitch(s, "/S0");
  EXPECT_EQ(s.StartFullScreen, 0);
  ApplyScreenSwitch(s, "/S1");
  EXPECT_EQ(s.StartFullScreen, 1);
  ApplyScreenSwitch(s, "/s0");  // only the exact switches count
  ApplyScreenSwitch(s, "");
  EXPECT_EQ(s.StartFullScreen, 1);
}

TEST(Settings, ListsKeepFiveEntriesAndNoDuplicates) {
  std::array<std::string, kListSize> list;
  for (const char* p : {"a", "b", "c", "d", "e"}) EXPECT_TRUE(PushFront(list, p));
  EXPECT_EQ(list, (std::array<std::string, kListSize>{"e", "d", "c", "b", "a"}));
  EXPECT_FALSE(PushFront(list, "c"));  // a path already there keeps its place
  EXPECT_EQ(list[2], "c");
  EXPECT_TRUE(PushFront(list, "f"));
  EXPECT_EQ(list, (std::array<std::string, kListSize>{"f", "e", "d", "c", "b"}));
}

}  // namespace
