// The console's mixer and output stage. The chip sums its channels through
// resistor networks, so the result is not linear: two pulses together are
// less than twice one, and a loud sample channel softens the triangle and
// noise. Behind the mixer the console's amplifier and the television's input
// form two high-pass filters (90 Hz, 440 Hz) and a low-pass (14 kHz), which
// give the familiar thin, DC-free sound.
#pragma once

#include <cstdint>

// The mixed output of the five channel levels (pulses and noise 0-15, the
// triangle 0-15 with a half level for its ultrasonic mean, the sample
// channel 0-127): 0 for silence and just under 1.0 with everything at most.
float VoiceMix(uint8_t pulse1, uint8_t pulse2, float triangle, uint8_t noise, uint8_t sample);

// One first-order section: a high-pass when HighPass, else a low-pass.
struct FirstOrderFilter {
  bool HighPass = false;
  double Coefficient = 0;
  double PreviousIn = 0;
  double PreviousOut = 0;
};

struct OutputFilters {
  FirstOrderFilter Stage[3];
};

// Coefficients for an output at `sampleRate` Hz; the history starts at rest
// with `restingLevel` at the input, so starting the voice makes no thump.
void FiltersInit(OutputFilters& f, double sampleRate, double restingLevel);
double FiltersRun(OutputFilters& f, double in);
