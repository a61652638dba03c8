// Writing 16-bit PCM WAV files (the runner's --audio output).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes interleaved 16-bit samples as a RIFF/WAVE file. The file is written
// beside its final name and renamed over it, so a failed write never leaves
// half a file. False with `error` set on failure.
bool WriteWav16(const std::string& path, const std::vector<int16_t>& samples, int channels, int rate,
                std::string* error);
