// FluidSynth set up as a plain General MIDI synthesiser. The note table of the
// device layer counts on the GM default pitch-bend range of two semitones, so
// no range is set here; FluidSynth's own default is that range.
#include "sound/devices/Synthesiser.h"

#include <fluidsynth.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "core/SharedLibrary.h"

namespace {

// FluidSynth is opened when sound is first switched on or a recording is
// rendered: with it come GLib, OpenMP, libsndfile and their codecs, which a
// silent run has no use for.
// clang-format off
#define VIREL_FLUIDSYNTH_FUNCTIONS(X) \
  X(fluid_set_log_function)         \
  X(new_fluid_settings)             \
  X(delete_fluid_settings)          \
  X(fluid_settings_setnum)          \
  X(fluid_settings_setint)          \
  X(new_fluid_synth)                \
  X(delete_fluid_synth)             \
  X(fluid_synth_sfload)             \
  X(fluid_synth_noteon)             \
  X(fluid_synth_noteoff)            \
  X(fluid_synth_cc)                 \
  X(fluid_synth_program_change)     \
  X(fluid_synth_channel_pressure)   \
  X(fluid_synth_pitch_bend)         \
  X(fluid_synth_all_notes_off)      \
  X(fluid_synth_write_s16)
// clang-format on

struct FluidSynthApi {
  VIREL_FLUIDSYNTH_FUNCTIONS(VIREL_LIBRARY_FUNCTION)
};

// Sound devices fail quietly: FluidSynth's own messages stay off the console,
// and the caller gets the reason as text instead.
const FluidSynthApi* LoadFluidSynth(std::string* error) {
  return LoadLibraryApi<FluidSynthApi>(
      VIREL_FLUIDSYNTH_SONAME,
      [](SharedLibrary& lib, FluidSynthApi& api) {
        if (!(VIREL_FLUIDSYNTH_FUNCTIONS(VIREL_BIND_FUNCTION) true)) return false;
        for (const int level : {FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
          api.fluid_set_log_function(level, nullptr, nullptr);
        return true;
      },
      error);
}

const char* const kSoundFontFolder = "/usr/share/sounds/sf2";
// Preferred names in that folder, before any other *.sf2 found there.
const char* const kPreferredFonts[] = {"default-GM.sf2", "FluidR3_GM.sf2", "TimGM6mb.sf2"};

}  // namespace

std::string FindSoundFont() {
  namespace fs = std::filesystem;
  if (const char* chosen = std::getenv("VIREL_SOUNDFONT"); chosen && *chosen) return chosen;
  std::error_code ec;
  for (const char* name : kPreferredFonts) {
    const fs::path path = fs::path(kSoundFontFolder) / name;
    if (fs::is_regular_file(path, ec)) return path.string();
  }
  for (const fs::directory_entry& entry : fs::directory_iterator(kSoundFontFolder, ec)) {
    if (entry.path().extension() == ".sf2" && entry.is_regular_file(ec)) return entry.path().string();
  }
  return {};
}

struct Synthesiser::Impl {
  const FluidSynthApi* api = nullptr;
  fluid_settings_t* settings = nullptr;
  fluid_synth_t* synth = nullptr;
};

std::unique_ptr<Synthesiser> Synthesiser::Create(std::string* error) {
  auto fail = [error](std::string why) {
    if (error) *error = std::move(why);
    return nullptr;
  };
  const std::string font = FindSoundFont();
  if (font.empty()) return fail("no General MIDI SoundFont found (set VIREL_SOUNDFONT)");
  std::error_code ec;
  if (!std::filesystem::is_regular_file(font, ec)) return fail("the SoundFont " + font + " does not exist");
  std::string why;
  const FluidSynthApi* api = LoadFluidSynth(&why);
  if (!api) return fail("FluidSynth could not be loaded (" + why + ")");

  std::unique_ptr<Synthesiser> s(new Synthesiser);
  s->impl_ = new Impl;
  s->impl_->api = api;
  s->impl_->settings = api->new_fluid_settings();
  if (!s->impl_->settings) return fail("FluidSynth settings could not be created");
  api->fluid_settings_setnum(s->impl_->settings, "synth.sample-rate", kSampleRate);
  // The layer asks for at most five voices at a time; reverb and chorus would
  // only blur the square lead.
  api->fluid_settings_setint(s->impl_->settings, "synth.reverb.active", 0);
  api->fluid_settings_setint(s->impl_->settings, "synth.chorus.active", 0);
  s->impl_->synth = api->new_fluid_synth(s->impl_->settings);
  if (!s->impl_->synth) return fail("FluidSynth could not be started");
  if (api->fluid_synth_sfload(s->impl_->synth, font.c_str(), 1) == FLUID_FAILED) {
    return fail("the SoundFont " + font + " could not be loaded");
  }
  return s;
}

Synthesiser::~Synthesiser() {
  if (!impl_) return;
  if (impl_->synth) impl_->api->delete_fluid_synth(impl_->synth);
  if (impl_->settings) impl_->api->delete_fluid_settings(impl_->settings);
  delete impl_;
}

void Synthesiser::Apply(uint32_t message) {
  const FluidSynthApi& api = *impl_->api;
  fluid_synth_t* synth = impl_->synth;
  const int channel = message & 0x0F;
  const int data1 = (message >> 8) & 0x7F;
  const int data2 = (message >> 16) & 0x7F;
  switch (message & 0xF0) {
    case 0x80: api.fluid_synth_noteoff(synth, channel, data1); break;
    case 0x90:
      // Velocity 0 is a note off by MIDI's own rule.
      if (data2 == 0) {
        api.fluid_synth_noteoff(synth, channel, data1);
      } else {
        api.fluid_synth_noteon(synth, channel, data1, data2);
      }
      break;
    case 0xB0: api.fluid_synth_cc(synth, channel, data1, data2); break;
    case 0xC0: api.fluid_synth_program_change(synth, channel, data1); break;
    case 0xD0: api.fluid_synth_channel_pressure(synth, channel, data1); break;
    case 0xE0: api.fluid_synth_pitch_bend(synth, channel, data1 | (data2 << 7)); break;
    default: break;  // nothing else is ever sent
  }
}

void Synthesiser::AllNotesOff() { impl_->api->fluid_synth_all_notes_off(impl_->synth, -1); }

void Synthesiser::Render(int16_t* stereo, int frames) {
  impl_->api->fluid_synth_write_s16(impl_->synth, frames, stereo, 0, 2, stereo, 1, 2);
}
