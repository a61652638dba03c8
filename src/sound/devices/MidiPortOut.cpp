// MIDI output ports through RtMidi's C interface. RtMidi, and JACK behind it,
// are opened the first time ports are listed or one is opened: most runs
// never send to an external port and need neither in memory.
#include "sound/devices/MidiPortOut.h"

#include <rtmidi/rtmidi_c.h>
#if VIREL_WITH_JACK
#include <jack/jack.h>
#endif

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <thread>

#include "core/SharedLibrary.h"

namespace {

// A port that vanishes tells us nothing on JACK (messages just go nowhere),
// so while sending we look for it now and then.
constexpr auto kPortCheckInterval = std::chrono::milliseconds(250);

constexpr const char* kClientName = "Virel";
constexpr const char* kOwnPortName = "Saida MIDI";

// clang-format off
#define VIREL_RTMIDI_FUNCTIONS(X) \
  X(rtmidi_get_compiled_api)   \
  X(rtmidi_out_create)         \
  X(rtmidi_out_free)           \
  X(rtmidi_get_port_count)     \
  X(rtmidi_get_port_name)      \
  X(rtmidi_open_port)          \
  X(rtmidi_close_port)         \
  X(rtmidi_out_send_message)
// clang-format on

struct RtMidiFunctions {
  VIREL_RTMIDI_FUNCTIONS(VIREL_LIBRARY_FUNCTION)
};

// Null when RtMidi is not installed: then there are simply no ports.
const RtMidiFunctions* RtMidi() {
  return LoadLibraryApi<RtMidiFunctions>(
      VIREL_RTMIDI_SONAME,
      [](SharedLibrary& lib, RtMidiFunctions& api) {
        return VIREL_RTMIDI_FUNCTIONS(VIREL_BIND_FUNCTION) true;
      },
      nullptr);
}

// The C interface reports a failed call by clearing `ok`, and never sets it
// again: each checked call starts from a clean flag.
void ClearFailure(RtMidiWrapper* client) { client->ok = true; }

#if VIREL_WITH_JACK
// clang-format off
#define VIREL_JACK_FUNCTIONS(X) \
  X(jack_set_error_function)   \
  X(jack_set_info_function)    \
  X(jack_client_open)          \
  X(jack_client_close)         \
  X(jack_get_sample_rate)      \
  X(jack_get_buffer_size)
// clang-format on

struct JackFunctions {
  VIREL_JACK_FUNCTIONS(VIREL_LIBRARY_FUNCTION)
};

void Quiet(const char*) {}

// The same library RtMidi links, so quieting it here quiets RtMidi's clients.
const JackFunctions* Jack() {
  return LoadLibraryApi<JackFunctions>(
      VIREL_JACK_SONAME,
      [](SharedLibrary& lib, JackFunctions& api) {
        if (!(VIREL_JACK_FUNCTIONS(VIREL_BIND_FUNCTION) true)) return false;
        api.jack_set_error_function(&Quiet);
        api.jack_set_info_function(&Quiet);
        return true;
      },
      nullptr);
}

// Asked with a client of our own that never starts a server: RtMidi would
// ask too, but with a page of messages on stderr when there is none.
// Also gives the server's period (zero when there is no server).
bool JackServerRunning(std::chrono::microseconds* period = nullptr) {
  const JackFunctions* jack = Jack();
  if (!jack) return false;
  jack_status_t status{};
  jack_client_t* client = jack->jack_client_open(kClientName, JackNoStartServer, &status);
  if (!client) return false;
  if (period) {
    const jack_nframes_t rate = jack->jack_get_sample_rate(client);
    *period =
        std::chrono::microseconds(rate ? int64_t{jack->jack_get_buffer_size(client)} * 1000000 / rate : 0);
  }
  jack->jack_client_close(client);
  return true;
}
#endif

// How long messages may wait before they leave. JACK hands them over once a
// period, from a queue a port's close would throw away; ALSA sends at once.
std::chrono::milliseconds DrainTime(RtMidiApi api) {
  if (api != RTMIDI_API_UNIX_JACK) return std::chrono::milliseconds(0);
  std::chrono::microseconds period(0);
#if VIREL_WITH_JACK
  JackServerRunning(&period);
#endif
  // A few periods, and some slack for a late cycle on a busy machine.
  const auto wait =
      std::chrono::duration_cast<std::chrono::milliseconds>(4 * period) + std::chrono::milliseconds(50);
  return std::min(wait, std::chrono::milliseconds(500));
}

bool Usable(RtMidiApi api) {
  if (api == RTMIDI_API_RTMIDI_DUMMY || api == RTMIDI_API_UNSPECIFIED) return false;
#ifdef __linux__
  // Without the sequencer device ALSA fails loudly on stderr; skip it quietly.
  std::error_code ec;
  if (api == RTMIDI_API_LINUX_ALSA && !std::filesystem::exists("/dev/snd/seq", ec)) return false;
#endif
#if VIREL_WITH_JACK
  if (api == RTMIDI_API_UNIX_JACK && !JackServerRunning()) return false;
#endif
  return true;
}

std::vector<RtMidiApi> Apis() {
  const RtMidiFunctions* rt = RtMidi();
  if (!rt) return {};
  RtMidiApi compiled[RTMIDI_API_NUM];
  const int count = rt->rtmidi_get_compiled_api(compiled, RTMIDI_API_NUM);
  std::vector<RtMidiApi> apis;
  for (int i = 0; i < std::clamp(count, 0, int{RTMIDI_API_NUM}); ++i)
    if (Usable(compiled[i])) apis.push_back(compiled[i]);
  return apis;
}

// A client of `api`, or null when that interface cannot make one now. Only
// called once Apis() has found RtMidi.
RtMidiClient NewClient(RtMidiApi api) {
  RtMidiClient client(RtMidi()->rtmidi_out_create(api, kClientName));
  if (!client || !client->ok || !client->ptr) return nullptr;
  return client;
}

// The name of port `index`, or nothing when it has gone meanwhile.
std::string PortName(RtMidiWrapper* client, unsigned index) {
  const RtMidiFunctions& rt = *RtMidi();
  ClearFailure(client);
  int length = 0;
  if (rt.rtmidi_get_port_name(client, index, nullptr, &length) != 0 || !client->ok || length <= 0) return {};
  std::string name(static_cast<size_t>(length), '\0');
  if (rt.rtmidi_get_port_name(client, index, name.data(), &length) < 0 || !client->ok) return {};
  name.resize(std::strlen(name.c_str()));  // the length counted the terminator
  return name;
}

// The index of `name` among the client's ports, or -1.
int FindPort(RtMidiWrapper* client, const std::string& name) {
  const unsigned count = RtMidi()->rtmidi_get_port_count(client);
  for (unsigned i = 0; i < count; ++i)
    if (PortName(client, i) == name) return static_cast<int>(i);
  return -1;
}

}  // namespace

