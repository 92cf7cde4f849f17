// The AVX2 kernel's equaliser, run one frame per step of the combs'
// damping recursion so that the two chains of dependent operations overlap.
// Only avx2_kernel.cpp includes this, inside its AVX2 target region.
#pragma once

#include "avx2_lanes.h"
#include "avx2_scratch.h"
#include "frame_steps.h"

namespace lumbrook {
namespace avx2 {

// The equaliser of the channels run: low shelf, rounded to float, then high
// shelf, over scratch.series, one frame per step of the combs' recursion.
template <int kChannels>
struct Equaliser;

// Stereo: one register holds both channels' low shelves (lanes 0 and 1) and
// both high shelves (lanes 2 and 3), the high shelves two frames behind, so
// that a step's high lanes take a low output that is ready well before
// (the sum's first term is the input). A batch's first two steps run the
// low lanes only, and Finish runs the two frames the high lanes still owe.
//
// Only the last output, on which the next step waits, is the loop's to keep
// in a register (History); the older inputs and outputs stay in this object,
// in memory, read well before they are needed. The combs' stores then keep
// their registers even where there are only eight (32-bit x86), instead of
// making a round trip through the stack on their own recursion every frame.
template <>
struct Equaliser<2> {
    struct History {
        V4d y1;
    };
    V4d b0, b1, b2, a1, a2;
    V4d x1, x2, y1, y2;
    V2d late1, late2;    // the low shelves' rounded outputs of the last two frames
    int32_t behind = 0;  // frames the high shelves owe, up to two

    explicit Equaliser(const NetworkState& net) {
        const ShelfFilter* low = &net.shelf[kLeftLowShelf];
        const ShelfFilter* high = &net.shelf[kLeftHighShelf];
        auto lanes = [&](double ShelfFilter::*field) {
            return V4d{low[0].*field, low[1].*field, high[0].*field, high[1].*field};
        };
        b0 = lanes(&ShelfFilter::b0), b1 = lanes(&ShelfFilter::b1), b2 = lanes(&ShelfFilter::b2);
        a1 = lanes(&ShelfFilter::a1), a2 = lanes(&ShelfFilter::a2);
        x1 = lanes(&ShelfFilter::x1), x2 = lanes(&ShelfFilter::x2);
        y1 = lanes(&ShelfFilter::y1), y2 = lanes(&ShelfFilter::y2);
        late1 = late2 = V2d{};
    }

    History Begin() const { return {y1}; }
    void End(const History& h) { y1 = h.y1; }

    // One step of all four shelves, lane by lane, from history `h`: the
    // members but for the last output, which is the caller's.
    struct Lanes {
        V4d &x1, &x2, &y1, &y2;
    };
    V4d Step(V4d& last, V4d x) {
        Lanes h{x1, x2, last, y2};
        return ShelfStep(*this, h, x);
    }

    // Low shelves of frame j; high shelves of frame j - 2 once they run.
    void Filter(Scratch& scratch, int32_t j, History& h) {
        const V2d in = {scratch.series[0][j], scratch.series[1][j]};
        if (behind < 2) {
            // The high lanes' history stays as it was.
            const V4d oldX1 = x1, oldX2 = x2, oldY2 = y2, oldY1 = h.y1;
            const V4d y = Step(h.y1, Join(in, HighHalf(oldX1)));
            x1 = Join(in, HighHalf(oldX1));
            x2 = Join(LowHalf(oldX1), HighHalf(oldX2));
            y2 = Join(LowHalf(oldY1), HighHalf(oldY2));
            h.y1 = Join(LowHalf(y), HighHalf(oldY1));
            late2 = late1, late1 = RoundToFloat(LowHalf(y));
            ++behind;
            return;
        }
        const V4d y = Step(h.y1, Join(in, late2));
        late2 = late1, late1 = RoundToFloat(LowHalf(y));
        scratch.series[0][j - 2] = y[2];
        scratch.series[1][j - 2] = y[3];
    }

    // The high shelves of the batch's last frames (end: the batch's length).
    void Finish(Scratch& scratch, int32_t end) {
        for (; behind > 0; --behind) {
            const V2d late = behind == 2 ? late2 : late1;
            // The low lanes' history stays as it was.
            const V4d oldX1 = x1, oldX2 = x2, oldY1 = y1, oldY2 = y2;
            const V4d y = Step(y1, Join(LowHalf(oldX1), late));
            x1 = Join(LowHalf(oldX1), late);
            x2 = Join(LowHalf(oldX2), HighHalf(oldX1));
            y2 = Join(LowHalf(oldY2), HighHalf(oldY1));
            y1 = Join(LowHalf(oldY1), HighHalf(y));
            scratch.series[0][end - behind] = y[2];
            scratch.series[1][end - behind] = y[3];
        }
    }

    void StoreHistory(NetworkState& net) const {
        ShelfFilter* low = &net.shelf[kLeftLowShelf];
        ShelfFilter* high = &net.shelf[kLeftHighShelf];
        for (int ch = 0; ch < 2; ++ch) {
            low[ch].x1 = x1[ch], low[ch].x2 = x2[ch];
            low[ch].y1 = y1[ch], low[ch].y2 = y2[ch];
            high[ch].x1 = x1[2 + ch], high[ch].x2 = x2[2 + ch];
            high[ch].y1 = y1[2 + ch], high[ch].y2 = y2[2 + ch];
        }
    }
};

template <>
struct Equaliser<1> {
    struct History {
        ShelfHistory<double> low, high;
    };
    ShelfFilter low, high;

    explicit Equaliser(const NetworkState& net)
        : low(net.shelf[kLeftLowShelf]), high(net.shelf[kLeftHighShelf]) {}

    // The histories apart, so that a loop keeps them in registers.
    History Begin() const {
        return {{low.x1, low.x2, low.y1, low.y2}, {high.x1, high.x2, high.y1, high.y2}};
    }
    void End(const History& h) {
        low.x1 = h.low.x1, low.x2 = h.low.x2, low.y1 = h.low.y1, low.y2 = h.low.y2;
        high.x1 = h.high.x1, high.x2 = h.high.x2, high.y1 = h.high.y1, high.y2 = h.high.y2;
    }

    void Filter(Scratch& scratch, int32_t j, History& h) const {
        scratch.series[0][j] = EqualiseStep(low, h.low, high, h.high, scratch.series[0][j]);
    }

    void Finish(Scratch&, int32_t) {}

    void StoreHistory(NetworkState& net) const {
        net.shelf[kLeftLowShelf] = low;
        net.shelf[kLeftHighShelf] = high;
    }
};

}  // namespace avx2
}  // namespace lumbrook
