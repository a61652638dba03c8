#include "support/TestCartridges.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "cartridge/Lifecycle.h"
#include "core/Crc32.h"
#include "core/Engine.h"
#include "engine/EngineChoice.h"
#include "sound/RecordingPcmOut.h"
#include "sound/Sound.h"
#include "support/FrameBudgetHost.h"
#include "support/ScratchFolder.h"

namespace {

// Watches $6000 at every frame's end, presses reset when asked and stops
// the run at the result or the budget.
// The cartridge has signed its status byte at $6000.
bool SignedStatus(const Machine& m) {
  return m.engine->Peek(0x6001) == 0xDE && m.engine->Peek(0x6002) == 0xB0 && m.engine->Peek(0x6003) == 0x61;
}

class VerdictHost final : public Host {
 public:
  Machine* m = nullptr;
  long frames = 0, budget = 0, resetAt = -1;
  bool toEnd = false;
  uint8_t lastStatus = 0;
  uint8_t held = 0;

  void PollControllers() override { m->PadState[0] = held; }

  void AppendLog(std::string_view) override {}
  void ProcessMessages() override {
    ++frames;
    const bool signed_ = SignedStatus(*m);
    const uint8_t status = m->engine->Peek(0x6000);
    if (signed_ && status == 0x81 && lastStatus != 0x81) resetAt = frames + 6;
    if (signed_) lastStatus = status;
    if (resetAt >= 0 && frames >= resetAt) {
      resetAt = -1;
      ResetMachine(*m);
    }
    if (frames >= budget || (!toEnd && signed_ && status < 0x80)) m->Running = false;
  }
};

class HeardHost final : public FrameBudgetHost {
 public:
  bool SoundEnabled() const override { return true; }
};

// The public folder is read-only and a run writes its battery file beside
// the cartridge: each run takes a copy in a folder of its own.
std::filesystem::path CopyInto(const ScratchFolder& scratch, const std::string& path) {
  const std::filesystem::path copy = scratch.path() / std::filesystem::path(path).filename();
  std::filesystem::copy_file(path, copy);
  return copy;
}

}  // namespace

std::string TestRomPath(std::string_view relative) {
  const std::filesystem::path path = std::filesystem::path(VIREL_TESTROM_DIR) / relative;
  return std::filesystem::exists(path) ? path.string() : std::string();
}

CartridgeVerdict RunTestCartridge(const std::string& path, std::string_view engine, long maxFrames,
                                  bool toEnd, uint8_t held) {
  ScratchFolder scratch;
  const std::filesystem::path copy = CopyInto(scratch, path);
  VerdictHost host;
  Machine m;
  m.host = &host;
  host.m = &m;
  host.budget = maxFrames;
  host.toEnd = toEnd;
  host.held = held;
  ChooseEngine(m, engine);
  CartridgeVerdict v;
  LoadAndStart(m, copy.string());
  v.Frames = host.frames;
  v.Signed = SignedStatus(m);
  v.Status = m.engine->Peek(0x6000);
  for (uint16_t a = 0x6004; a < 0x8000; ++a) {
    const uint8_t ch = m.engine->Peek(a);
    if (!ch) break;
    v.Text += static_cast<char>(ch);
  }
  std::copy_n(m.Ram.begin(), v.Ram.size(), v.Ram.begin());
  const PictureView picture = m.engine->Picture();
  const uint32_t pixels = Crc32(picture.Pixels.data(), picture.Pixels.size());
  v.PictureHash = uint64_t{pixels} << 32 |
                  Crc32(reinterpret_cast<const uint8_t*>(picture.Colors.data()), picture.Colors.size_bytes());
  if (m.CartridgeLoaded()) UnloadCartridge(m);
  return v;
}

std::vector<int16_t> RenderTestCartridgeVoice(const std::string& path, std::string_view engine, long frames) {
  ScratchFolder scratch;
  const std::filesystem::path copy = CopyInto(scratch, path);
  HeardHost host;
  Machine m;
  m.host = &host;
  host.machine = &m;
  host.budget = frames;
  ChooseEngine(m, engine);
  m.Voice = SoundVoice::Console;
  auto samples = std::make_shared<std::vector<int16_t>>();
  SoundDeviceFactory devices;
  devices.pcm = [samples] { return std::make_unique<RecordingPcmOut>(samples); };
  SetSoundDevices(*m.Sound, devices);
  LoadAndStart(m, copy.string());
  if (m.CartridgeLoaded()) UnloadCartridge(m);
  SoundStop(*m.Sound);
  SetSoundDevices(*m.Sound, {});
  return *samples;
}

std::string TestName(std::string_view text) {
  std::string name(text);
  for (char& ch : name)
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return name;
}

std::string CartridgeTestName(std::string_view path) {
  return TestName(std::filesystem::path(path).stem().string());
}