// Clients exist only once RtMidi has been found.
void RtMidiClientDeleter::operator()(RtMidiWrapper* client) const { RtMidi()->rtmidi_out_free(client); }

std::vector<std::string> ListMidiOutputPorts() {
  std::vector<std::string> names;
  for (RtMidiApi api : Apis()) {
    RtMidiClient out = NewClient(api);
    if (!out) continue;
    const unsigned count = RtMidi()->rtmidi_get_port_count(out.get());
    for (unsigned i = 0; i < count; ++i) {
      std::string name = PortName(out.get(), i);
      // The same name through two interfaces is one choice: the first opens.
      if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end())
        names.push_back(std::move(name));
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
  for (RtMidiApi api : Apis()) {
    RtMidiClient out = NewClient(api);
    if (!out) continue;
    const int index = FindPort(out.get(), portName_);
    if (index < 0) continue;
    ClearFailure(out.get());
    RtMidi()->rtmidi_open_port(out.get(), static_cast<unsigned>(index), kOwnPortName);
    if (!out->ok) continue;
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
  RtMidi()->rtmidi_close_port(out_.get());
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
  if (FindPort(out_.get(), portName_) < 0) MarkLost();
}

void MidiPortOut::Send(uint32_t message) {
  if (!out_ || lost_) return;
  CheckPort();
  if (lost_) return;
  unsigned char bytes[3] = {static_cast<unsigned char>(message), static_cast<unsigned char>(message >> 8),
                            static_cast<unsigned char>(message >> 16)};
  const uint32_t kind = message & 0xF0;
  const int length = kind == 0xC0 || kind == 0xD0 ? 2 : 3;
  if (RtMidi()->rtmidi_out_send_message(out_.get(), bytes, length) != 0) {
    MarkLost();
    return;
  }
  lastSent_ = std::chrono::steady_clock::now();
  sentSince_ = true;
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
