// Offline rendering: the synthesiser renders up to each event's place on the
// time line, takes the event, and renders on.
#include "sound/devices/OfflineRender.h"

#include <algorithm>
#include <cmath>

#include "sound/devices/Synthesiser.h"
#include "sound/devices/WavFile.h"

namespace {

int64_t FrameToSample(int64_t frame) {
  return static_cast<int64_t>(
      std::llround(static_cast<double>(frame) * Synthesiser::kSampleRate / kConsoleFrameRate));
}

}  // namespace

std::vector<int16_t> RenderMidi(const std::vector<MidiEvent>& events, int64_t frames, std::string* error) {
  std::unique_ptr<Synthesiser> synth = Synthesiser::Create(error);
  if (!synth) return {};
  const int64_t total = FrameToSample(std::max<int64_t>(frames, 0));
  std::vector<int16_t> samples(static_cast<size_t>(total) * 2);
  int64_t done = 0;
  auto renderUpTo = [&](int64_t sample) {
    sample = std::min(sample, total);
    if (sample <= done) return;
    synth->Render(samples.data() + done * 2, static_cast<int>(sample - done));
    done = sample;
  };
  for (const MidiEvent& e : events) {
    renderUpTo(FrameToSample(e.frame));
    switch (e.kind) {
      case MidiEvent::Kind::Message: synth->Apply(e.message); break;
      // A reset or a close of the device cuts whatever sounds.
      case MidiEvent::Kind::Reset:
      case MidiEvent::Kind::Close: synth->AllNotesOff(); break;
      case MidiEvent::Kind::Open: break;
    }
  }
  renderUpTo(total);
  return samples;
}

bool RenderMidiToWav(const std::vector<MidiEvent>& events, int64_t frames, const std::string& path,
                     std::string* error) {
  std::string why;
  std::vector<int16_t> samples = RenderMidi(events, frames, &why);
  if (samples.empty() && !why.empty()) {
    if (error) *error = why;
    return false;
  }
  return WriteWav16(path, samples, 2, Synthesiser::kSampleRate, error);
}
