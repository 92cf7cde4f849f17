// Formulas that turn parameters and the sample rate into the coefficients and
// delay lengths the network reads. Products and sums are formed in double from
// the single-precision operands and rounded only when stored: to float for
// coefficients, by truncation toward zero for lengths.
#pragma once

#include <cstdint>

namespace lumbrook {

// A setting as the coefficients see it: clamped to 0..1, NaN as 0. The block
// keeps whatever it was given; only the sound is protected from it (a room
// size above about 1.07 would make the combs run away, a damping outside 0..1
// the damping filter, and NaN or infinity would poison the network).
// Values inside 0..1, -0 included, pass bit for bit.
float UnitSetting(float value);

float FeedbackFrom(float roomSize);
// The two weights of each comb's one-pole low-pass in its feedback path,
// store = output * damp2 + store * damp1: damp1 = damping * 0.4 is the share
// of the previous store, damp2 = 1 - damping * 0.4 that of the new output.
// They sum to 1, so damping darkens the tail without changing its level:
// 0 leaves the feedback unfiltered, 1 keeps 40 % of the previous store.
float Damp1From(float damping);
float Damp2From(float damping);
float EarlyGainFrom(float earlyRef);
float ShelfGainFrom(float eqValue);  // amplitude factor 10^(dB/40)

float SamplesPerMs(uint32_t sampleRate);  // rounded to single precision

// Truncates a length in samples toward zero, clamped first (in floating point,
// so NaN, infinities and huge values stay defined) to 0..kLineCapacity.
int32_t ClampedLength(double samples);

int32_t PreDelayLength(uint32_t sampleRate, float preDelay);
int32_t EarlyLength(float samplesPerMs, float roomSize);
int32_t RightEarlyLength(int32_t earlyLength);
// One comb or all-pass length: samplesPerMs * 1.1 * tuningMs.
int32_t TuningLength(float samplesPerMs, float tuningMs);

double HighShelfCornerHz(uint32_t sampleRate);
// 250 Hz from 500 Hz up. Below, 250 Hz is at or past Nyquist, where the
// section's poles leave the unit circle, so the low shelf takes the high
// shelf's corner, which always lies below Nyquist.
double LowShelfCornerHz(uint32_t sampleRate);

}  // namespace lumbrook
