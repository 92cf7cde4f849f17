// The shelving equaliser's second-order section: a low or high shelf of the
// Audio EQ Cookbook (slope 1) in double precision, which redesigns itself
// lazily when its corner, gain or sample rate changes and keeps its history.
#pragma once

#include <cstdint>

namespace lumbrook {

// Stored as an int32 in the filter's record. Low and High keep the shelves'
// numbers in the usual biquad type list (low-pass 0, high-pass 1, band-pass
// 2, notch 3, peak 4, low shelf 5, high shelf 6). This section is only ever a
// shelf, so 0 is free to mean "not designed": the value a reset's zero fill
// leaves, which makes the first sample after a reset design the filter.
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
    // comparisons); the history is kept. sampleRate must be positive. Inline:
    // every processing call asks, and the answer is nearly always no.
    void Prepare(ShelfKind kind, double corner, double gain, double sampleRate) {
        if (designCorner != corner || designGain != gain || designKind != kind ||
            designRate != sampleRate)
            Design(kind, corner, gain, sampleRate);
    }
    void Design(ShelfKind kind, double corner, double gain, double sampleRate);

    double Filter(double x);
};

// A section's history: the previous two inputs and outputs.
template <class T>
struct ShelfHistory {
    T x1, x2, y1, y2;
};

// One step of a section with coefficients from `c` and history in `h` (a
// ShelfFilter for both, or lanes of several side by side): the sum in this
// order is what the output's bits depend on. Always inlined, so that a
// vector kernel compiled for wider registers runs it in them.
template <class Coefficients, class History, class T>
[[gnu::always_inline]] inline T ShelfStep(const Coefficients& c, History& h, T x) {
    const T y = c.b0 * x + c.b1 * h.x1 + c.b2 * h.x2 - c.a1 * h.y1 - c.a2 * h.y2;
    h.x2 = h.x1;
    h.x1 = x;
    h.y2 = h.y1;
    h.y1 = y;
    return y;
}

inline double ShelfFilter::Filter(double x) {
    return ShelfStep(*this, *this, x);
}

}  // namespace lumbrook
