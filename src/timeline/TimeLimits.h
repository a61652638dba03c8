// What the time controls offer: the number of state slots, the fast-forward
// speeds, the length of the rewind history and how far run-ahead may look.
// The front end's settings are kept within these; the timeline needs nothing
// of the front end to know them.
#pragma once

#include <array>
#include <cstdint>

constexpr int kStateSlots = 9;
// The fast-forward speeds offered; 0 is "as fast as possible".
constexpr std::array<int32_t, 4> kFastForwardSpeeds{2, 4, 8, 0};
constexpr int32_t kMinRewindMinutes = 1;
constexpr int32_t kMaxRewindMinutes = 60;
constexpr int32_t kMaxRunAhead = 3;
