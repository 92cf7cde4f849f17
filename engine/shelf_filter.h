// The shelving equaliser's second-order section: a low or high shelf of the
// Audio EQ Cookbook (slope 1) in double precision, which redesigns itself
// lazily when its corner, gain or sample rate changes and keeps its history.
#pragma once

#include <cstdint>

namespace lumbrook {

enum class ShelfKind : int32_t { None = 0, Low = 5, High = 6 };

struct ShelfFilter {
    double x1, x2;              // previous two inputs
    double y1, y2;              // previous two outputs
    double a1, a2, b0, b1, b2;  // normalised by a0
    double designCorner;        // Hz
    double designGain;          // amplitude factor A
    double designRate;          // Hz
    ShelfKind designKind;       // None until the first use after a reset

    // Redesigns when any input differs from the current design (exact
    // comparisons); the history is kept. sampleRate must be positive.
    void Prepare(ShelfKind kind, double corner, double gain, double sampleRate);

    double Filter(double x);
};

// One step of a section held in `s` (a ShelfFilter, or lanes of several side
// by side): the sum in this order is what the output's bits depend on.
template <class Section, class T>
T ShelfStep(Section& s, T x) {
    const T y = s.b0 * x + s.b1 * s.x1 + s.b2 * s.x2 - s.a1 * s.y1 - s.a2 * s.y2;
    s.x2 = s.x1;
    s.x1 = x;
    s.y2 = s.y1;
    s.y1 = y;
    return y;
}

inline double ShelfFilter::Filter(double x) {
    return ShelfStep(*this, x);
}

}  // namespace lumbrook
