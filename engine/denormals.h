// Flushes denormal floats to zero for the lifetime of a guard, so that a
// decaying tail never falls into slow denormal arithmetic, and restores the
// caller's floating-point mode afterwards. Values below about 1e-38 become 0.
#pragma once

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <xmmintrin.h>
#define LUMBROOK_HAS_MXCSR 1
#endif

namespace lumbrook {

class FlushDenormalsGuard {
public:
#ifdef LUMBROOK_HAS_MXCSR
    // Writing the mode stalls the processor for longer than a small buffer's
    // frames take, so a caller that already flushes (many audio hosts do)
    // pays for neither write.
    FlushDenormalsGuard() : saved_(_mm_getcsr()) {
        if ((saved_ & kFlush) != kFlush) _mm_setcsr(saved_ | kFlush);
    }
    ~FlushDenormalsGuard() {
        if ((saved_ & kFlush) != kFlush) _mm_setcsr(saved_);
    }
#else
    FlushDenormalsGuard() {}
#endif
    FlushDenormalsGuard(const FlushDenormalsGuard&) = delete;
    FlushDenormalsGuard& operator=(const FlushDenormalsGuard&) = delete;

private:
#ifdef LUMBROOK_HAS_MXCSR
    static constexpr unsigned kFlushToZero = 0x8000;
    static constexpr unsigned kDenormalsAreZero = 0x0040;
    static constexpr unsigned kFlush = kFlushToZero | kDenormalsAreZero;
    unsigned saved_;
#endif
};

}  // namespace lumbrook
