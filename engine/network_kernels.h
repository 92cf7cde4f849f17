// The network's kernels and the choice among them. Every kernel gives the
// portable one's samples bit for bit; the vector kernels only reorder work
// that is independent (see network_vector.h). The choice is made once from
// what the processor supports; tests and benchmarks may force one.
#pragma once

#include "network_state.h"

#if defined(__GNUC__) && (defined(__SSE2__) || defined(__x86_64__))
#define LUMBROOK_SSE2_KERNEL 1
#endif
#if defined(__GNUC__) && defined(__x86_64__)
#define LUMBROOK_AVX2_KERNEL 1
#endif

namespace lumbrook {

enum class NetworkKernel { Portable, Sse2, Avx2 };

// Whether this build has the kernel and this processor can run it.
bool KernelAvailable(NetworkKernel kernel);

// Makes every later processing call of every engine use `kernel`; false
// (and no change) when it is not available. Safe from any thread, but meant
// for tests and benchmarks: a host never needs it.
bool UseKernel(NetworkKernel kernel);

NetworkKernel ActiveKernel();

using BlockKernel = void (*)(NetworkState& net, CallContext& ctx, float* frames,
                             int32_t frameCount);

// The active kernel's block function (same contract as RunBlock).
BlockKernel ActiveBlockKernel();

#ifdef LUMBROOK_SSE2_KERNEL
void RunBlockSse2(NetworkState& net, CallContext& ctx, float* frames, int32_t frameCount);
#endif
#ifdef LUMBROOK_AVX2_KERNEL
void RunBlockAvx2(NetworkState& net, CallContext& ctx, float* frames, int32_t frameCount);
#endif

}  // namespace lumbrook
