// The sound chip's fixed tables, laid out as the hardware documents them:
// length counter loads, pulse duty sequences, the triangle's 32 steps, and
// the noise and sample-channel timer periods of the NTSC console, both in
// processor cycles.
#pragma once

#include <array>
#include <cstdint>

// Length counter load for the five bits written to $4003/$4007/$400B/$400F,
// eight to a row, each row marked with its first index.
inline constexpr std::array<uint8_t, 32> kLengthTable = {10,  254, 20, 2,  40, 4,  80, 6,    // 00
                                                         160, 8,   60, 10, 14, 12, 26, 14,   // 08
                                                         12,  16,  24, 18, 48, 20, 96, 22,   // 10
                                                         192, 24,  72, 26, 16, 28, 32, 30};  // 18

// Pulse waveforms, one row per duty setting (12.5 %, 25 %, 50 %, 25 % inverted),
// in the order the sequencer plays them.
inline constexpr std::array<std::array<uint8_t, 8>, 4> kDutyTable = {{
    {0, 1, 0, 0, 0, 0, 0, 0},
    {0, 1, 1, 0, 0, 0, 0, 0},
    {0, 1, 1, 1, 1, 0, 0, 0},
    {1, 0, 0, 1, 1, 1, 1, 1},
}};

// The triangle descends and climbs through the 16 levels: 32 steps a cycle.
inline constexpr std::array<uint8_t, 32> kTriangleTable = {15, 14, 13, 12, 11, 10, 9,  8,  7,  6, 5,
                                                           4,  3,  2,  1,  0,  0,  1,  2,  3,  4, 5,
                                                           6,  7,  8,  9,  10, 11, 12, 13, 14, 15};

// Noise timer periods in processor cycles for the four bits of $400E.
inline constexpr std::array<uint16_t, 16> kNoisePeriodTable = {4,   8,   16,  32,  64,  96,   128,  160,
                                                               202, 254, 380, 508, 762, 1016, 2034, 4068};

// Sample channel bit periods in processor cycles for the four bits of $4010.
inline constexpr std::array<uint16_t, 16> kSampleRateTable = {428, 380, 340, 320, 286, 254, 226, 214,
                                                              190, 160, 142, 128, 106, 84,  72,  54};

// The processor clock of the NTSC console: every period above counts it.
inline constexpr double kNtscCpuHz = 1789773.0;

// "No event scheduled": a timer that does not run waits for this cycle.
inline constexpr uint32_t kNever = UINT32_MAX;
