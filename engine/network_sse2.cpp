// The vector kernel for processors with SSE2, the baseline of both builds:
// four-wide vectors run as pairs of two-wide instructions.
#include <cstdint>
#include <cstring>

#include <emmintrin.h>

#include "network_kernels.h"

#ifdef LUMBROOK_SSE2_KERNEL

// Four-wide doubles are passed differently with and without AVX; these
// functions are all internal, so the difference never crosses a call.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace lumbrook {
namespace {

#include "network_vector.h"

}  // namespace

void RunBlockSse2(NetworkState& net, CallContext& ctx, float* frames, int32_t frameCount) {
    RunBlockVector(net, ctx, frames, frameCount);
}

}  // namespace lumbrook

#endif
