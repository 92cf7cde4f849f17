// The AVX2 kernel's equaliser, run one frame per step of the combs'
// damping recursion so that the two chains of dependent operations overlap.
// Only avx2_kernel.cpp includes this, inside its AVX2 target region.
#pragma once

#include <type_traits>

#include "avx2_lanes.h"
#include "avx2_scratch.h"
#include "frame_steps.h"

namespace lumbrook {
namespace avx2 {

// The equaliser of the channels run: low shelf, rounded to float, then high
// shelf, over scratch.series, one frame per step of the combs' recursion.
//
// One register holds every channel's low shelf (the low lanes: a channel to a
// lane) and high shelf (the high lanes), the high shelves two frames behind,
// so that a step's high lanes take a low output that is ready well before
// (the sum's first term is the input): the chain a frame waits on is one
// shelf, not two. A batch's first two steps run the low lanes only, and
// Finish runs the two frames the high lanes still owe.
//
// Only the last output, on which the next step waits, is the loop's to keep
// in a register (History); the older inputs and outputs stay in this object,
// in memory, read well before they are needed. The combs' stores then keep
// their registers even where there are only eight (32-bit x86), instead of
// making a round trip through the stack on their own recursion every frame.
template <int kChannels>
struct Equaliser {
    // Stereo: four lanes, a half for each shelf; mono: two, a lane each.
    using Lanes = typename std::conditional<kChannels == 2, V4d, V2d>::type;
    using Half = typename std::conditional<kChannels == 2, V2d, double>::type;

    struct History {
        Lanes y1;
    };
    Lanes b0, b1, b2, a1, a2;
    Lanes x1, x2, y1, y2;
    Half late1, late2;   // the low shelves' rounded outputs of the last two frames
    int32_t behind = 0;  // frames the high shelves owe, up to two

    explicit Equaliser(const NetworkState& net) {
        const ShelfFilter* low = &net.shelf[kLeftLowShelf];
        const ShelfFilter* high = &net.shelf[kLeftHighShelf];
        auto lanes = [&](double ShelfFilter::*field) {
            Lanes v;
            for (int ch = 0; ch < kChannels; ++ch) {
                v[ch] = low[ch].*field;
                v[kChannels + ch] = high[ch].*field;
            }
            return v;
        };
        b0 = lanes(&ShelfFilter::b0), b1 = lanes(&ShelfFilter::b1), b2 = lanes(&ShelfFilter::b2);
        a1 = lanes(&ShelfFilter::a1), a2 = lanes(&ShelfFilter::a2);
        x1 = lanes(&ShelfFilter::x1), x2 = lanes(&ShelfFilter::x2);
        y1 = lanes(&ShelfFilter::y1), y2 = lanes(&ShelfFilter::y2);
        late1 = late2 = Half{};
    }

    History Begin() const { return {y1}; }
    void End(const History& h) { y1 = h.y1; }

    // One step of every shelf, lane by lane, from history `h`: the members
    // but for the last output, which is the caller's.
    struct Steps {
        Lanes &x1, &x2, &y1, &y2;
    };
    Lanes Step(Lanes& last, Lanes x) {
        Steps h{x1, x2, last, y2};
        return ShelfStep(*this, h, x);
    }

    static Half In(const Scratch& scratch, int32_t j) {
        if constexpr (kChannels == 2)
            return V2d{scratch.series[0][j], scratch.series[1][j]};
        else
            return scratch.series[0][j];
    }
    static void Out(Scratch& scratch, int32_t j, Lanes y) {
        for (int ch = 0; ch < kChannels; ++ch) scratch.series[ch][j] = y[kChannels + ch];
    }

    // Low shelves of frame j; high shelves of frame j - 2 once they run.
    void Filter(Scratch& scratch, int32_t j, History& h) {
        const Half in = In(scratch, j);
        if (behind < 2) {
            // The high lanes' history stays as it was.
            const Lanes oldX1 = x1, oldX2 = x2, oldY2 = y2, oldY1 = h.y1;
            const Lanes y = Step(h.y1, Join(in, HighHalf(oldX1)));
            x1 = Join(in, HighHalf(oldX1));
            x2 = Join(LowHalf(oldX1), HighHalf(oldX2));
            y2 = Join(LowHalf(oldY1), HighHalf(oldY2));
            h.y1 = Join(LowHalf(y), HighHalf(oldY1));
            late2 = late1, late1 = RoundToFloat(LowHalf(y));
            ++behind;
            return;
        }
        const Lanes y = Step(h.y1, Join(in, late2));
        late2 = late1, late1 = RoundToFloat(LowHalf(y));
        Out(scratch, j - 2, y);
    }

    // The high shelves of the batch's last frames (end: the batch's length).
    void Finish(Scratch& scratch, int32_t end) {
        for (; behind > 0; --behind) {
            const Half late = behind == 2 ? late2 : late1;
            // The low lanes' history stays as it was.
            const Lanes oldX1 = x1, oldX2 = x2, oldY1 = y1, oldY2 = y2;
            const Lanes y = Step(y1, Join(LowHalf(oldX1), late));
            x1 = Join(LowHalf(oldX1), late);
            x2 = Join(LowHalf(oldX2), HighHalf(oldX1));
            y2 = Join(LowHalf(oldY2), HighHalf(oldY1));
            y1 = Join(LowHalf(oldY1), HighHalf(y));
            Out(scratch, end - behind, y);
        }
    }

    void StoreHistory(NetworkState& net) const {
        ShelfFilter* low = &net.shelf[kLeftLowShelf];
        ShelfFilter* high = &net.shelf[kLeftHighShelf];
        for (int ch = 0; ch < kChannels; ++ch) {
            low[ch].x1 = x1[ch], low[ch].x2 = x2[ch];
            low[ch].y1 = y1[ch], low[ch].y2 = y2[ch];
            high[ch].x1 = x1[kChannels + ch], high[ch].x2 = x2[kChannels + ch];
            high[ch].y1 = y1[kChannels + ch], high[ch].y2 = y2[kChannels + ch];
        }
    }
};

}  // namespace avx2
}  // namespace lumbrook
