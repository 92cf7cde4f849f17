// Both channels' shelving filters side by side, one lane each, for the
// vector kernels: in each lane the very steps of ShelfFilter.
#pragma once

#include "shelf_filter.h"

namespace lumbrook {

typedef double DoublePair __attribute__((vector_size(16)));

struct ShelfPair {
    DoublePair b0, b1, b2, a1, a2, x1, x2, y1, y2;

    ShelfPair(const ShelfFilter& l, const ShelfFilter& r)
        : b0{l.b0, r.b0},
          b1{l.b1, r.b1},
          b2{l.b2, r.b2},
          a1{l.a1, r.a1},
          a2{l.a2, r.a2},
          x1{l.x1, r.x1},
          x2{l.x2, r.x2},
          y1{l.y1, r.y1},
          y2{l.y2, r.y2} {}

    DoublePair Filter(DoublePair x) { return ShelfStep(*this, *this, x); }

    void StoreHistory(ShelfFilter& l, ShelfFilter& r) const {
        l.x1 = x1[0], r.x1 = x1[1];
        l.x2 = x2[0], r.x2 = x2[1];
        l.y1 = y1[0], r.y1 = y1[1];
        l.y2 = y2[0], r.y2 = y2[1];
    }
};

}  // namespace lumbrook
