// MIDI output ports through RtMidi.
#include "sound/devices/MidiPortOut.h"

#include <RtMidi.h>
#if VIREL_WITH_JACK
#include <jack/jack.h>
#endif

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

// A port that vanishes tells us nothing on JACK (messages just go nowhere),
// so while sending we look for it now and then.
constexpr auto kPortCheckInterval = std::chrono::milliseconds(250);

constexpr const char* kClientName = "Virel";
constexpr const char* kOwnPortName = "Saida MIDI";

// Errors come back through the callback instead of exceptions once it is set;
// warnings (no ports, a server that is not running) are simply not news.
void IgnoreError(RtMidiError::Type, const std::string&, void*) {}

#if VIREL_WITH_JACK
void Quiet(const char*) {}

// Asked with a client of our own that never starts a server: RtMidi would
// ask too, but with a page of messages on stderr when there is none.
// Also gives the server's period (zero when there is no server).
bool JackServerRunning(std::chrono::microseconds* period = nullptr) {
  static std::once_flag quiet;
  std::call_once(quiet, [] {
    jack_set_error_function(&Quiet);
    jack_set_info_function(&Quiet);
  });
  jack_status_t status{};
  jack_client_t* client = jack_client_open(kClientName, JackNoStartServer, &status);
  if (!client) return false;
  if (period) {
    const jack_nframes_t rate = jack_get_sample_rate(client);
    *period = std::chrono::microseconds(rate ? int64_t{jack_get_buffer_size(client)} * 1000000 / rate : 0);
  }
  jack_client_close(client);
  return true;
}
#endif

// How long messages may wait before they leave. JACK hands them over once a
// period, from a queue a port's close would throw away; ALSA sends at once.
std::chrono::milliseconds DrainTime(RtMidi::Api api) {
  if (api != RtMidi::UNIX_JACK) return std::chrono::milliseconds(0);
  std::chrono::microseconds period(0);
#if VIREL_WITH_JACK
  JackServerRunning(&period);
#endif
  // A few periods, and some slack for a late cycle on a busy machine.
  const auto wait =
      std::chrono::duration_cast<std::chrono::milliseconds>(4 * period) + std::chrono::milliseconds(50);
  return std::min(wait, std::chrono::milliseconds(500));
}

bool Usable(RtMidi::Api api) {
  if (api == RtMidi::RTMIDI_DUMMY || api == RtMidi::UNSPECIFIED) return false;
#ifdef __linux__
  // Without the sequencer device ALSA fails loudly on stderr; skip it quietly.
  std::error_code ec;
  if (api == RtMidi::LINUX_ALSA && !std::filesystem::exists("/dev/snd/seq", ec)) return false;
#endif
#if VIREL_WITH_JACK
  if (api == RtMidi::UNIX_JACK && !JackServerRunning()) return false;
#endif
  return true;
}

std::vector<RtMidi::Api> Apis() {
  std::vector<RtMidi::Api> apis;
  RtMidi::getCompiledApi(apis);
  apis.erase(std::remove_if(apis.begin(), apis.end(), [](RtMidi::Api a) { return !Usable(a); }), apis.end());
  return apis;
}

std::unique_ptr<RtMidiOut> NewClient(RtMidi::Api api) {
  try {
    auto out = std::make_unique<RtMidiOut>(api, kClientName);
    out->setErrorCallback(&IgnoreError, nullptr);
    return out;
  } catch (const RtMidiError&) {
    return nullptr;
  }
}

// The index of `name` among the client's ports, or -1.
int FindPort(RtMidiOut& out, const std::string& name) {
  try {
    const unsigned count = out.getPortCount();
    for (unsigned i = 0; i < count; ++i)
      if (out.getPortName(i) == name) return static_cast<int>(i);
  } catch (const RtMidiError&) {
  }
  return -1;
}

}  // namespace

