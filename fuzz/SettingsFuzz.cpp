// Arbitrary text as the settings file. The input is read the way the native
// settings format lays values out ("[JOY1]" starts a group, "name=value" sets
// a value, anything else is noise) into a store whose values are plain text,
// as a hand-edited file gives them. Loading must yield a record the rest of
// the program can use as it stands; saving that record and loading it again
// must give the same record with nothing to complain about.
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

#include "frontend/Settings.h"

namespace {

class TextStore : public SettingsStore {
 public:
  explicit TextStore(std::string_view text = {}) {
    std::string group;
    while (!text.empty()) {
      const size_t end = text.find('\n');
      std::string_view line = text.substr(0, end);
      text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
      if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
        group = std::string(line.substr(1, line.size() - 2));
        if (group == "General") group.clear();
      } else if (const size_t eq = line.find('='); eq != std::string_view::npos && eq > 0) {
        groups_[group][std::string(line.substr(0, eq))] = std::string(line.substr(eq + 1));
      }
    }
  }
  bool OpenKey(std::string_view key) override {
    current_ = std::string(key);
    return true;
  }
  bool ValueExists(std::string_view name) override { return Find(name) != nullptr; }
  int32_t ReadInteger(std::string_view name) override { return TryReadInteger(name).value_or(0); }
  std::optional<int32_t> TryReadInteger(std::string_view name) override {
    const std::string* text = Find(name);
    if (!text) return std::nullopt;
    int32_t value = 0;
    const char* end = text->data() + text->size();
    const auto [at, error] = std::from_chars(text->data(), end, value);
    if (error != std::errc() || at != end) return std::nullopt;
    return value;
  }
  std::string ReadString(std::string_view name) override {
    const std::string* text = Find(name);
    return text ? *text : std::string();
  }
  void WriteInteger(std::string_view name, int32_t value) override {
    groups_[current_][std::string(name)] = std::to_string(value);
  }
  void WriteString(std::string_view name, std::string_view value) override {
    groups_[current_][std::string(name)] = std::string(value);
  }

 private:
  const std::string* Find(std::string_view name) const {
    auto group = groups_.find(current_);
    if (group == groups_.end()) return nullptr;
    auto value = group->second.find(std::string(name));
    return value == group->second.end() ? nullptr : &value->second;
  }
  std::map<std::string, std::map<std::string, std::string>> groups_;
  std::string current_;
};

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "settings loaded from fuzz input: %s\n", what);
  std::abort();
}

bool Usable(const std::string& text) {
  return text.size() <= kMaxSettingText && text.find('\0') == std::string::npos;
}

bool Same(const VirelSettings& a, const VirelSettings& b) {
  bool same = a.Path == b.Path && a.WindowTop == b.WindowTop && a.WindowLeft == b.WindowLeft &&
              a.VideoEsticar == b.VideoEsticar && a.FrameRate == b.FrameRate &&
              a.ViewFrequency == b.ViewFrequency && a.AbilitaSom == b.AbilitaSom &&
              a.SoundFrequencia == b.SoundFrequencia && a.SoundVolume == b.SoundVolume &&
              a.SoundChannel == b.SoundChannel && a.StartFullScreen == b.StartFullScreen &&
              a.FullScreenMode == b.FullScreenMode && a.RecentList == b.RecentList &&
              a.FavoriteList == b.FavoriteList;
  for (int pad = 0; pad < 2; ++pad)
    same = same && a.Pads[pad].Keys == b.Pads[pad].Keys &&
           a.Pads[pad].JoystickEnabled == b.Pads[pad].JoystickEnabled;
  return same;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TextStore store(std::string_view(reinterpret_cast<const char*>(data), size));
  int complaints = 0;
  const VirelSettings s = LoadSettings(store, [&](const std::string&) { ++complaints; });

  Check(s.FrameRate >= kMinFrameRate && s.FrameRate <= kMaxFrameRate, "frame-skip modulus out of 1-10");
  Check(s.SoundVolume >= 0 && s.SoundVolume <= 255, "volume out of 0-255");
  Check(s.SoundFrequencia > 0, "no sound rate");
  Check(s.StartFullScreen == 0 || s.StartFullScreen == 1, "full-screen switch not 0 or 1");
  Check(Usable(s.Path) && Usable(s.FullScreenMode), "unusable text");
  for (int i = 0; i < kListSize; ++i)
    Check(Usable(s.RecentList[i]) && Usable(s.FavoriteList[i]), "unusable list entry");
  for (const PadBindings& pad : s.Pads)
    for (int32_t key : pad.Keys) Check(key >= 0 && key <= 255, "key code out of 0-255");

  // What the window saves at exit comes back unchanged and clean.
  TextStore saved;
  SaveSettings(saved, s);
  int again = 0;
  const VirelSettings reloaded = LoadSettings(saved, [&](const std::string&) { ++again; });
  Check(again == 0, "a saved file complained about on loading");
  Check(Same(s, reloaded), "saved and loaded again, the record changed");
  return 0;
}
