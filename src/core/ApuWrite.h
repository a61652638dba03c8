// One processor write to a sound register, stamped with the processor cycle
// within its frame: the stream an engine hands the console voice, which
// replays the writes at their cycles so that every change of the sound chip
// lands where the program made it.
#pragma once

#include <cstdint>

struct ApuWrite {
  uint32_t Cycle = 0;    // processor cycles since the frame began
  uint16_t Address = 0;  // $4000-$4013, $4015 or $4017
  uint8_t Value = 0;
  bool operator==(const ApuWrite&) const = default;
};
