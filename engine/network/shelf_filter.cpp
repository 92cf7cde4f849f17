#include "shelf_filter.h"

#include <cmath>

#include "tuning.h"

namespace lumbrook {

void ShelfFilter::Design(ShelfKind kind, double corner, double gain, double sampleRate) {
    designCorner = corner;
    designGain = gain;
    designKind = kind;
    designRate = sampleRate;

    // For the 250 Hz low shelf this is the 2 pi 250 / fs of the design, bit
    // for bit (see tuning.h).
    const double w0 = corner * kTwoPi / sampleRate;
    const double sn = std::sin(w0);
    const double cs = std::cos(w0);
    const double A = gain;
    const double beta = std::sqrt(A * A + 1.0 - (A - 1.0) * (A - 1.0));
    const double ap = A + 1.0;
    const double am = A - 1.0;
    if (kind == ShelfKind::Low) {
        const double a0 = ap + am * cs + beta * sn;
        b0 = A * (ap - am * cs + beta * sn) / a0;
        b1 = 2.0 * A * (am - ap * cs) / a0;
        b2 = A * (ap - am * cs - beta * sn) / a0;
        a1 = -2.0 * (am + ap * cs) / a0;
        a2 = (ap + am * cs - beta * sn) / a0;
    } else {
        const double a0 = ap - am * cs + beta * sn;
        b0 = A * (ap + am * cs + beta * sn) / a0;
        b1 = -2.0 * A * (am + ap * cs) / a0;
        b2 = A * (ap + am * cs - beta * sn) / a0;
        a1 = 2.0 * (am - ap * cs) / a0;
        a2 = (ap - am * cs - beta * sn) / a0;
    }
}

}  // namespace lumbrook
