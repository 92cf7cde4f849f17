// The network's per-frame steps, written once for every kernel. T is a
// double, or a vector of doubles whose lanes each take the very same steps
// (a kernel running both channels side by side). Each sum's order is what
// the output's bits depend on: the portable kernel, every scalar remainder
// of a vector kernel and every lane path use these, so they cannot drift
// apart.
#pragma once

#include "shelf_filter.h"
#include "tuning.h"

namespace lumbrook {

// One all-pass of a series: `held` is what the line gives back, `write`
// receives what the line takes (the caller rounds it to float); returns the
// signal passed on.
template <class T>
inline T AllpassStep(T x, T held, T& write) {
    write = x + held * kAllpassGain;
    return held - x;
}

// One output sample: dry + reverberation + early echo (its sign inverted),
// before the rounding to float; a tail has no dry term. The dry term is the
// checked input, never the buffer.
template <class T>
inline T MixStep(bool tail, T in, T wet, T early, T dryGain, T wetGain, T earlyGain) {
    const T echo = -early * earlyGain;
    const T reverb = wet * wetGain;
    return tail ? reverb + echo : in * dryGain + reverb + echo;
}

// The equaliser of one channel's frame: low shelf, rounded to float, then
// high shelf. Coefficients and histories as ShelfStep takes them.
template <class Coefficients, class History>
inline double EqualiseStep(const Coefficients& low, History& lowHistory, const Coefficients& high,
                           History& highHistory, double x) {
    const float lowOut = float(ShelfStep(low, lowHistory, x));
    return ShelfStep(high, highHistory, double(lowOut));
}

}  // namespace lumbrook
