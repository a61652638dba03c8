// The live devices on SDL2 audio: with the dummy driver they open and play to
// nowhere at the real pace; with no usable driver they fail quietly and the
// layer carries on.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <SDL.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "core/Machine.h"
#include "sound/Sound.h"
#include "sound/devices/FluidSynthMidiOut.h"
#include "sound/devices/SdlPcmOut.h"
#include "sound/devices/SdlWaveOut.h"
#include "sound/devices/SoundCapture.h"

namespace {

// Sets SDL_AUDIODRIVER for one test and restores it afterwards.
class AudioDriver {
 public:
  explicit AudioDriver(const char* name) {
    const char* old = std::getenv("SDL_AUDIODRIVER");
    had_ = old != nullptr;
    if (had_) old_ = old;
    setenv("SDL_AUDIODRIVER", name, 1);
  }
  ~AudioDriver() {
    if (had_) {
      setenv("SDL_AUDIODRIVER", old_.c_str(), 1);
    } else {
      unsetenv("SDL_AUDIODRIVER");
    }
  }

 private:
  bool had_ = false;
  std::string old_;
};

// Collects the wave device's notices.
struct Notices {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<int> done;
  int closed = 0;

  WaveNotify Callback() {
    return [this](WaveNotice notice, int buffer) {
      std::lock_guard<std::mutex> lock(mutex);
      if (notice == WaveNotice::BufferDone) done.push_back(buffer);
      if (notice == WaveNotice::Closed) ++closed;
      changed.notify_all();
    };
  }
  bool WaitFor(size_t count) {
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, std::chrono::seconds(5), [&] { return done.size() >= count; });
  }
};

}  // namespace

TEST(LiveDevices, MidiOutputPlaysOnTheDummyDriver) {
  AudioDriver driver("dummy");
  FluidSynthMidiOut out;
  ASSERT_TRUE(out.Open());
  out.Reset();
  out.ShortMessage(0x50C0);
  out.ShortMessage(0x7F4590);
  SDL_Delay(50);
  out.Reset();
  out.Close();
  out.Close();  // closing twice is harmless
}

TEST(LiveDevices, WaveOutputHandsBackEachBufferInOrder) {
  AudioDriver driver("dummy");
  Notices notices;
  SdlWaveOut out;
  ASSERT_TRUE(out.Open(22050, 1, notices.Callback()));
  const std::vector<uint8_t> buffer(255, 128);
  for (int j = 0; j < 4; ++j) ASSERT_TRUE(out.Write(j, buffer.data(), 255));
  ASSERT_TRUE(notices.WaitFor(4));
  {
    std::lock_guard<std::mutex> lock(notices.mutex);
    EXPECT_THAT(notices.done, ::testing::ElementsAre(0, 1, 2, 3));
  }
  // Queued buffers keep the device from closing until a reset hands them back.
  for (int j = 0; j < 31; ++j) out.Write(j, buffer.data(), 255);
  EXPECT_FALSE(out.Close());
  out.Reset();
  EXPECT_TRUE(out.Close());
  EXPECT_EQ(notices.closed, 1);
  EXPECT_FALSE(out.Write(0, buffer.data(), 255));
}

TEST(LiveDevices, PcmOutputPlaysItsQueueAwayAndOpensAgainAfterClosing) {
  AudioDriver driver("dummy");
  SdlPcmOut out;
  const std::vector<int16_t> frame(1600, 4000);
  for (int round = 0; round < 2; ++round) {
    ASSERT_TRUE(out.Open(48000));
    out.Queue(frame.data(), frame.size());
    size_t last = out.Queued();
    EXPECT_GT(last, frame.size() / 2);
    // What waits only shrinks as the device plays, down to nothing.
    for (int i = 0; i < 500 && last > 0; ++i) {
      SDL_Delay(10);
      EXPECT_LE(out.Queued(), last);
      last = out.Queued();
    }
    EXPECT_EQ(last, 0u);
    out.Queue(frame.data(), frame.size());
    out.Close();  // drops what still waits
    EXPECT_EQ(out.Queued(), 0u);
  }
}

TEST(LiveDevices, WithoutAnAudioDeviceOpeningFailsQuietlyAndEmulationGoesOn) {
  AudioDriver driver("no-such-driver");
  FluidSynthMidiOut midi;
  EXPECT_FALSE(midi.Open());
  midi.ShortMessage(0x7F4590);  // goes nowhere
  midi.Close();
  SdlWaveOut wave;
  EXPECT_FALSE(wave.Open(22050, 1, [](WaveNotice, int) {}));
  SdlPcmOut pcm;
  EXPECT_FALSE(pcm.Open(48000));
  pcm.Queue(std::vector<int16_t>(800).data(), 800);  // goes nowhere
  EXPECT_EQ(pcm.Queued(), 0u);

  // The layer on the desktop devices: both back ends start, take every call
  // and stop, with nothing to play on.
  Machine m;
  SoundLayer& sound = *m.Sound;
  InstallDesktopSoundDevices(sound);
  for (int rate : {22, 44100}) {
    SoundStart(sound, nullptr, rate, 255);
    SoundSetFrequency(sound, 0, 440);
    SoundSetVolume(sound, 0, 255);
    SoundReset(sound);
    SoundStop(sound);
  }
  SetSoundDevices(sound, {});
}

// The SDL wave device with a count of what the layer's worker writes to it.
class CountingWaveOut final : public WaveOut {
 public:
  explicit CountingWaveOut(std::shared_ptr<std::atomic<int>> writes) : writes_(std::move(writes)) {}
  bool Open(int rate, int channels, WaveNotify notify) override {
    return device_.Open(rate, channels, std::move(notify));
  }
  bool Write(int index, const uint8_t* data, int length) override {
    ++*writes_;
    return device_.Write(index, data, length);
  }
  void Reset() override { device_.Reset(); }
  bool Close() override { return device_.Close(); }

 private:
  SdlWaveOut device_;
  std::shared_ptr<std::atomic<int>> writes_;
};

TEST(LiveDevices, TheLayerKeepsTheWaveDeviceFedOnTheDummyDriver) {
  AudioDriver driver("dummy");
  auto writes = std::make_shared<std::atomic<int>>(0);
  SoundDeviceFactory factory;
  factory.wave = [writes] { return std::make_unique<CountingWaveOut>(writes); };
  Machine m;
  SoundLayer& sound = *m.Sound;
  SetSoundDevices(sound, factory);
  SoundStart(sound, nullptr, 22050, 255);
  SoundSetFrequency(sound, 0, 440);
  SoundSetVolume(sound, 0, 255);
  // 31 buffers primed, then each played buffer (11.6 ms) comes back refilled.
  for (int i = 0; i < 200 && *writes < 40; ++i) SDL_Delay(10);
  EXPECT_GE(*writes, 40);
  SoundStop(sound);
  const int atStop = *writes;
  SDL_Delay(50);
  EXPECT_EQ(*writes, atStop);
  SetSoundDevices(sound, {});
}
