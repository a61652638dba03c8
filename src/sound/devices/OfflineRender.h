// Rendering a recording of the MIDI output offline: the same synthesiser as
// the live output, driven sample-exactly by the frame stamps, so the sound of
// a run can be checked without a sound card.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sound/RecordingMidiOut.h"

// Frames per second of the emulated console (NTSC), which places frame
// stamps on the time line.
constexpr double kConsoleFrameRate = 60.0988;

// Renders `frames` frames of audio from `events` (an event at frame f sounds
// from the start of frame f): interleaved 16-bit stereo at the synthesiser's
// rate. Empty with `error` set when no synthesiser can be made.
std::vector<int16_t> RenderMidi(const std::vector<MidiEvent>& events, int64_t frames, std::string* error);

// RenderMidi written as a WAV file.
bool RenderMidiToWav(const std::vector<MidiEvent>& events, int64_t frames, const std::string& path,
                     std::string* error);