std::vector<std::string> ListMidiOutputPorts() {
  std::vector<std::string> names;
  for (RtMidi::Api api : Apis()) {
    auto out = NewClient(api);
    if (!out) continue;
    try {
      const unsigned count = out->getPortCount();
      for (unsigned i = 0; i < count; ++i) {
        std::string name = out->getPortName(i);
        // The same name through two interfaces is one choice: the first opens.
        if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end())
          names.push_back(std::move(name));
      }
    } catch (const RtMidiError&) {
    }
  }
  return names;
}

MidiPortOut::MidiPortOut(std::string portName, LogSink log)
    : portName_(std::move(portName)), log_(std::move(log)) {}

MidiPortOut::~MidiPortOut() { Close(); }

bool MidiPortOut::Open() {
  Close();
  lost_ = false;
  for (RtMidi::Api api : Apis()) {
    auto out = NewClient(api);
    if (!out) continue;
    const int index = FindPort(*out, portName_);
    if (index < 0) continue;
    try {
      out->openPort(static_cast<unsigned>(index), kOwnPortName);
    } catch (const RtMidiError&) {
      continue;
    }
    if (!out->isPortOpen()) continue;
    out_ = std::move(out);
    drainTime_ = DrainTime(api);
    nextCheck_ = std::chrono::steady_clock::now() + kPortCheckInterval;
    return true;
  }
  return false;
}

void MidiPortOut::Close() {
  if (!out_) return;
  // The last notes off must reach the synthesiser, or its notes hang.
  if (sentSince_) std::this_thread::sleep_until(lastSent_ + drainTime_);
  sentSince_ = false;
  try {
    out_->closePort();
  } catch (const RtMidiError&) {
  }
  out_.reset();
  std::fill(&sounding_[0][0], &sounding_[0][0] + sizeof sounding_, uint8_t{0});
}

void MidiPortOut::MarkLost() {
  if (lost_) return;
  lost_ = true;
  if (log_) log_("Porta MIDI perdida: " + portName_ + "; as notas não são mais enviadas a ela.");
}

void MidiPortOut::CheckPort() {
  const auto now = std::chrono::steady_clock::now();
  if (now < nextCheck_) return;
  nextCheck_ = now + kPortCheckInterval;
  if (FindPort(*out_, portName_) < 0) MarkLost();
}

void MidiPortOut::Send(uint32_t message) {
  if (!out_ || lost_) return;
  CheckPort();
  if (lost_) return;
  unsigned char bytes[3] = {static_cast<unsigned char>(message), static_cast<unsigned char>(message >> 8),
                            static_cast<unsigned char>(message >> 16)};
  const uint32_t kind = message & 0xF0;
  const size_t length = kind == 0xC0 || kind == 0xD0 ? 2 : 3;
  try {
    out_->sendMessage(bytes, length);
    lastSent_ = std::chrono::steady_clock::now();
    sentSince_ = true;
  } catch (const RtMidiError&) {
    MarkLost();
  }
}

void MidiPortOut::ShortMessage(uint32_t message) {
  const uint32_t kind = message & 0xF0, channel = message & 0x0F;
  const uint32_t note = (message >> 8) & 0x7F, velocity = (message >> 16) & 0x7F;
  if (kind == 0x90) sounding_[channel][note] = velocity != 0;
  if (kind == 0x80) sounding_[channel][note] = 0;
  Send(message);
}

void MidiPortOut::Reset() {
  for (uint32_t channel = 0; channel < 16; ++channel) {
    for (uint32_t note = 0; note < 128; ++note) {
      if (!sounding_[channel][note]) continue;
      sounding_[channel][note] = 0;
      Send((0x80 | channel) | (note << 8) | (127u << 16));
    }
  }
}

std::function<std::unique_ptr<MidiOut>()> MidiPortFactory(std::string portName, MidiPortOut::LogSink log) {
  return [portName = std::move(portName), log = std::move(log)] {
    return std::make_unique<MidiPortOut>(portName, log);
  };
}
