// The network's state between calls: its 28 delay lines with their cursors,
// the comb stores and the shelving filters. It lives inline in ReverbEngine:
// no allocation while processing. Internal to the engine.
#pragma once

#include <cstdint>

#include "shelf_filter.h"
#include "tuning.h"

namespace lumbrook {

enum ShelfIndex { kLeftLowShelf, kRightLowShelf, kLeftHighShelf, kRightHighShelf, kShelfCount };

struct NetworkState {
    float earlyLine[2][kLineCapacity];
    float preDelayLine[2][kLineCapacity];
    int32_t earlyCursor[2];
    int32_t preDelayCursor[2];
    float combLine[kCombCount][kLineCapacity];
    float combStore[kCombCount];
    int32_t combCursor[kCombCount];
    float allpassLine[kAllpassCount][kLineCapacity];
    int32_t allpassCursor[kAllpassCount];
    ShelfFilter shelf[kShelfCount];
    int64_t tailCount;  // wide: a spent budget still counts a frame per call
};

}  // namespace lumbrook
