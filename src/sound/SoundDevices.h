// The sound devices the device layer plays on, as the host provides them: a
// MIDI output taking short messages and an 8-bit PCM wave output. The core
// knows only these interfaces; the host installs the real ones (FluidSynth,
// SDL2) or recording ones (tests, the headless runner).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

struct SoundLayer;

// A MIDI output device. Short messages are packed lowest byte first: status,
// first data byte, second data byte.
class MidiOut {
 public:
  virtual ~MidiOut() = default;
  // Opens the device; false when there is none (the layer then sends to nothing).
  virtual bool Open() = 0;
  // Cuts every sounding note on every channel; programs and controllers stay.
  virtual void Reset() = 0;
  virtual void ShortMessage(uint32_t message) = 0;
  virtual void Close() = 0;
};

// What a wave device tells its owner, from whatever thread it runs on.
enum class WaveNotice : uint8_t { BufferDone, Closed };
using WaveNotify = std::function<void(WaveNotice notice, int buffer)>;

// An 8-bit unsigned PCM output device playing numbered buffers in the order
// they are written, handing each back through the notify function once played.
class WaveOut {
 public:
  virtual ~WaveOut() = default;
  virtual bool Open(int rate, int channels, WaveNotify notify) = 0;
  // Queues buffer `index` (its bytes are copied); false when it cannot be played.
  virtual bool Write(int index, const uint8_t* data, int length) = 0;
  // Stops playback and hands back every queued buffer as done.
  virtual void Reset() = 0;
  // Closes the device; false while buffers are still queued (nothing closed).
  virtual bool Close() = 0;
};

// A 16-bit mono PCM output for the console voice. Samples are queued as each
// frame makes them and played at the device's own pace; what is still queued
// tells the voice whether to make a little more or a little less.
class PcmOut {
 public:
  virtual ~PcmOut() = default;
  virtual bool Open(int rate) = 0;
  virtual void Queue(const int16_t* samples, size_t count) = 0;
  // Samples queued and not yet played.
  virtual size_t Queued() const = 0;
  virtual void Close() = 0;
};

// How the host supplies devices: each open of a back end asks for a new one.
// Either function may be empty or return null: that back end then has no device.
struct SoundDeviceFactory {
  std::function<std::unique_ptr<MidiOut>()> midi;
  std::function<std::unique_ptr<WaveOut>()> wave;
  std::function<std::unique_ptr<PcmOut>()> pcm;
};

// Installs the devices used from the next SoundStart on.
void SetSoundDevices(SoundLayer& s, SoundDeviceFactory factory);
// The devices installed now (to change one back end and keep the other).
const SoundDeviceFactory& CurrentSoundDevices(const SoundLayer& s);
