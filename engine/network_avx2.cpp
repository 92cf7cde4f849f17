// The vector kernel for processors with AVX2 and FMA, chosen at run time:
// only this file's own code is compiled for them (the headers it includes
// come first, so no shared inline function carries such an instruction
// elsewhere). The build keeps contraction off: a product is fused only where
// the kernel asks for it.
#include <cstdint>
#include <cstring>
#include <type_traits>

#include <immintrin.h>

#include "network_kernels.h"

#ifdef LUMBROOK_AVX2_KERNEL

#pragma GCC push_options
#pragma GCC target("avx2,fma")

namespace lumbrook {
namespace {

#include "network_vector.h"

}  // namespace

void RunBlockAvx2(NetworkState& net, CallContext& ctx, float* frames, int32_t frameCount) {
    RunBlockVector(net, ctx, frames, frameCount);
}

}  // namespace lumbrook

#pragma GCC pop_options

#endif
