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
template <>
struct Equaliser<2> {
    struct History {
        V4d x1, x2, y1, y2;
        V2d late1, late2;  // the low shelves' rounded outputs of the last two frames
    };
    V4d b0, b1, b2, a1, a2;
    History kept;
    int32_t behind = 0;  // frames the high shelves owe, up to two

    explicit Equaliser(const NetworkState& net) {
        const ShelfFilter* low = &net.shelf[kLeftLowShelf];
        const ShelfFilter* high = &net.shelf[kLeftHighShelf];
        auto lanes = [&](double ShelfFilter::*field) {
            return V4d{low[0].*field, low[1].*field, high[0].*field, high[1].*field};
        };
        b0 = lanes(&ShelfFilter::b0), b1 = lanes(&ShelfFilter::b1), b2 = lanes(&ShelfFilter::b2);
        a1 = lanes(&ShelfFilter::a1), a2 = lanes(&ShelfFilter::a2);
        kept = {lanes(&ShelfFilter::x1),
                lanes(&ShelfFilter::x2),
                lanes(&ShelfFilter::y1),
                lanes(&ShelfFilter::y2),
                V2d{},
                V2d{}};
    }

    History Begin() const { return kept; }
    void End(const History& h) { kept = h; }

    // One step of all four shelves, lane by lane.
    V4d Step(History& h, V4d x) const { return ShelfStep(*this, h, x); }

    // Low shelves of frame j; high shelves of frame j - 2 once they run.
    void Filter(Scratch& scratch, int32_t j, History& h) {
        const V2d in = {scratch.series[0][j], scratch.series[1][j]};
        if (behind < 2) {
            History lowOnly = h;
            const V4d y = Step(lowOnly, Join(in, HighHalf(h.x1)));
            h.x2 = Join(LowHalf(h.x1), HighHalf(h.x2));
            h.x1 = Join(in, HighHalf(h.x1));
            h.y2 = Join(LowHalf(h.y1), HighHalf(h.y2));
            h.y1 = Join(LowHalf(y), HighHalf(h.y1));
            h.late2 = h.late1, h.late1 = RoundToFloat(LowHalf(y));
            ++behind;
            return;
        }
        const V4d y = Step(h, Join(in, h.late2));
        h.late2 = h.late1, h.late1 = RoundToFloat(LowHalf(y));
        scratch.series[0][j - 2] = y[2];
        scratch.series[1][j - 2] = y[3];
    }

    // The high shelves of the batch's last frames (end: the batch's length).
    void Finish(Scratch& scratch, int32_t end) {
        History& h = kept;
        for (; behind > 0; --behind) {
            const V2d late = behind == 2 ? h.late2 : h.late1;
            History highOnly = h;
            const V4d y = Step(highOnly, Join(LowHalf(h.x1), late));
            h.x2 = Join(LowHalf(h.x2), HighHalf(h.x1));
            h.x1 = Join(LowHalf(h.x1), late);
            h.y2 = Join(LowHalf(h.y2), HighHalf(h.y1));
            h.y1 = Join(LowHalf(h.y1), HighHalf(y));
            scratch.series[0][end - behind] = y[2];
            scratch.series[1][end - behind] = y[3];
        }
    }

    void StoreHistory(NetworkState& net) const {
        ShelfFilter* low = &net.shelf[kLeftLowShelf];
        ShelfFilter* high = &net.shelf[kLeftHighShelf];
        for (int ch = 0; ch < 2; ++ch) {
            low[ch].x1 = kept.x1[ch], low[ch].x2 = kept.x2[ch];
            low[ch].y1 = kept.y1[ch], low[ch].y2 = kept.y2[ch];
            high[ch].x1 = kept.x1[2 + ch], high[ch].x2 = kept.x2[2 + ch];
            high[ch].y1 = kept.y1[2 + ch], high[ch].y2 = kept.y2[2 + ch];
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
